#pragma once
// The values a parameter page holds, and for each field the text it shows
// for its value. That text is the value formatted, except where the drive
// answered a read with text of its own ("ERR", "+15"): the page shows the
// reply as received, holds the number read from it, and a text equal to
// the reply is not the user's. The page and the command-line tool's
// readout both keep their values here.
#include <array>
#include <optional>
#include <span>
#include <string>

#include "drive/ParameterSet.h"

namespace zembra::drive {

class HeldValues {
 public:
  HeldValues() = default;
  explicit HeldValues(const ParameterSet& values) : m_values(values) {}

  const ParameterSet& Values() const { return m_values; }
  // The text the field's edit shows for the value held (UTF-8).
  std::string Text(Field field) const;
  // How the value reads to a user whatever the control: Text() for edits.
  std::string DisplayText(Field field) const;
  bool ShowsDriveText(Field field) const { return m_driveTexts[Index(field)].has_value(); }

  // A value of the user's or a file's: shown as itself.
  void Set(Field field, double value);
  // A value the drive reported; `text` is what its reply shows (UTF-8),
  // when the field shows replies as received.
  void SetFromDrive(Field field, double value, const std::optional<std::string>& text);
  // Takes every field of `values`; the `typed` fields are the user's and
  // lose a drive text they showed, the others keep theirs.
  void Commit(const ParameterSet& values, std::span<const Field> typed);
  // Every field from `values`, each shown as itself.
  void Replace(const ParameterSet& values);

 private:
  ParameterSet m_values;
  std::array<std::optional<std::string>, kFieldCount> m_driveTexts;
};

}  // namespace zembra::drive
