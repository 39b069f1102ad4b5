#pragma once
// send: each text as the console's manual send makes it (spaces removed,
// at most 62 characters, upper-cased by the link), one at a time, each
// reply awaited. A reply that never comes is given up after the link's
// time-out, and in any case after kReplyDeadline, so no drive can hold a
// script up.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cli/PortReport.h"
#include "cli/PortTask.h"
#include "link/LinkRequester.h"
#include "platform/WindowRuntime.h"

namespace zembra::cli {

class SendTask : public PortTask, public MessageWindow {
 public:
  static constexpr std::chrono::milliseconds kReplyDeadline{5000};

  // `commands` are the texts as they go out, each with its "\r".
  SendTask(TransactionEngine& engine, std::vector<std::string> commands, PortReport& report,
           std::function<void()> onProgress);

  void Start(Done done) override;
  void Interrupt() override;
  void Abort(const QString& reason) override;
  QString Progress() const override;

  void OnTimer(std::uint32_t timerId) override;

  // The manual send's forming of a typed text: spaces removed, at most
  // 62 characters, "\r" appended; nothing when no character is left.
  static std::optional<std::string> CommandText(const QString& typed);

 private:
  enum Timer : std::uint32_t { kTimerDeadline = 1 };

  void SendNext();
  void OnReply(const LinkReply& reply);
  void Finish();

  LinkRequester m_requester;
  std::vector<std::string> m_commands;
  PortReport& m_report;
  std::function<void()> m_onProgress;
  Done m_done;
  std::size_t m_next = 0;
  bool m_interrupted = false;
  bool m_running = false;
};

}  // namespace zembra::cli
