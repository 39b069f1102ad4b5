#pragma once
// Everything one port's run found out, for the text and JSON reports.
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "cli/ExitStatus.h"
#include "cli/SchemeComparison.h"
#include "drive/EepromSave.h"
#include "drive/ParameterReadout.h"
#include "drive/WriteVerification.h"
#include "link/LinkRequester.h"

namespace zembra::cli {

// One command of `send` and what came back.
struct Exchange {
  std::string command;  // as sent, without its "\r"
  LinkReply::Outcome outcome = LinkReply::Outcome::Refused;
  std::string reply;    // the drive's bytes
};

struct PortReport {
  int index = 0;  // 1-based place on the command line
  QString device;
  ExitStatus status = ExitStatus::Success;
  QString message;            // why it failed, or what the user must know
  bool messageShown = false;  // already said on standard error

  bool identified = false;
  std::string version;  // UTF-8
  std::string model;    // UTF-8; empty when "GDTY" went unanswered

  std::optional<ParameterReadout> readout;  // read, backup, verify
  QString file;                             // backup, restore, verify
  bool fileWritten = false;                 // backup
  std::vector<SchemeDifference> differences;
  std::vector<std::string> unverified;

  // restore
  int commandCount = 0;              // commands of the write
  std::vector<std::string> sent;     // texts that left for the drive, without "\r"
  int unconfirmed = 0;               // sent without an answer from the drive
  std::vector<std::string> answeredErr;
  bool baudChanged = false;
  std::optional<drive::VerificationResult> verification;  // restore --verify
  std::optional<drive::EepromResult> eeprom;

  // send
  std::vector<Exchange> exchanges;

  void Fail(ExitStatus worse, QString why) {
    status = Worse(status, worse);
    if (message.isEmpty()) message = std::move(why);
  }
};

}  // namespace zembra::cli
