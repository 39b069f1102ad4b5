#include "cli/CliOptions.h"

namespace zembra::cli {
namespace {

struct CommandWord {
  const char* word;
  CliCommand command;
};

constexpr CommandWord kCommands[] = {
    {"read", CliCommand::Read},       {"backup", CliCommand::Backup}, {"restore", CliCommand::Restore},
    {"verify", CliCommand::Verify},   {"send", CliCommand::Send},
};

bool IsCount(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  return true;
}

// A count the run can use, or -1. Zero and numbers too large for an int
// are refused here rather than read as 0, which would mean "no virtual
// drive" and quietly send the run to the saved real port instead.
int SimulateCount(const QString& text) {
  bool ok = false;
  const int count = IsCount(text) ? text.toInt(&ok) : 0;
  return ok && count >= 1 && count <= CliOptions::kMaxSimulated ? count : -1;
}

// Takes the value of "--name VALUE" or "--name=VALUE"; false (with the
// error set) when there is none.
bool TakeValue(const QStringList& args, qsizetype& i, const QString& name, QString& value, QString& error) {
  const QString& a = args[i];
  if (a.startsWith(name + QLatin1Char('='))) {
    value = a.mid(name.size() + 1);
  } else if (i + 1 < args.size()) {
    value = args[++i];
  } else {
    value.clear();
  }
  if (value.isEmpty()) {
    error = QStringLiteral("%1 需要一个值（见 --help）").arg(name);
    return false;
  }
  return true;
}

}  // namespace

QString CliOptions::CommandName(CliCommand command) {
  for (const CommandWord& c : kCommands)
    if (c.command == command) return QString::fromLatin1(c.word);
  return {};
}

CliOptions CliOptions::Parse(const QStringList& args) {
  CliOptions o;
  QStringList positional;
  bool optionsEnded = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
      positional << a;
    } else if (a == QLatin1String("--")) {
      optionsEnded = true;
    } else if (a == QLatin1String("--port") || a.startsWith(QLatin1String("--port="))) {
      QString path;
      if (!TakeValue(args, i, QStringLiteral("--port"), path, o.error)) return o;
      if (o.ports.contains(path)) {
        o.error = QStringLiteral("--port %1 给出了两次；每台驱动器要有自己的端口").arg(path);
        return o;
      }
      o.ports << path;
    } else if (a == QLatin1String("--simulate")) {
      o.simulate = 1;
      if (i + 1 < args.size() && IsCount(args[i + 1])) o.simulate = SimulateCount(args[++i]);
    } else if (a.startsWith(QLatin1String("--simulate="))) {
      o.simulate = SimulateCount(a.mid(11));
    } else if (a == QLatin1String("--json")) {
      o.json = true;
    } else if (a == QLatin1String("--quiet") || a == QLatin1String("-q")) {
      o.quiet = true;
    } else if (a == QLatin1String("--eeprom")) {
      o.eeprom = true;
    } else if (a == QLatin1String("--change-baud")) {
      o.changeBaud = true;
    } else if (a == QLatin1String("--verify")) {
      o.verify = true;
    } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      o.showHelp = true;
    } else if (a == QLatin1String("--version")) {
      o.showVersion = true;
    } else {
      o.error = QStringLiteral("未知选项 %1（见 --help）").arg(a);
      return o;
    }
  }
  if (o.showHelp || o.showVersion) return o;

  if (positional.isEmpty()) {
    o.error = QStringLiteral("没有给出命令：read、backup、restore、verify 或 send（见 --help）");
    return o;
  }
  const QString word = positional.takeFirst();
  for (const CommandWord& c : kCommands)
    if (word == QLatin1String(c.word)) o.command = c.command;
  if (o.command == CliCommand::None) {
    o.error = QStringLiteral("未知命令 %1：应为 read、backup、restore、verify 或 send（见 --help）").arg(word);
    return o;
  }

  switch (o.command) {
    case CliCommand::Read:
      if (!positional.isEmpty()) o.error = QStringLiteral("read 不带参数");
      break;
    case CliCommand::Backup:
    case CliCommand::Restore:
    case CliCommand::Verify:
      if (positional.size() != 1 || positional.front().isEmpty())
        o.error = QStringLiteral("%1 需要恰好一个文件").arg(word);
      else
        o.file = positional.front();
      break;
    case CliCommand::Send:
      if (positional.isEmpty()) o.error = QStringLiteral("send 至少需要一段命令文本");
      o.texts = positional;
      break;
    case CliCommand::None:
      break;
  }
  if (!o.error.isEmpty()) return o;

  if ((o.eeprom || o.changeBaud || o.verify) && o.command != CliCommand::Restore)
    o.error = QStringLiteral("--eeprom、--change-baud 和 --verify 只用于 restore");
  else if (o.simulate != 0 && !o.ports.isEmpty())
    o.error = QStringLiteral("--simulate 和 --port 不能同时使用");
  else if (o.simulate < 0 || o.simulate > kMaxSimulated)
    o.error = QStringLiteral("--simulate 的数量须为 1 到 %1").arg(kMaxSimulated);
  return o;
}

QString CliOptions::HelpText() {
  return QStringLiteral(
      "用法：zembra-cli [--port 路径]... [--simulate [N]] [--json] [--quiet] 命令 [参数]\n"
      "通过 RS-232 备份、恢复和校验伺服驱动器，所有端口同时进行。\n"
      "\n"
      "命令：\n"
      "  read                 识别每台驱动器并读取其参数\n"
      "  backup 文件          读取参数，再保存为参数方案文件（*.qnd）\n"
      "  restore 文件 [--verify] [--eeprom] [--change-baud]\n"
      "                       把参数方案文件的参数写入每台驱动器；\n"
      "                       --verify 写入后读回并比较（有不同时退出状态为 1，\n"
      "                       且不保存至EEPROM），\n"
      "                       --eeprom 写入后再保存至驱动器的EEPROM，\n"
      "                       --change-baud 同时发送文件中的RS232和CAN波特率\n"
      "  verify 文件          读取参数并与参数方案文件比较\n"
      "  send 文本...         把每段文本作为命令发送，并显示回复\n"
      "\n"
      "选项：\n"
      "  --port 路径          接有一台驱动器的串口设备；多台驱动器时重复给出，\n"
      "                       所有端口同时进行\n"
      "  --simulate [N]       改用 N 台内置虚拟驱动器（1 到 16，默认 1）\n"
      "                       不给 --port 也不给 --simulate 时：使用 zembra 保存的COM口。\n"
      "  --json               在标准输出上输出一个 JSON 文档\n"
      "  --quiet, -q          不在标准错误上显示进度\n"
      "  --help, -h           显示本说明\n"
      "  --version            显示程序版本\n"
      "\n"
      "多个端口时，文件为每台驱动器各指定一个文件：{n} 代表端口在命令行上的序号\n"
      "（1、2……），{port} 代表设备名（如 ttyUSB0）。backup 必须使用其中之一；\n"
      "restore 和 verify 可以让所有驱动器共用一个文件。\n"
      "\n"
      "退出状态：0 成功；1 校验发现不同，或有命令未被确认；2 用法错误或文件不可用\n"
      "（没有发送任何内容）；3 端口无法打开，或驱动器没有应答；130 被中断。\n"
      "多个端口时取其中最差的结果。\n");
}

}  // namespace zembra::cli
