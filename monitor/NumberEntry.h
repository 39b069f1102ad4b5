#pragma once
// Reading a number from an edit the way a dialog does: an entry that is
// not a number of its kind is refused with a message, and the edit gets
// the focus with its text selected so the user can put it right.
#include <cstdint>

class QLineEdit;

namespace zembra {

class NumberEntry {
 public:
  static bool ReadInt(QLineEdit* edit, std::int32_t& out);
  static bool ReadUnsigned(QLineEdit* edit, std::uint32_t& out);
};

}  // namespace zembra
