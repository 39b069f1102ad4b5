#include "pagehost/TabStrip.h"

#include <QAccessible>

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <array>

#include "pagehost/TabStripAccessible.h"

namespace zembra {

namespace {

// One picture per selectable index; an index without one shows the plain
// background under the labels.
constexpr std::array<const char*, 3> kSelectionPictures = {
    ":/tabs/tab_selected_0.png",
    ":/tabs/tab_selected_1.png",
    ":/tabs/tab_selected_2.png",
};

const QColor kSelectedText(0x10, 0x2a, 0x5c);
const QColor kIdleText(0x3c, 0x4c, 0x68);

}  // namespace

QColor CTabStrip::BackgroundColor() { return QColor(222, 231, 247); }

CTabStrip::CTabStrip(QWidget* parent) : QWidget(parent) {
  TabStripAccessible::Register();
  const QString id = QStringLiteral("idc_%1").arg(kControlId);
  setObjectName(id);
  setAccessibleDescription(id);
  setAccessibleName(QStringLiteral("页面选项卡"));
  setFocusPolicy(Qt::NoFocus);
  setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  // The strip paints every pixel itself, including the background.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

int CTabStrip::InsertItem(int index, const QString& text, CPropertyViewPage* page, int image) {
  if (index < 0) return -1;
  index = std::min(index, ItemCount());
  m_items.insert(m_items.begin() + index, Item{text, page, image});
  if (m_curSel >= index) ++m_curSel;
  update();
  return index;
}

bool CTabStrip::SetItemText(int index, const QString& text) {
  if (index < 0 || index >= ItemCount()) return false;
  m_items[index].text = text;
  update();
  return true;
}

QString CTabStrip::ItemText(int index) const {
  return index >= 0 && index < ItemCount() ? m_items[index].text : QString();
}

CPropertyViewPage* CTabStrip::ItemPage(int index) const {
  return index >= 0 && index < ItemCount() ? m_items[index].page : nullptr;
}

int CTabStrip::ItemImage(int index) const {
  return index >= 0 && index < ItemCount() ? m_items[index].image : kNoImage;
}

bool CTabStrip::RemoveItem(int index) {
  if (index < 0 || index >= ItemCount()) return false;
  m_items.erase(m_items.begin() + index);
  if (m_curSel == index) {
    m_curSel = kNoSelection;
  } else if (m_curSel > index) {
    --m_curSel;
  }
  update();
  return true;
}

void CTabStrip::RemoveAllItems() {
  m_items.clear();
  m_curSel = kNoSelection;
  update();
}

void CTabStrip::SetCurSel(int index) {
  const int sel = index >= 0 && index < ItemCount() ? index : kNoSelection;
  if (sel == m_curSel) return;
  m_curSel = sel;
  update();
  if (QAccessible::isActive() && sel != kNoSelection) {
    // Screen readers announce the page that came up.
    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(this);
    if (QAccessibleInterface* tab = strip ? strip->child(sel) : nullptr) {
      QAccessibleEvent event(tab, QAccessible::Focus);
      QAccessible::updateAccessibility(&event);
    }
  }
}

void CTabStrip::SetMultiLine(bool multiLine) {
  if (m_multiLine == multiLine) return;
  m_multiLine = multiLine;
  update();
}

int CTabStrip::TabWidth(int index) const {
  const int textWidth = fontMetrics().horizontalAdvance(m_items[index].text);
  return std::max(kMinTabWidth, textWidth + 2 * kLabelIndent);
}

std::vector<QRect> CTabStrip::LayOutTabs(int width) const {
  std::vector<QRect> rects;
  rects.reserve(m_items.size());
  int x = 0;
  int row = 0;
  for (int i = 0; i < ItemCount(); ++i) {
    const int w = TabWidth(i);
    // A tab that does not fit opens a new row, unless it is alone in its
    // row already (it would not fit in any row then).
    if (m_multiLine && x > 0 && x + w > width) {
      ++row;
      x = 0;
    }
    rects.emplace_back(x, row * kTabHeight, w, kTabHeight);
    x += w;
  }
  return rects;
}

int CTabStrip::RowCount() const {
  const std::vector<QRect> rects = LayOutTabs(width());
  if (rects.empty()) return 1;
  return rects.back().top() / kTabHeight + 1;
}

QRect CTabStrip::TabRect(int index) const {
  if (index < 0 || index >= ItemCount()) return {};
  return LayOutTabs(width())[index];
}

int CTabStrip::TabAt(const QPoint& point) const {
  const std::vector<QRect> rects = LayOutTabs(width());
  for (int i = 0; i < static_cast<int>(rects.size()); ++i) {
    if (rects[i].contains(point)) return i;
  }
  return kNoSelection;
}

QRect CTabStrip::AdjustRect(bool larger, const QRect& r) const {
  const int header = HeaderHeight();
  if (larger) return r.adjusted(-kFrame, -header, kFrame, kFrame);
  QRect display = r.adjusted(kFrame, header, -kFrame, -kFrame);
  if (display.width() < 0) display.setWidth(0);
  if (display.height() < 0) display.setHeight(0);
  return display;
}

bool CTabStrip::ClickTab(int index) {
  if (index < 0 || index >= ItemCount() || index == m_curSel) return false;
  if (onSelChanging && onSelChanging()) return false;
  SetCurSel(index);
  if (onSelChange) onSelChange();
  return true;
}

QImage CTabStrip::SelectionPicture(int index) {
  if (index < 0 || index >= static_cast<int>(kSelectionPictures.size())) return {};
  return QImage(QString::fromLatin1(kSelectionPictures[index]));
}

void CTabStrip::paintEvent(QPaintEvent*) {
  // Drawn into one pixmap and copied at once, so a tab switch never shows
  // the background without its picture.
  QPixmap buffer(size() * devicePixelRatioF());
  buffer.setDevicePixelRatio(devicePixelRatioF());
  {
    QPainter p(&buffer);
    p.fillRect(rect(), BackgroundColor());
    if (m_curSel != kNoSelection) {
      const QImage picture = SelectionPicture(m_curSel);
      if (!picture.isNull()) p.drawImage(QPoint(0, 0), picture);
    }
    // Labels go over the picture so they stay readable whatever the titles.
    const std::vector<QRect> rects = LayOutTabs(width());
    for (int i = 0; i < ItemCount(); ++i) {
      QFont f = font();
      f.setBold(i == m_curSel);
      p.setFont(f);
      p.setPen(i == m_curSel ? kSelectedText : kIdleText);
      const QRect label = rects[i].adjusted(kLabelIndent, 0, -2, 0);
      p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_items[i].text);
    }
  }
  QPainter(this).drawPixmap(0, 0, buffer);
}

void CTabStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  const int index = TabAt(event->position().toPoint());
  if (index == kNoSelection) {
    QWidget::mousePressEvent(event);
    return;
  }
  ClickTab(index);
  event->accept();
}

void CTabStrip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  update();
}

}  // namespace zembra
