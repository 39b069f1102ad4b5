#include "app/CommandLineOptions.h"

#include "app/DebugSwitches.h"

namespace zembra {

CommandLineOptions CommandLineOptions::Parse(const QStringList& arguments) {
  CommandLineOptions options;
  options.debugMode = DebugSwitches::Scan(arguments.join(QLatin1Char(' ')));
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--simulate")) {
      options.simulate = true;
    } else if (a == QLatin1String("--port")) {
      if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
        options.error = QStringLiteral("--port 需要一个设备路径，例如 --port /dev/ttyUSB0");
        return options;
      }
      options.portOverride = arguments[++i];
    } else if (a.startsWith(QLatin1String("--port="))) {
      options.portOverride = a.mid(7);
      if (options.portOverride.isEmpty()) {
        options.error = QStringLiteral("--port 需要一个设备路径，例如 --port /dev/ttyUSB0");
        return options;
      }
    } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      options.showHelp = true;
    } else if (a == QLatin1String("--version")) {
      options.showVersion = true;
    } else if (a.compare(QLatin1String("/XRBLNOQ"), Qt::CaseInsensitive) == 0 ||
               a.compare(QLatin1String("/J"), Qt::CaseInsensitive) == 0) {
      // debug switch, taken above
    } else if (a.startsWith(QLatin1String("--"))) {
      options.error = QStringLiteral("未知选项 %1（见 --help）").arg(a);
      return options;
    }
    // Anything else is left alone, as the drive tools always did.
  }
  if (options.simulate && !options.portOverride.isEmpty())
    options.error = QStringLiteral("--simulate 和 --port 不能同时使用");
  return options;
}

QString CommandLineOptions::HelpText() {
  return QStringLiteral(
      "用法：zembra [选项]\n"
      "通过 RS-232 配置、调试和校验伺服驱动器。\n"
      "\n"
      "  --port 路径   本次运行使用串口设备“路径”，而不是保存的COM口\n"
      "                （除非在程序中更改通讯参数设置，否则不保存任何内容）\n"
      "  --simulate    启动内置虚拟驱动器并与之连接\n"
      "  /XRBLNOQ, /J  调试模式：没有驱动器也按已连接处理\n"
      "  --version     显示版本和所用的版本文件\n"
      "  --help        显示本说明\n");
}

}  // namespace zembra
