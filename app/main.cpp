// zembra: commission a servo drive over RS-232.
#include <QApplication>
#include <cstdio>

#include "app/CommandLineOptions.h"
#include "app/VersionReport.h"
#include "app/ZembraApp.h"

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  zembra::CommandLineOptions options = zembra::CommandLineOptions::Parse(arguments);
  if (options.showHelp) {
    std::fputs(zembra::CommandLineOptions::HelpText().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (!options.error.isEmpty()) {
    std::fprintf(stderr, "zembra: %s\n", options.error.toLocal8Bit().constData());
    return 2;
  }
  if (options.showVersion) {
    QCoreApplication core(argc, argv);
    const zembra::VersionReport report =
        zembra::VersionReport::For(QStringLiteral(ZEMBRA_VERSION_TEXT), QCoreApplication::applicationDirPath());
    std::fputs(report.text.toLocal8Bit().constData(), report.found ? stdout : stderr);
    return report.found ? 0 : 1;
  }
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    std::fputs("zembra: 没有找到显示器。请在桌面上运行，或在虚拟显示器中运行：\n"
               "  xvfb-run -a zembra --simulate\n",
               stderr);
    return 1;
  }
  QApplication app(argc, argv);
  zembra::CZembraApp zembraApp(options);
  return zembraApp.Run();
}
