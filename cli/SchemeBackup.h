#pragma once
// A backup is the page's "保存参数方案" after a read: the scheme keys set in
// the file's "option" section, every other section and key of an existing
// file kept as and where it is. Fields the drive does not hold keep the
// values the page starts with, or those of the existing file.
#include <optional>
#include <string>

#include "drive/ParameterSet.h"

namespace zembra::cli {

class SchemeBackup {
 public:
  // The values a backup to `path` starts from: the existing file's, or
  // `freshPage` when there is no file. An existing file that cannot be read
  // or is not a scheme file is refused (message in words), so a mistyped
  // name never turns some other file into a scheme; so is a path where no
  // file can be saved.
  static std::optional<std::string> StartValues(const std::string& path, const drive::ParameterSet& freshPage,
                                                drive::ParameterSet& start);

  // Writes the scheme. The store replaces the file in one rename, so an
  // interrupted or failed save leaves the old file (or none) behind, never
  // half a file. Returns the reason when it could not be written.
  static std::optional<std::string> Write(const std::string& path, const drive::ParameterSet& values);
};

}  // namespace zembra::cli
