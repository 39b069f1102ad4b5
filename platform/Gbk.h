#pragma once
// Conversion between the GBK bytes of the drive's files and Qt text.
#include <QString>
#include <string>
#include <string_view>

namespace zembra {

// Invalid input sets *ok to false; unconvertible characters become '?'
// (to GBK) or U+FFFD (from GBK), so a bad byte never ends the conversion.
std::string ToGbk(const QString& text, bool* ok = nullptr);
QString FromGbk(std::string_view bytes, bool* ok = nullptr);

}  // namespace zembra
