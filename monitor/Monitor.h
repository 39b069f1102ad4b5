#pragma once
// The monitoring page, second tab of the sheet view. For now it shows its
// caption and a note that it is being built, and keeps a log of the page
// messages it receives so the host and the main frame can be checked
// against it; the live chart and motion controls replace the log.
#include <QSize>
#include <cstdint>
#include <vector>

#include "app/PropertyViewPage.h"

namespace zembra {

class CMonitor : public CPropertyViewPage {
  Q_OBJECT

 public:
  enum : int { IDD = 142 };
  // The size the page is laid out for; the host fits its view to it.
  static constexpr QSize kTemplateSize{800, 560};

  CMonitor();

  std::intptr_t OnMessage(const WindowMessage& message) override;

  // Ids of the messages received, oldest first.
  const std::vector<std::uint32_t>& MessageLog() const { return m_messageLog; }
  int CountOf(std::uint32_t msg) const;

 protected:
  bool OnInitDialog() override;

 private:
  std::vector<std::uint32_t> m_messageLog;
};

}  // namespace zembra
