#include "platform/Profile.h"

#include <QSettings>

namespace zembra {
namespace {

constexpr const char* kOrganisation = "DIRER";
constexpr const char* kApplication = "Zembra";
constexpr const char* kGroup = "QnZembra";

QString FullKey(const QString& key) { return QString::fromLatin1(kGroup) + "/" + key; }

}  // namespace

int Profile::GetInt(const QString& key, int defaultValue) const {
  QSettings s(kOrganisation, kApplication);
  bool ok = false;
  int v = s.value(FullKey(key), defaultValue).toInt(&ok);
  return ok ? v : defaultValue;
}

void Profile::WriteInt(const QString& key, int value) {
  QSettings s(kOrganisation, kApplication);
  s.setValue(FullKey(key), value);
}

QString Profile::GetString(const QString& key, const QString& defaultValue) const {
  QSettings s(kOrganisation, kApplication);
  return s.value(FullKey(key), defaultValue).toString();
}

void Profile::WriteString(const QString& key, const QString& value) {
  QSettings s(kOrganisation, kApplication);
  s.setValue(FullKey(key), value);
}

bool Profile::Contains(const QString& key) const {
  QSettings s(kOrganisation, kApplication);
  return s.contains(FullKey(key));
}

void Profile::UseFolderForTests(const QString& folder) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

}  // namespace zembra
