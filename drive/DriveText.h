#pragma once
// How the drive's reply texts are read as numbers. Replies are not trusted:
// a reply may be "ERR", empty, or a number too large for an int.
#include <cstdint>
#include <string_view>

namespace zembra::drive {

// The leading decimal integer: leading white space and one sign allowed,
// reading stops at the first non-digit, 0 when there is none. Values beyond
// the int range saturate instead of wrapping.
int LeadingInt(std::string_view text);

// True when "ERR" appears anywhere in the text.
bool ContainsErr(std::string_view text);

}  // namespace zembra::drive
