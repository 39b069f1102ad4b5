#pragma once
// A short explanation the page opens from a button: a few lines and "确定".
// It closes by itself about 21 seconds after it opened (the count of its
// one-second ticks passing 20), at once on "确定" or a double click. It is
// window-modal but never blocks the event loop, so reads and writes that
// run behind it go on.
#include <QDialog>
#include <QStringList>
#include <cstdint>

#include "platform/WindowRuntime.h"

namespace zembra {

class CHelpDialog : public QDialog, public MessageWindow {
  Q_OBJECT

 public:
  enum : int { IDD_ACCELERATION_UNITS = 214, IDD_PHASE_INIT = 215, IDOK = 1 };
  static constexpr std::uint32_t kTickMs = 1000;
  static constexpr int kTicksBeforeClosing = 20;

  CHelpDialog(int templateId, std::uint32_t timerId, const QString& title, const QStringList& lines,
              QWidget* parent = nullptr);
  ~CHelpDialog() override;

  // Dialog 214 (button "单位说明") and dialog 215 (button "说明").
  static CHelpDialog* AccelerationUnits(QWidget* parent);
  static CHelpDialog* PhaseInitialisation(QWidget* parent);

  int TemplateId() const { return m_templateId; }
  std::uint32_t TimerId() const { return m_timerId; }
  int Ticks() const { return m_ticks; }

  void OnTimer(std::uint32_t timerId) override;

 public slots:
  void accept() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  const int m_templateId;
  const std::uint32_t m_timerId;
  int m_ticks = 0;
};

}  // namespace zembra
