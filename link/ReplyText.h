#pragma once
// How the drive's reply texts are read. Replies are not trusted: a reply
// may be "ERR", empty, garbled, or a number too large for an int. Every
// reader of a reply's value, in the program and in zembra-cli, reads it
// here, so one garbled answer means the same everywhere.
#include <cstdint>
#include <string_view>

namespace zembra {

// The leading decimal integer: leading white space and one sign allowed,
// reading stops at the first non-digit, 0 when there is none. Values beyond
// the 32-bit range saturate instead of wrapping.
std::int32_t LeadingInt(std::string_view text);

// True when "ERR" appears anywhere in the text.
bool ContainsErr(std::string_view text);

}  // namespace zembra
