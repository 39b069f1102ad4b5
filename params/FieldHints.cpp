#include "params/FieldHints.h"

#include <vector>

#include "drive/ParameterTable.h"

namespace zembra {
namespace {

const std::vector<FieldHint>& Hints() {
  static const std::vector<FieldHint> hints = [] {
    std::vector<FieldHint> all;
    for (const drive::FieldInfo& info : drive::ParameterTable::Fields())
      for (std::size_t i = 0; i < info.hints.size() && i < info.controls.size(); ++i)
        if (!info.hints[i].empty()) all.push_back({info.controls[i], info.hints[i]});
    return all;
  }();
  return hints;
}

}  // namespace

std::span<const FieldHint> FieldHints::All() { return Hints(); }

std::optional<QString> FieldHints::For(int controlId) {
  for (const FieldHint& hint : Hints())
    if (hint.controlId == controlId) return QString::fromUtf8(hint.text.data(), static_cast<qsizetype>(hint.text.size()));
  return std::nullopt;
}

}  // namespace zembra
