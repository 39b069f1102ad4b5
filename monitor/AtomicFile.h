#pragma once
// Writing a whole file so that it is either replaced completely or left as
// it was: the bytes go to a temporary file beside it, which is renamed over
// the target only when everything was written.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace zembra {

class AtomicFile {
 public:
  // Nothing on success; otherwise why it failed, in words for the user.
  static std::optional<QString> Write(const QString& path, const QByteArray& bytes);
  static std::optional<QString> WritePng(const QString& path, const QImage& image);
};

}  // namespace zembra
