#include "cli/SchemeBackup.h"

#include <sys/stat.h>

#include "common/IniStore.h"
#include "drive/SchemeMapping.h"

namespace zembra::cli {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::optional<std::string> SchemeBackup::StartValues(const std::string& path, const drive::ParameterSet& freshPage,
                                                     drive::ParameterSet& start) {
  start = freshPage;
  CIniStore store(path);
  // Found out now, not after the drive was read: a refusal means nothing
  // was sent.
  if (!store.CanSave()) return "无法在此保存 " + path + "：" + store.LastError();
  if (!Exists(path)) return std::nullopt;
  if (!store.LoadExisting()) return "无法读取已有的文件 " + path;
  drive::ParameterSet fromFile = freshPage;
  if (drive::SchemeMapping::Load(store, fromFile) != drive::SchemeLoadResult::Loaded)
    return "已有的文件 " + path + " 不是参数方案文件，不会覆盖它";
  start = fromFile;
  return std::nullopt;
}

std::optional<std::string> SchemeBackup::Write(const std::string& path, const drive::ParameterSet& values) {
  // A missing file is not created empty first: until the one rename of
  // Save() there is nothing at `path` that could be left behind.
  CIniStore store(path);
  if (Exists(path) && !store.LoadExisting()) return "无法读取已有的文件 " + path;
  drive::SchemeMapping::Store(values, store);
  if (!store.Save()) return "无法保存 " + path + "：" + store.LastError();
  return std::nullopt;
}

}  // namespace zembra::cli
