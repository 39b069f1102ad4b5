#pragma once
// The results for people (and simple scripts): one block per port on
// standard output, tab-separated lines; why a port failed on standard
// error; with several ports a summary line per port.
#include <ostream>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/PortReport.h"

namespace zembra::cli {

class TextReport {
 public:
  static void Write(CliCommand command, const std::vector<PortReport>& reports, std::ostream& out, std::ostream& err);

  // "成功", "不一致", ... for a port's status.
  static QString StatusWord(CliCommand command, ExitStatus status);
  // A reply as text; a binary reply (the parameter block) as hex bytes.
  static QString ReplyText(const std::string& reply);

 private:
  static void WriteBlock(CliCommand command, const PortReport& report, std::ostream& out);
  static void WriteReadout(const PortReport& report, std::ostream& out);
};

}  // namespace zembra::cli
