#pragma once
// Every modal question the program asks the user goes through one
// replaceable prompter. The program installs one that shows Qt dialogs;
// tests install one that records each prompt and gives scripted answers.
#include <QString>
#include <optional>

namespace zembra {

enum class PromptIcon { None, Error, Warning, Information, Question };

// A file dialog with the details a plain one leaves to the platform.
struct FileDialogRequest {
  QString caption;
  QString proposed;       // starting folder, or a file name to propose
  QString filter;         // e.g. "Quen Data Files (*.qnd)"
  QString defaultSuffix;  // added to a name typed without one, e.g. "qnd"
  bool confirmOverwrite = true;  // a save asks before replacing a file
};

struct SerialChoice {
  int comNumber = 1;  // n of COMn
  int baud = 9600;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual void ShowMessage(const QString& text, const QString& caption, PromptIcon icon) = 0;
  virtual bool AskYesNo(const QString& text, const QString& caption) = 0;
  virtual std::optional<QString> OpenFileName(const QString& caption, const QString& folder,
                                              const QString& filter) = 0;
  virtual std::optional<QString> SaveFileName(const QString& caption, const QString& folder,
                                              const QString& filter) = 0;
  // The same with a default suffix and the overwrite question; a prompter
  // that cannot show those falls back to the plain dialogs.
  virtual std::optional<QString> ChooseOpenFile(const FileDialogRequest& request) {
    return OpenFileName(request.caption, request.proposed, request.filter);
  }
  virtual std::optional<QString> ChooseSaveFile(const FileDialogRequest& request) {
    return SaveFileName(request.caption, request.proposed, request.filter);
  }
  // The serial settings dialog: the saved choice in, the user's choice
  // out, nothing when cancelled.
  virtual std::optional<SerialChoice> AskSerialSettings(const SerialChoice& saved) = 0;
};

// The prompter in force. Never null once the application has started; the
// caller keeps ownership of what it installs.
Prompter& CurrentPrompter();
void InstallPrompter(Prompter* prompter);

// Caption of the program's error boxes.
inline const char* const kErrorCaption = "伺服运控系统";

}  // namespace zembra
