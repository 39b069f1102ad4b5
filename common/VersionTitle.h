#pragma once
// The main window's title: the program name followed by the program's own
// version from "QNVERSION.qni", which carries a check value so a hand-edited
// version text shows as unknown.
#include <QString>
#include <cstdint>
#include <string_view>

namespace zembra {

// CRC-16 as Modbus computes it (reflected polynomial 0xA001, start 0xFFFF)
// with its two bytes exchanged, the form the version file stores:
// "123456789" gives 0x374B.
std::uint16_t Crc16Modbus(std::string_view bytes);

// Room in the title for the version text, which is written from its third
// byte on: a 12-byte version text fills it exactly; longer ones are clipped
// at a character boundary.
inline constexpr int kVersionTitleRoom = 10;

// The title for the version file in `folder`: "伺服运控管理系统 －－ " and the
// version text from its third character, padded with spaces to the
// template's length; "伺服运控管理系统 －－ 未知" when the file is missing,
// lacks the version or check value, or the check value does not match.
QString ComposeWindowTitle(const QString& folder);

}  // namespace zembra
