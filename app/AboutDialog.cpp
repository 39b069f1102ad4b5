#include "app/AboutDialog.h"

#include <QDesktopServices>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace zembra {

AboutDialog::AboutDialog(const QString& versionText, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("伺服运控管理系统"));
  setObjectName(QStringLiteral("idc_%1").arg(kDialogId));
  setAccessibleName(windowTitle());
  setAccessibleDescription(objectName());

  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("伺服运控管理系统 %1 版").arg(versionText), this);
  title->setAccessibleName(title->text());
  auto* rights = new QLabel(QStringLiteral("版权所有 © 2026 Zembra 开发组，保留所有权利。"), this);
  rights->setAccessibleName(rights->text());
  layout->addWidget(title);
  layout->addWidget(rights);

  // Kept hidden and disabled, as the drive tools always had it; a click on
  // it (should it ever be shown) opens the address with the desktop.
  const QString address = QString::fromLatin1(kWebAddress);
  auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address), this);
  link->setObjectName(QStringLiteral("idc_%1").arg(kLinkId));
  link->setAccessibleName(address);
  link->setAccessibleDescription(link->objectName());
  link->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255); text-decoration: underline;"));
  link->setCursor(Qt::PointingHandCursor);
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  connect(link, &QLabel::linkActivated, this, [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
  link->setVisible(false);
  link->setEnabled(false);
  layout->addWidget(link);
}

void AboutDialog::mousePressEvent(QMouseEvent*) { reject(); }

}  // namespace zembra
