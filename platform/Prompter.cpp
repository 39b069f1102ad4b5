#include "platform/Prompter.h"

#include <atomic>
#include <cstdio>

namespace zembra {
namespace {

// Used until the application installs its own: says what it would have
// asked on standard error and answers "no", so nothing waits for a user.
class FallbackPrompter final : public Prompter {
 public:
  void ShowMessage(const QString& text, const QString& caption, PromptIcon) override {
    std::fprintf(stderr, "%s: %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
  }
  bool AskYesNo(const QString& text, const QString& caption) override {
    ShowMessage(text, caption, PromptIcon::Question);
    return false;
  }
  std::optional<QString> OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QString> SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<SerialChoice> AskSerialSettings(const SerialChoice&) override { return {}; }
};

FallbackPrompter g_fallback;
std::atomic<Prompter*> g_current{nullptr};

}  // namespace

Prompter& CurrentPrompter() {
  Prompter* p = g_current.load();
  return p ? *p : g_fallback;
}

void InstallPrompter(Prompter* prompter) { g_current.store(prompter); }

}  // namespace zembra
