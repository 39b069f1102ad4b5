#pragma once
// A page for host tests: it records activations, control refreshes and
// messages, and can be told to refuse being left, entered or created.
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstdint>
#include <vector>

#include "pagehost/PropertyViewPage.h"

namespace zembra::test {

class ProbePage : public CPropertyViewPage {
 public:
  explicit ProbePage(const QString& title, QSize size = QSize(300, 200))
      : CPropertyViewPage(500, size) {
    setWindowTitle(title);
  }

  std::intptr_t OnMessage(const WindowMessage& message) override {
    log.push_back(message.msg);
    return 0;
  }
  bool OnSetActive() override {
    ++setActiveCalls;
    if (refuseEnter) return false;
    return CPropertyViewPage::OnSetActive();
  }
  bool UpdateData(bool save) override {
    if (save) {
      ++saves;
      return !invalidInput;
    }
    ++refreshes;
    return true;
  }
  void OnPageUpdate(QObject* sender, std::intptr_t hint, QObject* object) override {
    ++pageUpdates;
    lastSender = sender;
    lastHint = hint;
    lastObject = object;
  }

  int Count(std::uint32_t msg) const {
    int n = 0;
    for (auto m : log) n += m == msg;
    return n;
  }

  QLineEdit* edit = nullptr;
  std::vector<std::uint32_t> log;
  int setActiveCalls = 0;
  int saves = 0;
  int refreshes = 0;
  int pageUpdates = 0;
  QObject* lastSender = nullptr;
  std::intptr_t lastHint = 0;
  QObject* lastObject = nullptr;
  bool refuseEnter = false;
  bool invalidInput = false;
  bool failCreate = false;
  bool swallowKeys = false;
  std::vector<int> swallowedKeys;

 protected:
  bool OnInitDialog() override {
    if (failCreate) return false;
    auto* layout = new QVBoxLayout(this);
    edit = new QLineEdit(this);
    edit->setAccessibleName(QStringLiteral("probe"));
    layout->addWidget(edit);
    return true;
  }
  bool OnPreTranslateKey(const QKeyEvent& event) override {
    if (!swallowKeys) return false;
    swallowedKeys.push_back(event.key());
    return true;
  }
};

}  // namespace zembra::test
