#include "pagehost/PropertyView.h"

#include <QApplication>
#include <QDebug>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "pagehost/PropertyViewPage.h"
#include "platform/WindowMessages.h"

namespace zembra {

namespace {

void PaintBackground(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, CPropertyView::BackgroundColor());
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// The first control of the page that takes the focus by Tab, else the page.
QWidget* FocusTarget(CPropertyViewPage* page) {
  for (QWidget* w = page->nextInFocusChain(); w && w != page && page->isAncestorOf(w);
       w = w->nextInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) return w;
  }
  return page;
}

}  // namespace

CPropertyView::CPropertyView(QWidget* parent) : QScrollArea(parent) {
  setWidgetResizable(false);
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(QStringLiteral("页面视图"));

  m_canvas = new QWidget;
  PaintBackground(m_canvas);
  PaintBackground(viewport());
  m_canvas->resize(kInitialScrollSize, kInitialScrollSize);

  m_tabs = new CTabStrip(m_canvas);
  m_tabs->SetMultiLine(m_multiLine);
  m_tabs->setGeometry(0, kTabTop, kInitialScrollSize, kInitialScrollSize - kTabTop);
  m_tabs->onSelChanging = [this] { return OnTabSelChanging(); };
  m_tabs->onSelChange = [this] { OnTabSelChange(); };
  setWidget(m_canvas);

  // Keyboard page switching must see keys before the focused control of a
  // page does, as a pre-translation would.
  if (qApp) qApp->installEventFilter(this);
}

CPropertyView::~CPropertyView() {
  if (qApp) qApp->removeEventFilter(this);
  m_tabs->onSelChanging = nullptr;
  m_tabs->onSelChange = nullptr;
  // Pages outlive the view when their owner says so; they must not be
  // deleted with the tab strip they sit in.
  while (GetPageCount() > 0) {
    CPropertyViewPage* page = GetPage(0);
    m_tabs->RemoveItem(0);
    page->AttachToHost(nullptr);
    page->DestroyPage();
  }
}

bool CPropertyView::AddPage(CPropertyViewPage* page, int image) {
  if (!page) return false;
  return AddPage(page, QString(), image);
}

bool CPropertyView::AddPage(CPropertyViewPage* page, const QString& title, int image) {
  if (!page) return false;
  if (page->IsCreated()) {
    qDebug("View Page already created");
    return false;
  }
  page->AttachToHost(this);
  page->SetFirstActivation(false);
  if (!page->Create(m_tabs)) {
    page->AttachToHost(nullptr);
    qDebug("Failed to create view page");
    return false;
  }
  const QString text = title.isNull() ? page->windowTitle() : title;
  if (m_tabs->InsertItem(m_tabs->ItemCount(), text, page, image) < 0) {
    page->DestroyPage();
    page->AttachToHost(nullptr);
    qDebug("Failed to add the property page");
    return false;
  }
  if (m_sized) LayOutView(false);
  if (m_activeIndex == kNoPage) {
    m_tabs->SetCurSel(0);
    m_activeIndex = 0;
    page->SetFirstActivation(true);
    page->OnSetActive();
    ShowPage(page);
  } else {
    HidePage(page);
  }
  return true;
}

bool CPropertyView::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount()) return false;
  if (index == m_activeIndex) return true;
  CPropertyViewPage* oldPage = GetActivePage();
  CPropertyViewPage* newPage = GetPage(index);
  if (oldPage && !oldPage->OnKillActive()) return false;
  if (!newPage->OnSetActive()) return false;
  if (oldPage) HidePage(oldPage);
  m_activeIndex = index;
  m_tabs->SetCurSel(index);
  ShowPage(newPage);
  return true;
}

bool CPropertyView::SetActivePage(CPropertyViewPage* page) {
  const int index = GetPageIndex(page);
  return index != kNoPage && SetActivePage(index);
}

CPropertyViewPage* CPropertyView::GetActivePage() const { return GetPage(m_activeIndex); }

CPropertyViewPage* CPropertyView::GetPage(int index) const { return m_tabs->ItemPage(index); }

int CPropertyView::GetPageIndex(const CPropertyViewPage* page) const {
  if (!page) return kNoPage;
  for (int i = 0; i < GetPageCount(); ++i) {
    if (GetPage(i) == page) return i;
  }
  return kNoPage;
}

int CPropertyView::GetPageCount() const { return m_tabs->ItemCount(); }

bool CPropertyView::SetPageTitle(int index, const QString& title) { return m_tabs->SetItemText(index, title); }

void CPropertyView::SetMultiLine(bool multiLine) {
  m_multiLine = multiLine;
  m_tabs->SetMultiLine(multiLine);
  LayOutView(false);
}

void CPropertyView::SetFitToPage(bool fit) {
  m_fitToPage = fit;
  LayOutView(false);
}

void CPropertyView::OnInitialUpdate() {
  for (int i = 0; i < GetPageCount(); ++i) GetPage(i)->OnResetPage();
}

void CPropertyView::OnUpdate(QObject* sender, std::intptr_t hint, QObject* object) {
  for (int i = 0; i < GetPageCount(); ++i) GetPage(i)->OnPageUpdate(sender, hint, object);
}

bool CPropertyView::OnTabSelChanging() {
  CPropertyViewPage* page = GetActivePage();
  if (page && !page->OnKillActive()) return true;
  m_leavingIndex = m_activeIndex;
  return false;
}

