#pragma once
// Appends text to the console from any thread without disturbing a reader
// who scrolled up or selected something. Text is queued under a lock and
// flushed on the GUI thread: at once when the reader is at the end, else by
// a periodic forced flush that keeps the reader's place.
#include <QString>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "console/SinkSurface.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class TextSink : public MessageWindow {
 public:
  enum class FlushMode {
    Gentle,  // append only when the reader is at the end
    Forced,  // append in any case, keeping the reader's place
  };

  static constexpr std::uint32_t kFlushIntervalMs = 500;

  // Construct on the GUI thread; `surface` must outlive the sink.
  explicit TextSink(SinkSurface& surface, std::uint32_t flushIntervalMs = kFlushIntervalMs);
  ~TextSink() override;

  // Any thread. With `convertLineEnds` a "\r" is put before every "\n".
  void Append(const QString& text, bool convertLineEnds);
  void AppendWide(std::wstring_view text, bool convertLineEnds);
  // Narrow text is GBK, the code page of the drive's bytes.
  void AppendNarrow(std::string_view gbk, bool convertLineEnds);

  // GUI thread. True when the queued text was appended (or there was none);
  // text queued meanwhile by other threads has a flush request of its own.
  bool Flush(FlushMode mode);
  // Any thread: drops the queued text (the console is being emptied).
  void Discard();

  bool HasPending() const;

  std::intptr_t OnMessage(const WindowMessage& message) override;
  void OnTimer(std::uint32_t timerId) override;

 private:
  SinkSurface& m_surface;
  const std::uint32_t m_flushIntervalMs;
  mutable std::mutex m_mutex;
  QString m_queue;
  bool m_flushPending = false;
  // Bumped by Discard, so a flush never removes text queued after a discard.
  std::uint64_t m_discardGeneration = 0;
};

}  // namespace zembra
