#include "pagehost/PropertyViewPage.h"

#include <QDebug>
#include <QKeyEvent>

#include "pagehost/PropertyView.h"

namespace zembra {

CPropertyViewPage::CPropertyViewPage(int templateId, QSize templateSize, const QString& caption)
    : QWidget(nullptr), m_templateId(templateId), m_templateSize(templateSize), m_caption(caption) {
  // Hidden until a host shows it.
  hide();
}

CPropertyViewPage::~CPropertyViewPage() {
  // The host keeps a pointer to every page it shows.
  if (m_hostView) m_hostView->ForgetPage(this);
}

bool CPropertyViewPage::Create(QWidget* parent) {
  if (m_created || !parent) return false;
  // A child page has no caption bar or system menu of its own.
  setParent(parent, Qt::Widget);
  hide();
  if (!m_caption.isEmpty()) setWindowTitle(m_caption);
  // The controls are the page's own children and survive a host that
  // went away, so a page shown again by another host keeps them; building
  // them twice would stack a second layout on the first.
  if (!m_controlsBuilt) {
    if (!OnInitDialog()) {
      setParent(nullptr);
      return false;
    }
    m_controlsBuilt = true;
  }
  const QSize size = m_templateSize.isValid() && !m_templateSize.isEmpty() ? m_templateSize : sizeHint();
  m_pageWidth = size.width();
  m_pageHeight = size.height();
  resize(size);
  m_created = true;
  return true;
}

void CPropertyViewPage::DestroyPage() {
  if (!m_created) return;
  hide();
  setParent(nullptr);
  m_created = false;
}

bool CPropertyViewPage::OnSetActive() {
  if (m_firstActivation) {
    // Just added: the controls already show the members.
    m_firstActivation = false;
    return true;
  }
  return UpdateData(false);
}

bool CPropertyViewPage::OnKillActive() {
  if (!UpdateData(true)) {
    qDebug("UpdateData failed during page deactivation");
    return false;
  }
  return true;
}

void CPropertyViewPage::OnResetPage() {
  UpdateData(false);
  OnPageUpdate(nullptr, 0, nullptr);
}

void CPropertyViewPage::OnPageUpdate(QObject*, std::intptr_t, QObject*) {}

bool CPropertyViewPage::UpdateData(bool) { return true; }

bool CPropertyViewPage::IsHostNavigationKey(const QKeyEvent& event) {
  if (event.type() != QEvent::KeyPress || !(event.modifiers() & Qt::ControlModifier)) return false;
  switch (event.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_F4:
    case Qt::Key_F6:
      return true;
    default:
      return false;
  }
}

bool CPropertyViewPage::PreTranslateKey(const QKeyEvent& event) {
  if (IsHostNavigationKey(event)) return false;
  return OnPreTranslateKey(event);
}

}  // namespace zembra
