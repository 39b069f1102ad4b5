#pragma once
// A file name given once for several ports: "{n}" becomes the port's place
// on the command line (1-based), "{port}" the device's own name
// ("/dev/ttyUSB0" gives "ttyUSB0").
#include <QString>

namespace zembra::cli {

class FileTemplate {
 public:
  explicit FileTemplate(QString pattern) : m_pattern(std::move(pattern)) {}

  bool HasPlaceholder() const;
  QString Expand(int index, const QString& device) const;

  static QString DeviceName(const QString& device);

 private:
  QString m_pattern;
};

}  // namespace zembra::cli
