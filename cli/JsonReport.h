#pragma once
// The results for programs: one JSON document on standard output with the
// run's status and an object per port.
#include <QJsonObject>
#include <QString>
#include <ostream>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/PortReport.h"

namespace zembra::cli {

class JsonReport {
 public:
  static QJsonObject Document(CliCommand command, const std::vector<PortReport>& reports, ExitStatus status);
  // A run refused before any port was opened.
  static QJsonObject Refusal(CliCommand command, ExitStatus status, const QString& error);
  static void Write(const QJsonObject& document, std::ostream& out);

 private:
  static QJsonObject Port(CliCommand command, const PortReport& report);
};

}  // namespace zembra::cli
