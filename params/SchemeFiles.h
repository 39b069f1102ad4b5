#pragma once
// Parameter schemes (*.qnd) chosen by the user: the file dialogs, the
// store, and what the user is told. What goes into the file is the
// scheme mapping's; this decides which file and says how it went. Every
// dialog and message goes through the prompter.
#include <QString>
#include <functional>
#include <optional>

#include "drive/ParameterSet.h"

namespace zembra {

class SchemeFiles {
 public:
  static inline const QString kFilter = QStringLiteral("Quen Data Files (*.qnd)");
  static inline const QString kSuffix = QStringLiteral("qnd");
  static inline const QString kSaved = QStringLiteral("方案保存成功");
  static inline const QString kSaveFailed = QStringLiteral("方案保存失败");
  static inline const QString kReplaceQuestion = QStringLiteral("是否更换当前参数");

  enum class SaveOutcome { Cancelled, Saved, CannotOpen, NotTaken, WriteFailed };
  enum class LoadOutcome { Cancelled, Loaded, CannotRead, NotAScheme, Declined };

  // Asks for a file, proposing `proposedName`; opens it (an existing file
  // keeps its other sections and keys); takes the page's values from
  // `takeValues` only then; stores and writes them, and says how it went.
  // When `takeValues` gives nothing (it told the user why), nothing is
  // written.
  static SaveOutcome Save(const QString& proposedName,
                          const std::function<std::optional<drive::ParameterSet>()>& takeValues);

  // Asks for a file and, once it has proved to be a scheme, whether to
  // replace the page's values. Only on Loaded is `values` changed; fields
  // outside the scheme keep theirs.
  static LoadOutcome Load(drive::ParameterSet& values);
  // Asks for a file and reads it into `values` as a load would, without
  // asking anything more; `chosen` gets the file's path. Only on Loaded is
  // `values` changed.
  static LoadOutcome Read(const QString& caption, drive::ParameterSet& values, QString* chosen);
};

}  // namespace zembra
