#pragma once
// How the monitoring page's controls are named for the outside: the id as
// object name and accessible description ("idc_<id>"), the caption as
// accessible name, and a caption label tied to its control.
#include <QLabel>
#include <QString>
#include <QWidget>

namespace zembra {

template <class W>
W* Tag(W* w, int id, const QString& name) {
  const QString idc = QStringLiteral("idc_%1").arg(id);
  w->setObjectName(idc);
  w->setAccessibleDescription(idc);
  w->setAccessibleName(name);
  return w;
}

inline QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  label->setAccessibleName(text);
  return label;
}

}  // namespace zembra
