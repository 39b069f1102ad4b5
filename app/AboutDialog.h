#pragma once
// The about box: the program's title and version, our rights notice, and a
// hidden link line that opens the maker's address. A click anywhere closes it.
#include <QDialog>

namespace zembra {

class AboutDialog : public QDialog {
 public:
  static constexpr int kDialogId = 100;
  static constexpr int kLinkId = 1181;
  static inline const char* const kWebAddress = "https://zembra.example.org/";

  explicit AboutDialog(const QString& versionText, QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace zembra
