#pragma once
// Reading back what a write sent and comparing: the reads that report the
// written parameters, and a judgement of the drive's answers. A parameter
// counts as verified when the drive's value, written again, would be the
// very command that was sent: a current written as 1000.9 was sent as
// "SPC1000", so a drive holding 1000 holds exactly what it was sent.
#include <string>
#include <vector>

#include "drive/ParameterReadout.h"
#include "drive/WriteEncoder.h"

namespace zembra::drive {

struct VerifiedDifference {
  std::string name;     // UTF-8, the parameter as messages name it
  std::string written;  // as the page shows the value that was sent
  std::string drive;    // as the page would show the drive's value
};

struct VerificationResult {
  int checked = 0;   // written parameters read back
  int verified = 0;  // of those, the drive holds what was sent
  std::vector<VerifiedDifference> differences;
  std::vector<std::string> unread;  // names of written parameters the read-back could not get
  bool Passed() const { return checked > 0 && verified == checked; }
  // "校验通过：36/36", or the differences and what could not be read, in words.
  std::string Describe() const;
};

class WriteVerification {
 public:
  // The read steps (indices into the read order) that report what
  // `commands` sent: one per sent command but the baud changes, which the
  // drive answers at a rate this link no longer speaks.
  static std::vector<int> ReadBackSteps(const std::vector<DriveCommand>& commands, const std::vector<bool>& sent);
  // `written` is the set the commands were made from; `readBack` a read of
  // ReadBackSteps() that started from `written`.
  static VerificationResult Judge(const ParameterSet& written, const std::vector<DriveCommand>& commands,
                                  const std::vector<bool>& sent, const ParameterReadout& readBack);
};

}  // namespace zembra::drive
