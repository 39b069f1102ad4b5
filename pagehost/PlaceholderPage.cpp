#include "pagehost/PlaceholderPage.h"

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace zembra {

CPlaceholderPage::CPlaceholderPage(int templateId, QSize templateSize, const QString& caption, const QString& note)
    : CPropertyViewPage(templateId, templateSize), m_note(note) {
  setWindowTitle(caption);
  setAccessibleName(caption);
}

bool CPlaceholderPage::OnInitDialog() {
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(windowTitle(), this);
  QFont font = title->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.4);
  title->setFont(font);
  title->setAccessibleName(windowTitle());
  auto* note = new QLabel(m_note, this);
  note->setAccessibleName(note->text());
  note->setWordWrap(true);
  layout->addWidget(title);
  layout->addWidget(note);
  layout->addStretch(1);
  return true;
}

std::intptr_t CPlaceholderPage::OnMessage(const WindowMessage& message) {
  m_messageLog.push_back(message.msg);
  return 0;
}

int CPlaceholderPage::CountOf(std::uint32_t msg) const {
  return static_cast<int>(std::count(m_messageLog.begin(), m_messageLog.end(), msg));
}

}  // namespace zembra
