#include "monitor/NumberEntry.h"

#include <QLineEdit>

#include "platform/Prompter.h"

namespace zembra {
namespace {

bool Refuse(QLineEdit* edit, const QString& text) {
  CurrentPrompter().ShowMessage(text, QString::fromUtf8(kErrorCaption), PromptIcon::Warning);
  edit->setFocus();
  edit->selectAll();
  return false;
}

}  // namespace

bool NumberEntry::ReadInt(QLineEdit* edit, std::int32_t& out) {
  bool ok = false;
  const int value = edit->text().trimmed().toInt(&ok);
  if (!ok) return Refuse(edit, QStringLiteral("请输入一个整数。"));
  out = value;
  return true;
}

bool NumberEntry::ReadUnsigned(QLineEdit* edit, std::uint32_t& out) {
  bool ok = false;
  const uint value = edit->text().trimmed().toUInt(&ok);
  if (!ok) return Refuse(edit, QStringLiteral("请输入一个不小于0的整数。"));
  out = value;
  return true;
}

}  // namespace zembra
