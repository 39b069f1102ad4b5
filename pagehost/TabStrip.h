#pragma once
// The tab control of the page host: a strip of left-aligned labels above a
// display area, painted as a picture of the whole strip with the selected
// tab raised. It never takes the focus; a click on another tab asks the
// owner first (which may veto it) and tells the owner afterwards.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace zembra {

class CPropertyViewPage;

class CTabStrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kControlId = 29029;
  static constexpr int kTabHeight = 24;
  static constexpr int kMinTabWidth = 96;
  static constexpr int kLabelIndent = 10;
  // Border between the tab rows and the display area, and around it.
  static constexpr int kFrame = 2;
  static constexpr int kNoImage = -1;
  static constexpr int kNoSelection = -1;
  static QColor BackgroundColor();

  explicit CTabStrip(QWidget* parent = nullptr);

  // Inserts before `index` (clamped to the end). Returns the new item's
  // index, or -1 when it could not be inserted.
  int InsertItem(int index, const QString& text, CPropertyViewPage* page, int image = kNoImage);
  bool SetItemText(int index, const QString& text);
  QString ItemText(int index) const;
  CPropertyViewPage* ItemPage(int index) const;
  int ItemImage(int index) const;
  int ItemCount() const { return static_cast<int>(m_items.size()); }
  // Drops items; the pages themselves are not touched. Removing the
  // selected item leaves no selection.
  bool RemoveItem(int index);
  void RemoveAllItems();

  int CurSel() const { return m_curSel; }
  // Programmatic selection: no notifications. Out-of-range clears it.
  void SetCurSel(int index);

  void SetMultiLine(bool multiLine);
  bool IsMultiLine() const { return m_multiLine; }

  // Converts between the display area (where a page sits) and the whole
  // control: larger = true gives the control rectangle that holds the
  // given display rectangle; false gives the display area of a control
  // rectangle.
  QRect AdjustRect(bool larger, const QRect& rect) const;
  // The display area in the strip's own coordinates.
  QRect DisplayRect() const { return AdjustRect(false, rect()); }
  QRect TabRect(int index) const;
  int RowCount() const;
  int TabAt(const QPoint& point) const;

  // What a mouse click on tab `index` does. Returns true when the
  // selection moved to it.
  bool ClickTab(int index);

  // Before the selection moves: return true to keep the current one.
  std::function<bool()> onSelChanging;
  // After the selection moved.
  std::function<void()> onSelChange;

  // The strip picture for a selected index, or a null image when there is
  // none for it.
  static QImage SelectionPicture(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Item {
    QString text;
    CPropertyViewPage* page = nullptr;
    int image = kNoImage;
  };

  int TabWidth(int index) const;
  // Tab rectangles when the strip is `width` wide.
  std::vector<QRect> LayOutTabs(int width) const;
  int HeaderHeight() const { return RowCount() * kTabHeight + kFrame; }

  std::vector<Item> m_items;
  int m_curSel = kNoSelection;
  bool m_multiLine = false;
};

}  // namespace zembra
