#include "drive/SchemeMapping.h"

#include <QString>

#include "drive/ParameterTable.h"
#include "platform/Gbk.h"

#include <cstdlib>

namespace zembra::drive {
namespace {

const std::string& Section() {
  static const std::string section(ParameterTable::kSchemeSection);
  return section;
}

std::string KeyBytes(std::string_view utf8Key) {
  return ToGbk(QString::fromUtf8(utf8Key.data(), static_cast<qsizetype>(utf8Key.size())));
}

int ListNumber(std::string_view text) { return std::atoi(std::string(text).c_str()); }

}  // namespace

int SchemeMapping::ModeValue(const ParameterSet& set) {
  return set.Int(Field::RunMode) * 256 + ParameterSet::SignalCodeOf(set.Int(Field::SignalSource));
}

void SchemeMapping::Store(const ParameterSet& set, CIniStore& store) {
  for (const SchemeKey& key : ParameterTable::SchemeKeys()) {
    const std::string name = KeyBytes(key.key);
    switch (key.value) {
      case SchemeValue::Int:
        store.SetInt(Section(), name, set.Int(key.field), true);
        break;
      case SchemeValue::Real:
        store.SetDouble(Section(), name, set.Float(key.field), true);
        break;
      case SchemeValue::ModeWord:
        store.SetInt(Section(), name, ModeValue(set), true);
        break;
      case SchemeValue::Direction:
        store.SetInt(Section(), name, set.Int(key.field) == 1 ? 1 : 0, true);
        break;
      case SchemeValue::SerialBaud:
        store.SetInt(Section(), name, ListNumber(set.SerialBaudText()), true);
        break;
      case SchemeValue::CanBaud:
        store.SetInt(Section(), name, ListNumber(set.CanBaudText()), true);
        break;
    }
  }
}

SchemeLoadResult SchemeMapping::Load(CIniStore& store, ParameterSet& set) {
  const int section = store.FindSection(Section());
  if (section < 0) return SchemeLoadResult::NoOptionSection;
  bool anyKey = false;
  for (const SchemeKey& key : ParameterTable::SchemeKeys())
    anyKey = anyKey || store.FindEntry(section, KeyBytes(key.key)) >= 0;
  // Loading a file that holds none of the keys would zero every field, and
  // a later write would send the zeros.
  if (!anyKey) return SchemeLoadResult::NoKnownKey;

  for (const SchemeKey& key : ParameterTable::SchemeKeys()) {
    const std::string name = KeyBytes(key.key);
    switch (key.value) {
      case SchemeValue::Int:
        set.Set(key.field, store.GetInt(Section(), name));
        break;
      case SchemeValue::Real:
        set.Set(key.field, store.GetDouble(Section(), name));
        break;
      case SchemeValue::ModeWord: {
        const int value = store.GetInt(Section(), name);
        const int mode = value / 256;
        const int signal = value % 256;
        set.Set(Field::RunMode, mode >= 1 && mode <= 3 ? mode : 0);
        // Files of older versions never hold 5; 5 is the single-ended source.
        set.Set(Field::SignalSource, signal == 5 ? 4 : (signal >= 1 && signal <= 3 ? signal : 0));
        break;
      }
      case SchemeValue::Direction:
        set.Set(key.field, store.GetInt(Section(), name) != 0 ? 1 : 0);
        break;
      case SchemeValue::SerialBaud:
        // Not in the list: no selection.
        set.Set(key.field, ParameterTable::FindSerialBaud(std::to_string(store.GetInt(Section(), name))));
        break;
      case SchemeValue::CanBaud: {
        const int index = ParameterTable::FindCanBaud(std::to_string(store.GetInt(Section(), name)));
        set.Set(key.field, index >= 0 ? index : 3);  // not in the list: "125"
        break;
      }
    }
  }
  return SchemeLoadResult::Loaded;
}

}  // namespace zembra::drive
