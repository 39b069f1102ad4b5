#include "drive/DriveText.h"

#include <limits>

namespace zembra::drive {

int LeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<int>::max()) + 1;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;  // saturated; the rest cannot bring it back
  }
  if (negative) return static_cast<int>(-value);
  return value > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(value);
}

bool ContainsErr(std::string_view text) { return text.find("ERR") != std::string_view::npos; }

}  // namespace zembra::drive
