#pragma once
// A scratch folder per test, removed afterwards, with byte-exact file
// helpers for the INI and version file tests.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

namespace zembra::test {

class TempFolder {
 public:
  TempFolder() { m_dir.setAutoRemove(true); }
  bool IsValid() const { return m_dir.isValid(); }
  QString Folder() const { return m_dir.path(); }
  std::string Path(const QString& name) const { return QFile::encodeName(m_dir.filePath(name)).toStdString(); }

 private:
  QTemporaryDir m_dir;
};

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
  QFile file(QFile::decodeName(path.c_str()));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

inline std::string ReadBytes(const std::string& path) {
  QFile file(QFile::decodeName(path.c_str()));
  if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
  return file.readAll().toStdString();
}

inline bool Exists(const std::string& path) { return QFile::exists(QFile::decodeName(path.c_str())); }

}  // namespace zembra::test
