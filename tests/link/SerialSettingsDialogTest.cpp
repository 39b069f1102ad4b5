// SerialSettingsDialog: controls found by their ids and names, preselection
// shown from the model, and the choice returned by "确 定" and "取 消".
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>

#include "link/SerialSettingsDialog.h"

namespace zembra {
namespace {

const QStringList kPaths = {"/dev/ttyUSB0", "/dev/ttyS0"};

template <typename Control>
Control* FindControl(const QDialog& dialog, int id) {
  return dialog.findChild<Control*>(QStringLiteral("idc_%1").arg(id));
}

TEST(SerialSettingsDialogTest, ControlsCarryTheirIdsNamesAndPreselection) {
  SerialSettingsDialog dialog(SerialSettingsModel({2, 19200}, kPaths));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("串口设置"));

  auto* ports = FindControl<QComboBox>(dialog, 1099);
  auto* bauds = FindControl<QComboBox>(dialog, 1096);
  auto* ok = FindControl<QPushButton>(dialog, 1097);
  auto* cancel = FindControl<QPushButton>(dialog, 1098);
  ASSERT_TRUE(ports && bauds && ok && cancel);

  EXPECT_EQ(ports->accessibleDescription(), "idc_1099");
  EXPECT_EQ(ports->accessibleName(), QStringLiteral("串口号"));
  EXPECT_EQ(bauds->accessibleDescription(), "idc_1096");
  EXPECT_EQ(bauds->accessibleName(), QStringLiteral("波特率"));
  EXPECT_EQ(ok->text(), QStringLiteral("确 定"));
  EXPECT_EQ(ok->accessibleName(), QStringLiteral("确 定"));
  EXPECT_EQ(ok->accessibleDescription(), "idc_1097");
  EXPECT_EQ(cancel->accessibleName(), QStringLiteral("取 消"));
  EXPECT_EQ(cancel->accessibleDescription(), "idc_1098");

  ASSERT_EQ(ports->count(), 10);
  EXPECT_EQ(ports->itemText(0), "COM1 (/dev/ttyUSB0)");
  EXPECT_EQ(ports->currentIndex(), 1);
  ASSERT_EQ(bauds->count(), 4);
  EXPECT_EQ(bauds->currentText(), "19200");
}

TEST(SerialSettingsDialogTest, OkReturnsTheSelectionAndCancelRejects) {
  SerialSettingsDialog dialog(SerialSettingsModel({99, 1}, kPaths));
  auto* ports = FindControl<QComboBox>(dialog, 1099);
  auto* bauds = FindControl<QComboBox>(dialog, 1096);
  ASSERT_TRUE(ports && bauds);
  EXPECT_EQ(ports->currentIndex(), 0);
  EXPECT_EQ(bauds->currentText(), "9600");

  ports->setCurrentIndex(9);
  bauds->setCurrentIndex(0);
  FindControl<QPushButton>(dialog, 1097)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Choice().comNumber, 10);
  EXPECT_EQ(dialog.Choice().baud, 2400);

  SerialSettingsDialog other(SerialSettingsModel({1, 9600}, kPaths));
  FindControl<QPushButton>(other, 1098)->click();
  EXPECT_EQ(other.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace zembra
