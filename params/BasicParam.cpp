#include "params/BasicParam.h"

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace zembra {

CBasicParam::CBasicParam() : CPropertyViewPage(IDD, kTemplateSize) {
  setObjectName(QStringLiteral("CBasicParam"));
  setWindowTitle(QStringLiteral("参数配置"));
  setAccessibleName(windowTitle());
}

bool CBasicParam::OnInitDialog() {
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(windowTitle(), this);
  QFont font = title->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.4);
  title->setFont(font);
  title->setAccessibleName(windowTitle());
  auto* note = new QLabel(QStringLiteral("本页面正在建设中：参数的读取、编辑和写入即将提供。"), this);
  note->setAccessibleName(note->text());
  note->setWordWrap(true);
  layout->addWidget(title);
  layout->addWidget(note);
  layout->addStretch(1);
  return true;
}

std::intptr_t CBasicParam::OnMessage(const WindowMessage& message) {
  m_messageLog.push_back(message.msg);
  return 0;
}

int CBasicParam::CountOf(std::uint32_t msg) const {
  return static_cast<int>(std::count(m_messageLog.begin(), m_messageLog.end(), msg));
}

}  // namespace zembra
