#pragma once
// What a write of a scheme file must send if it sends anything: each
// command carrying exactly the number the file's text says, read without
// the program's own parsing. Nothing when some text sent by the write is
// not such a number (garbage, a fraction in an integer key, a value a
// command cannot carry as written), or a key is missing.
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "common/IniStore.h"
#include "drive/ParameterTable.h"
#include "platform/Gbk.h"

namespace zembra::test {

// Every scheme key's text (UTF-8 key to UTF-8 text) found in the file.
inline std::map<std::string, std::string> SchemeTexts(CIniStore& store) {
  std::map<std::string, std::string> texts;
  const std::string section(drive::ParameterTable::kSchemeSection);
  const int index = store.FindSection(section);
  if (index < 0) return texts;
  for (const drive::SchemeKey& key : drive::ParameterTable::SchemeKeys()) {
    const std::string name = ToGbk(QString::fromUtf8(key.key.data(), static_cast<qsizetype>(key.key.size())));
    if (store.FindEntry(index, name) >= 0) texts[std::string(key.key)] = FromGbk(store.GetString(section, name)).toStdString();
  }
  return texts;
}

inline std::optional<std::vector<std::string>> ExpectedWrite(const std::map<std::string, std::string>& texts) {
  static const std::regex integer(R"(\s*[+-]?[0-9]{1,10}\s*)");
  static const std::regex real(R"(\s*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?\s*)");
  std::vector<std::string> commands;
  for (const drive::WriteStep& step : drive::ParameterTable::WriteSteps()) {
    const drive::SchemeKey* key = drive::ParameterTable::SchemeKeyOf(step.field);
    const auto text = key ? texts.find(std::string(key->key)) : texts.end();
    if (text == texts.end()) return std::nullopt;
    const std::string mnemonic(step.mnemonic);
    if (key->value == drive::SchemeValue::Real) {
      if (!std::regex_match(text->second, real)) return std::nullopt;
      const double value = std::trunc(std::strtod(text->second.c_str(), nullptr));
      if (!(std::fabs(value) <= 2147483647.0)) return std::nullopt;
      commands.push_back(mnemonic + std::to_string(static_cast<long long>(value)));
      continue;
    }
    if (!std::regex_match(text->second, integer)) return std::nullopt;
    const long long value = std::strtoll(text->second.c_str(), nullptr, 10);
    if (value < -2147483648LL || value > 2147483647LL) return std::nullopt;
    switch (step.rule) {
      case drive::WriteRule::Direction:
        if (value != 0 && value != 1) return std::nullopt;  // "SL"/"SR" carry no number
        commands.push_back(value == 1 ? "SL" : "SR");
        break;
      case drive::WriteRule::CheckFixed:
        if (value != 0 && value != 1) return std::nullopt;
        commands.push_back(value == 1 ? "SPOF1" : "SPOF0");
        break;
      default:
        commands.push_back(mnemonic + std::to_string(value));
        break;
    }
  }
  return commands;
}

}  // namespace zembra::test
