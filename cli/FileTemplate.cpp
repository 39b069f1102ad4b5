#include "cli/FileTemplate.h"

#include <QFileInfo>

namespace zembra::cli {
namespace {

const QString kIndex = QStringLiteral("{n}");
const QString kPort = QStringLiteral("{port}");

}  // namespace

bool FileTemplate::HasPlaceholder() const { return m_pattern.contains(kIndex) || m_pattern.contains(kPort); }

QString FileTemplate::Expand(int index, const QString& device) const {
  QString name = m_pattern;
  name.replace(kIndex, QString::number(index));
  name.replace(kPort, DeviceName(device));
  return name;
}

QString FileTemplate::DeviceName(const QString& device) { return QFileInfo(device).fileName(); }

}  // namespace zembra::cli
