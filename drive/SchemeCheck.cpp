#include "drive/SchemeCheck.h"

#include <QString>

#include "drive/FieldText.h"
#include "drive/ParameterTable.h"
#include "drive/ParameterValidation.h"
#include "drive/SchemeMapping.h"
#include "platform/Gbk.h"

namespace zembra::drive {
namespace {

std::string Gbk(std::string_view utf8) {
  return ToGbk(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

std::string Utf8(const std::string& gbk) { return FromGbk(gbk).toStdString(); }

// Whether a write sends the key's value.
bool Sent(const SchemeKey& key, bool changeBaud) {
  if (ParameterTable::Info(key.field).schemeOnly) return false;
  if (key.value == SchemeValue::SerialBaud || key.value == SchemeValue::CanBaud) return changeBaud;
  return true;
}

bool IsListRate(const SchemeKey& key, int value) {
  const std::string text = std::to_string(value);
  return key.value == SchemeValue::SerialBaud ? ParameterTable::FindSerialBaud(text) >= 0
                                              : ParameterTable::FindCanBaud(text) >= 0;
}

// Why the page would show the value differently from the file's text, or
// refuse to write it; empty when it would not.
std::string Judge(const SchemeKey& key, const std::string& text, SchemeUse use, bool changeBaud) {
  const ParsedNumber parsed = ParseNumber(key.field, text);
  if (!parsed.value) return parsed.problem;
  const double value = *parsed.value;
  const FieldInfo& info = ParameterTable::Info(key.field);
  switch (key.value) {
    case SchemeValue::ModeWord: {
      const int mode = static_cast<int>(value) / 256;
      const int signal = static_cast<int>(value) % 256;
      if (value < 0 || mode > 3) return "运行模式应为 0 到 3（速度、位置、转矩、放大器）乘以 256";
      if (signal > 5 || signal == 4) return "信号来源应为 0、1、2、3 或 5";
      return {};
    }
    case SchemeValue::Direction:
      return value == 0 || value == 1 ? std::string() : "应为 0（正转）或 1（反转）";
    case SchemeValue::SerialBaud:
    case SchemeValue::CanBaud: {
      const bool listed = IsListRate(key, static_cast<int>(value));
      if (changeBaud && !listed) return "更改波特率时应为列表中的波特率";
      // A file saved while the list showed no rate holds 0.
      return listed || value == 0 ? std::string() : "不是列表中的波特率";
    }
    case SchemeValue::Int:
    case SchemeValue::Real:
      break;
  }
  switch (info.kind) {
    case ControlKind::Check:
      return value == 0 || value == 1 ? std::string() : "应为 0 或 1";
    case ControlKind::RadioGroup:
      return value >= 0 && value < static_cast<double>(info.choices.size())
                 ? std::string()
                 : "应为 0 到 " + std::to_string(info.choices.size() - 1);
    default:
      break;
  }
  if (use == SchemeUse::Write && !info.schemeOnly) {
    ParameterSet probe;
    probe.Set(key.field, value);
    if (!InRange(key.field, probe)) return "超出范围：" + RangeSpan(key.field);
  }
  return {};
}

}  // namespace

std::optional<SchemeProblem> CheckScheme(CIniStore& store, SchemeUse use, bool changeBaud, ParameterSet& set) {
  const std::string section(ParameterTable::kSchemeSection);
  const int sectionIndex = store.FindSection(section);
  if (sectionIndex < 0) return SchemeProblem{{}, {}, "不是参数方案文件：没有“option”段"};
  for (const SchemeKey& key : ParameterTable::SchemeKeys()) {
    const std::string name = Gbk(key.key);
    if (store.FindEntry(sectionIndex, name) < 0) {
      // The page would show a missing key as 0; a write must not send a 0
      // nobody gave.
      if (use == SchemeUse::Write && Sent(key, changeBaud))
        return SchemeProblem{std::string(key.key), {}, "文件中没有这个参数"};
      continue;
    }
    const std::string text = Utf8(store.GetString(section, name));
    if (std::string reason = Judge(key, text, use, changeBaud); !reason.empty())
      return SchemeProblem{std::string(key.key), text, reason};
  }
  if (SchemeMapping::Load(store, set) != SchemeLoadResult::Loaded)
    return SchemeProblem{{}, {}, "不是参数方案文件：其中没有任何参数"};
  if (use == SchemeUse::Write) {
    if (std::optional<FieldProblem> problem = CheckForWrite(set, changeBaud)) {
      const SchemeKey* key = ParameterTable::SchemeKeyOf(problem->field);
      if (!key) return SchemeProblem{{}, {}, problem->message};
      return SchemeProblem{std::string(key->key), Utf8(store.GetString(section, Gbk(key->key))), problem->message};
    }
  }
  return std::nullopt;
}

}  // namespace zembra::drive
