#pragma once
// Turns the command line into one plan per port, and refuses before
// anything is sent whatever would fail later for want of a usable file:
// a FILE without {n} or {port} for several backups, two ports writing one
// file, an unreadable file, a file that is not a scheme, a scheme the
// page's checks refuse, a text with nothing to send.
#include <QString>
#include <QStringList>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/PortPlan.h"
#include "drive/ParameterSet.h"

namespace zembra::cli {

struct PlanResult {
  std::vector<PortPlan> plans;
  QString error;  // non-empty: nothing may be sent
};

class JobPlanner {
 public:
  // `devices` in command-line order; `baud` the serial rate to open them
  // at; `freshPage` the values the parameter page starts with.
  static PlanResult Plan(const CliOptions& options, const QStringList& devices, int baud,
                         const drive::ParameterSet& freshPage);
};

}  // namespace zembra::cli
