#include "drive/HeldValues.h"

#include "drive/FieldText.h"

namespace zembra::drive {

std::string HeldValues::Text(Field field) const {
  if (const std::optional<std::string>& text = m_driveTexts[Index(field)]) return *text;
  return FormatNumber(field, m_values.Value(field));
}

std::string HeldValues::DisplayText(Field field) const {
  if (const std::optional<std::string>& text = m_driveTexts[Index(field)]) return *text;
  return ChoiceText(field, m_values);
}

void HeldValues::Set(Field field, double value) {
  m_values.Set(field, value);
  m_driveTexts[Index(field)].reset();
}

void HeldValues::SetFromDrive(Field field, double value, const std::optional<std::string>& text) {
  m_values.Set(field, value);
  // A reply that reads exactly as the number it holds is shown as that
  // number: only replies the page could not write itself stay as text.
  if (text && *text == FormatNumber(field, m_values.Value(field))) {
    m_driveTexts[Index(field)].reset();
  } else {
    m_driveTexts[Index(field)] = text;
  }
}

void HeldValues::Commit(const ParameterSet& values, std::span<const Field> typed) {
  m_values = values;
  for (Field field : typed) m_driveTexts[Index(field)].reset();
}

void HeldValues::Replace(const ParameterSet& values) {
  m_values = values;
  for (auto& text : m_driveTexts) text.reset();
}

}  // namespace zembra::drive