void CPropertyView::OnTabSelChange() {
  const int leaving = std::exchange(m_leavingIndex, kNoPage);
  const int index = m_tabs->CurSel();
  CPropertyViewPage* newPage = GetPage(index);
  if (!newPage || !newPage->OnSetActive()) {
    m_tabs->SetCurSel(m_activeIndex);
    return;
  }
  CPropertyViewPage* oldPage = GetActivePage();
  if (oldPage) HidePage(oldPage);
  m_activeIndex = index;
  ShowPage(newPage);
  update();
  // The page being left hears of it only once the switch has happened, so
  // a page that stays (it or the new page refused) is not told it is left.
  // The first page never needs to be told.
  if (oldPage && leaving > 0) PostMessage(oldPage->Handle(), WM_PAGE_LEAVING);
  PostMessage(newPage->Handle(), WM_PAGE_ACTIVATED);
}

void CPropertyView::ShowPage(CPropertyViewPage* page) {
  page->setEnabled(true);
  page->setVisible(true);
  page->raise();
  LayOutView(true);
  FocusTarget(page)->setFocus(Qt::OtherFocusReason);
}

void CPropertyView::HidePage(CPropertyViewPage* page) {
  page->setVisible(false);
  page->setEnabled(false);
}

QSize CPropertyView::ClientSizeFor(const QSize& needed) const {
  // The client area shrinks by a scroll bar in one direction when the
  // content overflows in the other.
  const QSize avail = maximumViewportSize();
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  bool horizontal = needed.width() > avail.width();
  bool vertical = needed.height() > avail.height();
  if (horizontal && !vertical) vertical = needed.height() > avail.height() - bar;
  if (vertical && !horizontal) horizontal = needed.width() > avail.width() - bar;
  return QSize(avail.width() - (vertical ? bar : 0), avail.height() - (horizontal ? bar : 0));
}

void CPropertyView::LayOutView(bool scrollToOrigin) {
  CPropertyViewPage* page = GetActivePage();
  if (!page) {
    const QSize client = maximumViewportSize();
    m_canvas->resize(client);
    m_tabs->setGeometry(0, kTabTop, client.width(), std::max(0, client.height() - kTabTop));
    return;
  }
  const QRect wanted(0, 0, page->PageWidth() + 2 * kPageMargin, page->PageHeight() + 2 * kPageMargin);
  if (scrollToOrigin) {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
  }
  if (m_fitToPage) {
    const QRect strip = m_tabs->AdjustRect(true, wanted);
    const QSize needed(strip.width(), strip.height() + kTabTop);
    const QSize client = ClientSizeFor(needed);
    const QSize scroll(std::max(client.width(), needed.width()), std::max(client.height(), needed.height()));
    m_canvas->resize(scroll);
    m_tabs->setGeometry(0, kTabTop, scroll.width(), scroll.height() - kTabTop);
  } else {
    const QSize client = maximumViewportSize();
    m_canvas->resize(client);
    m_tabs->setGeometry(0, 0, client.width(), client.height());
  }
  const QRect display = m_tabs->DisplayRect();
  page->setGeometry(display.adjusted(kPageMargin, kPageMargin, -kPageMargin, -kPageMargin));
}

void CPropertyView::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  if (GetPageCount() > 0 && !m_sized) {
    m_sized = true;
    if (CPropertyViewPage* page = GetActivePage()) page->raise();
  }
  LayOutView(false);
}

void CPropertyView::focusInEvent(QFocusEvent* event) {
  QScrollArea::focusInEvent(event);
  if (CPropertyViewPage* page = GetActivePage()) FocusTarget(page)->setFocus(event->reason());
}

bool CPropertyView::PreTranslateKey(const QKeyEvent& event) {
  if (event.type() != QEvent::KeyPress || !(event.modifiers() & Qt::ControlModifier)) return false;
  const int count = GetPageCount();
  if (count == 0) return false;
  const bool shift = event.modifiers() & Qt::ShiftModifier;
  int step = 0;
  switch (event.key()) {
    case Qt::Key_Tab:
      step = shift ? -1 : 1;
      break;
    case Qt::Key_Backtab:  // what Shift+Tab arrives as
      step = -1;
      break;
    case Qt::Key_PageDown:
      step = 1;
      break;
    case Qt::Key_PageUp:
      step = -1;
      break;
    default:
      return false;
  }
  const int from = std::max(m_activeIndex, 0);
  SetActivePage((from + step + count) % count);
  return true;
}

bool CPropertyView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* target = static_cast<QWidget*>(watched);
    if (target == this || isAncestorOf(target)) {
      const auto& key = static_cast<const QKeyEvent&>(*event);
      // The page that holds the control gets the key first, as a dialog
      // would; it never takes the view's navigation keys.
      for (QWidget* w = target; w && w != this; w = w->parentWidget()) {
        if (auto* page = qobject_cast<CPropertyViewPage*>(w)) {
          if (GetPageIndex(page) != kNoPage && page->PreTranslateKey(key)) return true;
          break;
        }
      }
      if (PreTranslateKey(key)) return true;
    }
  }
  return QScrollArea::eventFilter(watched, event);
}

void CPropertyView::ForgetPage(CPropertyViewPage* page) {
  const int index = GetPageIndex(page);
  if (index == kNoPage) return;
  m_tabs->RemoveItem(index);
  if (index == m_activeIndex) {
    m_activeIndex = kNoPage;
  } else if (index < m_activeIndex) {
    --m_activeIndex;
  }
  m_tabs->SetCurSel(m_activeIndex);
}

}  // namespace zembra
