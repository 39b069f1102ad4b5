#include "params/SchemeFiles.h"

#include <QFile>
#include <QFileInfo>

#include "common/IniStore.h"
#include "drive/SchemeMapping.h"
#include "platform/Prompter.h"

namespace zembra {
namespace {

QString Caption() { return QString::fromUtf8(kErrorCaption); }

void Tell(const QString& text, PromptIcon icon) { CurrentPrompter().ShowMessage(text, Caption(), icon); }

std::string FileSystemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString WithReason(const QString& text, const std::string& reason) {
  return reason.empty() ? text : QStringLiteral("%1（%2）").arg(text, QString::fromLocal8Bit(reason));
}

FileDialogRequest SchemeDialog(const QString& caption, const QString& proposed) {
  FileDialogRequest request;
  request.caption = caption;
  request.proposed = proposed;
  request.filter = SchemeFiles::kFilter;
  request.defaultSuffix = SchemeFiles::kSuffix;
  request.confirmOverwrite = true;
  return request;
}

}  // namespace

SchemeFiles::SaveOutcome SchemeFiles::Save(const QString& proposedName,
                                           const std::function<std::optional<drive::ParameterSet>()>& takeValues) {
  const std::optional<QString> path =
      CurrentPrompter().ChooseSaveFile(SchemeDialog(QStringLiteral("保存参数方案"), proposedName));
  if (!path) return SaveOutcome::Cancelled;
  CIniStore store(FileSystemPath(*path));
  // An existing file keeps its other sections and keys; a new one comes
  // into being whole with the save, so a save that fails leaves no empty
  // file behind.
  if (QFileInfo::exists(*path) && !store.LoadExisting()) {
    Tell(WithReason(QStringLiteral("%1：无法读取已有的文件“%2”").arg(kSaveFailed, *path), store.LastError()),
         PromptIcon::Error);
    return SaveOutcome::CannotOpen;
  }
  const std::optional<drive::ParameterSet> values = takeValues();
  if (!values) return SaveOutcome::NotTaken;
  drive::SchemeMapping::Store(*values, store);
  if (!store.Save()) {
    Tell(WithReason(QStringLiteral("%1：无法写入文件“%2”").arg(kSaveFailed, *path), store.LastError()),
         PromptIcon::Error);
    return SaveOutcome::WriteFailed;
  }
  Tell(kSaved, PromptIcon::Information);
  return SaveOutcome::Saved;
}

SchemeFiles::LoadOutcome SchemeFiles::Read(const QString& caption, drive::ParameterSet& values, QString* chosen) {
  const std::optional<QString> path = CurrentPrompter().ChooseOpenFile(SchemeDialog(caption, QString()));
  if (!path) return LoadOutcome::Cancelled;
  if (chosen) *chosen = *path;
  CIniStore store(FileSystemPath(*path));
  if (!store.LoadExisting()) {
    Tell(WithReason(QStringLiteral("方案加载失败：无法读取文件“%1”").arg(*path), store.LastError()), PromptIcon::Error);
    return LoadOutcome::CannotRead;
  }
  // Into a copy first: a file that is not a scheme leaves the values as
  // they are.
  drive::ParameterSet loaded = values;
  switch (drive::SchemeMapping::Load(store, loaded)) {
    case drive::SchemeLoadResult::Loaded:
      break;
    case drive::SchemeLoadResult::NoOptionSection:
      Tell(QStringLiteral("“%1”不是参数方案文件：没有“option”段，参数未更改").arg(*path), PromptIcon::Error);
      return LoadOutcome::NotAScheme;
    case drive::SchemeLoadResult::NoKnownKey:
      Tell(QStringLiteral("“%1”不是参数方案文件：其中没有任何参数，参数未更改").arg(*path), PromptIcon::Error);
      return LoadOutcome::NotAScheme;
  }
  values = loaded;
  return LoadOutcome::Loaded;
}

SchemeFiles::LoadOutcome SchemeFiles::Load(drive::ParameterSet& values) {
  // Nobody is asked to replace values with nothing.
  drive::ParameterSet loaded = values;
  const LoadOutcome outcome = Read(QStringLiteral("加载参数方案"), loaded, nullptr);
  if (outcome != LoadOutcome::Loaded) return outcome;
  if (!CurrentPrompter().AskYesNo(kReplaceQuestion, Caption())) return LoadOutcome::Declined;
  values = loaded;
  return LoadOutcome::Loaded;
}

}  // namespace zembra
