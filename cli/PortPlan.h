#pragma once
// What one port's job is to do, decided before anything is sent: the
// device, the command, the values a read starts from, and the commands of
// a write or a send.
#include <QString>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/RestoreTask.h"
#include "drive/ParameterSet.h"

namespace zembra::cli {

struct PortPlan {
  int index = 0;  // 1-based place on the command line
  QString device;
  int baud = 9600;
  CliCommand command = CliCommand::None;
  QString file;
  // read: a fresh page; backup: a fresh page or the existing file's
  // values; verify: the file's values.
  drive::ParameterSet start;
  RestorePlan restore;
  std::vector<std::string> sendCommands;  // each with its "\r"
};

}  // namespace zembra::cli
