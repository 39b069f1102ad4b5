#pragma once
// A prompter for tests: records every prompt and answers from a script,
// so no test ever waits on a modal dialog.
#include <deque>
#include <optional>
#include <vector>

#include "platform/Prompter.h"

namespace zembra::test {

struct RecordedPrompt {
  QString text;
  QString caption;
  PromptIcon icon;
};

class RecordingPrompter final : public Prompter {
 public:
  RecordingPrompter() { InstallPrompter(this); }
  ~RecordingPrompter() override { InstallPrompter(nullptr); }

  void ShowMessage(const QString& text, const QString& caption, PromptIcon icon) override {
    prompts.push_back({text, caption, icon});
  }
  bool AskYesNo(const QString& text, const QString& caption) override {
    prompts.push_back({text, caption, PromptIcon::Question});
    return yesNoAnswer;
  }
  std::optional<QString> OpenFileName(const QString& caption, const QString&, const QString&) override {
    prompts.push_back({{}, caption, PromptIcon::None});
    return fileAnswer;
  }
  std::optional<QString> SaveFileName(const QString& caption, const QString&, const QString&) override {
    prompts.push_back({{}, caption, PromptIcon::None});
    return fileAnswer;
  }
  std::optional<QString> ChooseOpenFile(const FileDialogRequest& request) override {
    prompts.push_back({{}, request.caption, PromptIcon::None});
    fileDialogs.push_back(request);
    return fileAnswer;
  }
  std::optional<QString> ChooseSaveFile(const FileDialogRequest& request) override {
    prompts.push_back({{}, request.caption, PromptIcon::None});
    fileDialogs.push_back(request);
    return fileAnswer;
  }
  std::optional<SerialChoice> AskSerialSettings(const SerialChoice& saved) override {
    serialDialogShown.push_back(saved);
    if (serialAnswers.empty()) return std::nullopt;
    std::optional<SerialChoice> answer = serialAnswers.front();
    serialAnswers.pop_front();
    return answer;
  }

  int CountOf(const QString& text) const {
    int n = 0;
    for (const auto& p : prompts) n += p.text == text ? 1 : 0;
    return n;
  }

  std::vector<RecordedPrompt> prompts;
  bool yesNoAnswer = false;
  std::optional<QString> fileAnswer;
  std::vector<FileDialogRequest> fileDialogs;  // the dialogs asked with details
  std::deque<std::optional<SerialChoice>> serialAnswers;
  std::vector<SerialChoice> serialDialogShown;
};

}  // namespace zembra::test
