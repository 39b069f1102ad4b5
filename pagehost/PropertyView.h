#pragma once
// A scrolling view that shows a set of pages as tabs. The view does not own
// its pages: whoever adds a page keeps it alive, and a page that dies
// leaves the view on its own.
#include <QScrollArea>
#include <QString>
#include <cstdint>

#include "pagehost/TabStrip.h"

class QKeyEvent;

namespace zembra {

class CPropertyViewPage;

class CPropertyView : public QScrollArea {
  Q_OBJECT

 public:
  static constexpr int kTabTop = 4;           // gap above the tab strip
  static constexpr int kPageMargin = 2;       // gap between display area and page
  static constexpr int kInitialScrollSize = 1000;
  static constexpr int kNoPage = -1;
  static QColor BackgroundColor() { return CTabStrip::BackgroundColor(); }

  explicit CPropertyView(QWidget* parent = nullptr);
  ~CPropertyView() override;

  // Adds a page under the given tab title, or under the page's own window
  // title. False when the page already has a window (it is in a view) or
  // cannot be created; nothing changes then.
  bool AddPage(CPropertyViewPage* page, const QString& title, int image = CTabStrip::kNoImage);
  bool AddPage(CPropertyViewPage* page, int image = CTabStrip::kNoImage);

  // True when the page is active afterwards; false when the index is out
  // of range or the active page refuses to be left or the new one to be
  // entered. Posts no page messages.
  bool SetActivePage(int index);
  bool SetActivePage(CPropertyViewPage* page);

  CPropertyViewPage* GetActivePage() const;
  int GetActiveIndex() const { return m_activeIndex; }
  CPropertyViewPage* GetPage(int index) const;
  int GetPageIndex(const CPropertyViewPage* page) const;
  int GetPageCount() const;
  bool SetPageTitle(int index, const QString& title);

  void SetMultiLine(bool multiLine);
  bool IsMultiLine() const { return m_multiLine; }
  void SetFitToPage(bool fit);
  bool IsFitToPage() const { return m_fitToPage; }
  bool IsSized() const { return m_sized; }

  // Every page refreshes its controls from its members.
  virtual void OnInitialUpdate();
  // A document change, handed to every page.
  virtual void OnUpdate(QObject* sender, std::intptr_t hint, QObject* object);

  CTabStrip* TabStrip() const { return m_tabs; }
  // The scrolled area; its size is the view's scroll size.
  QWidget* Canvas() const { return m_canvas; }

 protected:
  // The view's keyboard pre-translation; true when it consumed the key.
  virtual bool PreTranslateKey(const QKeyEvent& event);

  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  friend class CPropertyViewPage;
  // Called by a page that is being destroyed while still in the view.
  void ForgetPage(CPropertyViewPage* page);

  bool OnTabSelChanging();
  void OnTabSelChange();
  void ShowPage(CPropertyViewPage* page);
  void HidePage(CPropertyViewPage* page);
  void LayOutView(bool scrollToOrigin);
  QSize ClientSizeFor(const QSize& needed) const;

  QWidget* m_canvas = nullptr;
  CTabStrip* m_tabs = nullptr;
  bool m_sized = false;
  int m_activeIndex = kNoPage;
  bool m_multiLine = false;
  bool m_fitToPage = true;
  // The page a click is leaving, between agreement and the switch.
  int m_leavingIndex = kNoPage;
};

}  // namespace zembra
