#pragma once

#include <string>

namespace zembra::sim {

// A pseudo-terminal whose master side is the drive and whose slave path is
// the "serial port" a program opens. The sim keeps one slave descriptor open
// for the pair's whole life: when the program closes and reopens the slave,
// the master then sees no hang-up.
class PtyPair {
 public:
  PtyPair() = default;
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  // Creates the pair and puts the slave in raw mode at the given baud rate
  // (an unsupported rate falls back to 9600). On failure returns false and
  // describes why in *error when error is not null.
  bool Open(int baud, std::string* error);
  // Closes master and the kept slave: the program's side then reads a hang-up.
  void Close();

  bool IsOpen() const { return masterFd_ >= 0; }
  int MasterFd() const { return masterFd_; }
  const std::string& SlavePath() const { return slavePath_; }

 private:
  int masterFd_ = -1;
  int keptSlaveFd_ = -1;
  std::string slavePath_;
};

}  // namespace zembra::sim
