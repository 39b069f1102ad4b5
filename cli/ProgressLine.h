#pragma once
// Progress for a person at a terminal: one line on standard error,
// redrawn in place ("读取参数 12/39", per port with several), cut to the
// terminal's width, and wiped before anything else is written there.
#include <QString>
#include <chrono>
#include <ostream>
#include <vector>

namespace zembra::cli {

class ProgressLine {
 public:
  static constexpr std::chrono::milliseconds kRedrawPeriod{100};

  // A disabled line writes nothing at all.
  ProgressLine(std::ostream& err, bool enabled, int columns);

  // One text per port, in port order.
  void Update(const std::vector<QString>& texts);
  // Wipes the line; the next Update draws it again.
  void Clear();

  // The line for these texts, at most `columns - 1` terminal cells wide
  // (CJK characters take two).
  static QString Compose(const std::vector<QString>& texts, int columns);

 private:
  std::ostream& m_err;
  bool m_enabled;
  int m_columns;
  bool m_shown = false;
  std::chrono::steady_clock::time_point m_lastDraw{};
};

}  // namespace zembra::cli
