#pragma once
// A page whose real controls are still being built: it shows its caption
// and a note saying so, and keeps a log of the page messages it receives so
// the host and the main frame can be checked against it.
#include <QSize>
#include <cstdint>
#include <vector>

#include "pagehost/PropertyViewPage.h"

namespace zembra {

class CPlaceholderPage : public CPropertyViewPage {
  Q_OBJECT

 public:
  CPlaceholderPage(int templateId, QSize templateSize, const QString& caption, const QString& note);

  std::intptr_t OnMessage(const WindowMessage& message) override;

  // Ids of the messages received, oldest first.
  const std::vector<std::uint32_t>& MessageLog() const { return m_messageLog; }
  int CountOf(std::uint32_t msg) const;

 protected:
  bool OnInitDialog() override;

 private:
  QString m_note;
  std::vector<std::uint32_t> m_messageLog;
};

}  // namespace zembra
