#pragma once
// The words the parameter page shows for a running operation and for its
// end: how far it got, what was answered, what timed out, what was not
// written. The status bar is hidden, so these are the user's only account.
#include <QString>
#include <span>
#include <vector>

#include "drive/CommandSequence.h"
#include "drive/ParameterReadSequence.h"
#include "drive/WriteEncoder.h"

namespace zembra {

class OperationReport {
 public:
  // "读取参数 12/39"
  static QString ReadProgress(int done, int total);
  // "参数读取完成：37/39，超时：GLQ、GNP", refused steps named likewise;
  // beyond six names a list ends with their count ("…等39项").
  static QString ReadResult(const drive::ReadSummary& summary);

  // "写入参数 20/36"
  static QString WriteProgress(int done, int total);
  // "参数写入完成：36/36", or what was not written, by parameter name.
  // `sent` holds one flag per command: it left for the drive.
  static QString WriteResult(const drive::CommandSummary& summary, std::span<const drive::DriveCommand> commands,
                             const std::vector<bool>& sent);
  // The names of the parameters whose command did not leave, in write
  // order, each once.
  static QStringList Unwritten(std::span<const drive::DriveCommand> commands, const std::vector<bool>& sent);
};

}  // namespace zembra
