#pragma once
// A whole scheme file as the page saves it (GBK, CR LF), with some keys
// changed or left out: the start of every test that hands a tool a file.
#include <map>
#include <optional>
#include <string>

#include "common/IniStore.h"
#include "drive/ParameterSet.h"
#include "drive/ParameterTable.h"
#include "drive/SchemeMapping.h"
#include "platform/Gbk.h"

namespace zembra::test {

// `changes`: UTF-8 key to its new text (UTF-8), or nothing to leave the
// key out.
inline std::string SchemeText(const drive::ParameterSet& values,
                              const std::map<std::string, std::optional<std::string>>& changes = {}) {
  CIniStore store({});
  drive::SchemeMapping::Store(values, store);
  const std::string section(drive::ParameterTable::kSchemeSection);
  std::string text = "[" + section + "]\r\n";
  for (const drive::SchemeKey& key : drive::ParameterTable::SchemeKeys()) {
    const std::string name = ToGbk(QString::fromUtf8(key.key.data(), static_cast<qsizetype>(key.key.size())));
    std::string value = store.GetString(section, name);
    if (const auto change = changes.find(std::string(key.key)); change != changes.end()) {
      if (!change->second) continue;
      value = ToGbk(QString::fromStdString(*change->second));
    }
    text += name + "=" + value + "\r\n";
  }
  return text;
}

}  // namespace zembra::test
