#pragma once
// What the parameter page tells about a field when the mouse rests on it:
// meaning, unit and the range the drive accepts, as the parameter table
// gives them. Looked up by control id; labels and group boxes have no id
// here and get no hint.
#include <QString>
#include <optional>
#include <span>
#include <string_view>

namespace zembra {

struct FieldHint {
  int controlId;
  std::string_view text;  // UTF-8, shown whole and unchanged
};

class FieldHints {
 public:
  static std::span<const FieldHint> All();
  // The hint of the control with this id, or nothing.
  static std::optional<QString> For(int controlId);
};

}  // namespace zembra
