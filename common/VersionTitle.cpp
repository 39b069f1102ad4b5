#include "common/VersionTitle.h"

#include <QFile>
#include <string>

#include "common/IniStore.h"
#include "platform/Gbk.h"

namespace zembra {
namespace {

constexpr const char* kVersionFile = "/QNVERSION.qni";
constexpr const char* kVersionSection = "DriverVersion";
constexpr const char* kVersionKey = "D0000";
constexpr const char* kCheckKey = "CRC";
// The first two characters of the version text (its "V " prefix) are not shown.
constexpr size_t kVersionSkip = 2;

const QString& TitlePrefix() {
  static const QString prefix = QStringLiteral("伺服运控管理系统 －－ ");
  return prefix;
}

QString UnknownTitle() { return TitlePrefix() + QStringLiteral("未知"); }

bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// End of the last whole GBK character of `text` that lies within `limit`
// bytes, so clipping never leaves half a character behind.
size_t ClipAtCharacter(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t end = 0;
  for (size_t i = 0; i < text.size();) {
    size_t width = IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (i + width > limit) break;
    i += width;
    end = i;
  }
  return end;
}

}  // namespace

std::uint16_t Crc16Modbus(std::string_view bytes) {
  std::uint16_t crc = 0xFFFF;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
  }
  return static_cast<std::uint16_t>(((crc & 0xFF) << 8) | (crc >> 8));
}

QString ComposeWindowTitle(const QString& folder) {
  CIniStore store(QFile::encodeName(folder + QString::fromLatin1(kVersionFile)).toStdString());
  if (!store.LoadExisting()) return UnknownTitle();
  // Without both entries there is nothing to vouch for the text.
  const int section = store.FindSection(kVersionSection);
  if (store.FindEntry(section, kVersionKey) < 0 || store.FindEntry(section, kCheckKey) < 0) return UnknownTitle();

  const std::string version = store.GetString(kVersionSection, kVersionKey);
  const auto stored = static_cast<std::uint16_t>(store.GetInt(kVersionSection, kCheckKey));
  if (stored != Crc16Modbus(version)) return UnknownTitle();

  std::string title = ToGbk(TitlePrefix() + QString(kVersionTitleRoom, QLatin1Char(' ')));
  const size_t start = title.size() - kVersionTitleRoom;
  if (version.size() > kVersionSkip) {
    const size_t end = ClipAtCharacter(version, kVersionSkip + kVersionTitleRoom);
    if (end > kVersionSkip) title.replace(start, end - kVersionSkip, version, kVersionSkip, end - kVersionSkip);
  }
  return FromGbk(title);
}

}  // namespace zembra
