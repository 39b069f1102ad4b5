#pragma once
// Writes formed console lines into a surface. While a page samples, lines
// are gathered and written in groups so the control does not slow the GUI
// thread, and a console that grew too long is emptied rather than trimmed.
#include <atomic>
#include <cstddef>
#include <vector>

#include "console/ConsoleLine.h"
#include "console/ConsoleSurface.h"

namespace zembra {

class ConsoleWriter {
 public:
  static constexpr std::size_t kBatchSize = 30;
  static constexpr int kMaxLines = 2000;

  // `batching` is read at every write; it belongs to the link state.
  ConsoleWriter(ConsoleSurface& surface, const std::atomic<bool>& batching);

  void Write(const ConsoleLine& line);

  std::size_t BatchedLines() const { return m_batch.size(); }

 private:
  void WriteDirect(const ConsoleLine& line);
  void WriteBatched(const ConsoleLine& line);
  void ClearWhenTooLong();
  QString TakeBatch();

  ConsoleSurface& m_surface;
  const std::atomic<bool>& m_batching;
  std::vector<QString> m_batch;
};

}  // namespace zembra
