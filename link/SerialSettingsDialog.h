#pragma once
// The serial settings dialog ("串口设置"): a port list and a baud list,
// preselected from the saved choice. It only asks; the caller writes the
// profile once the chosen port has actually opened.
#include <QDialog>
#include <optional>

#include "link/SerialSettingsModel.h"

class QComboBox;
class QPushButton;

namespace zembra {

class SerialSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  enum class ControlId : int { BaudList = 1096, Ok = 1097, Cancel = 1098, PortList = 1099 };

  explicit SerialSettingsDialog(SerialSettingsModel model, QWidget* parent = nullptr);

  // The choice the current selection makes.
  SerialChoice Choice() const { return m_model.Result(); }
  const SerialSettingsModel& Model() const { return m_model; }

  // Runs the dialog modally for this machine's ports: the choice on
  // "确 定", nothing on "取 消" or close.
  static std::optional<SerialChoice> Ask(const SerialChoice& saved, QWidget* parent = nullptr);

 private:
  SerialSettingsModel m_model;
  QComboBox* m_portList = nullptr;
  QComboBox* m_baudList = nullptr;
};

}  // namespace zembra
