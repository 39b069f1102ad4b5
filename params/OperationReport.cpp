#include "params/OperationReport.h"

#include <QStringList>

#include "drive/ParameterTable.h"

namespace zembra {
namespace {

const QString kListSeparator = QStringLiteral("、");
// A result line names this many and counts the rest, so that it stays one
// line on the page.
constexpr qsizetype kNamed = 6;

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString Join(const QStringList& names) {
  if (names.size() <= kNamed) return names.join(kListSeparator);
  return names.first(kNamed).join(kListSeparator) + QStringLiteral("等%1项").arg(names.size());
}

QString Join(const std::vector<std::string_view>& mnemonics) {
  QStringList list;
  for (std::string_view m : mnemonics) list << Utf8(m);
  return Join(list);
}

QString NameOf(const drive::DriveCommand& command) { return Utf8(drive::ParameterTable::Info(command.field).name); }

}  // namespace

QString OperationReport::ReadProgress(int done, int total) {
  return QStringLiteral("读取参数 %1/%2").arg(done).arg(total);
}

QString OperationReport::ReadResult(const drive::ReadSummary& summary) {
  QString text = summary.stopped ? QStringLiteral("参数读取已停止：%1/%2").arg(summary.answered).arg(summary.total)
                                 : QStringLiteral("参数读取完成：%1/%2").arg(summary.answered).arg(summary.total);
  if (!summary.timedOut.empty()) text += QStringLiteral("，超时：") + Join(summary.timedOut);
  if (!summary.refused.empty()) text += QStringLiteral("，未能发出：") + Join(summary.refused);
  return text;
}

QString OperationReport::WriteProgress(int done, int total) {
  return QStringLiteral("写入参数 %1/%2").arg(done).arg(total);
}

QStringList OperationReport::Unwritten(std::span<const drive::DriveCommand> commands, const std::vector<bool>& sent) {
  QStringList names;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (i < sent.size() && sent[i]) continue;
    const QString name = NameOf(commands[i]);
    if (!names.contains(name)) names << name;
  }
  return names;
}

QString OperationReport::WriteResult(const drive::CommandSummary& summary,
                                     std::span<const drive::DriveCommand> commands, const std::vector<bool>& sent) {
  const QString count = QStringLiteral("%1/%2").arg(summary.sent).arg(summary.total);
  QString text = summary.Complete() ? QStringLiteral("参数写入完成：") + count
                                    : QStringLiteral("参数写入未完成：") + count;
  const QStringList unwritten = Unwritten(commands, sent);
  if (!unwritten.isEmpty()) text += QStringLiteral("，未写入：") + Join(unwritten);
  if (!summary.answeredError.empty()) {
    QStringList refusedByDrive;
    for (std::string_view mnemonic : summary.answeredError) {
      for (const drive::DriveCommand& command : commands) {
        if (command.mnemonic != mnemonic) continue;
        if (!refusedByDrive.contains(NameOf(command))) refusedByDrive << NameOf(command);
        break;
      }
    }
    text += QStringLiteral("，驱动器回复ERR：") + Join(refusedByDrive);
  }
  return text;
}

}  // namespace zembra
