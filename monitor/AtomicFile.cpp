#include "monitor/AtomicFile.h"

#include <QSaveFile>

namespace zembra {
namespace {

QString Failure(const QString& path, const QString& reason) {
  return QStringLiteral("无法写入文件“%1”：%2").arg(path, reason);
}

}  // namespace

std::optional<QString> AtomicFile::Write(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return Failure(path, file.errorString());
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return Failure(path, reason);
  }
  if (!file.commit()) return Failure(path, file.errorString());
  return std::nullopt;
}

std::optional<QString> AtomicFile::WritePng(const QString& path, const QImage& image) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return Failure(path, file.errorString());
  if (!image.save(&file, "PNG")) {
    const QString reason = file.error() != QFileDevice::NoError ? file.errorString()
                                                                 : QStringLiteral("图像无法编码为 PNG");
    file.cancelWriting();
    return Failure(path, reason);
  }
  if (!file.commit()) return Failure(path, file.errorString());
  return std::nullopt;
}

}  // namespace zembra
