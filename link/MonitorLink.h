#pragma once
// The link held by the monitoring page for as long as it monitors. While it
// is held, every other window is refused; the page's polls go out at once,
// without a reply time-out and without waiting for the previous answer, so
// a poll may follow each answer as fast as the drive gives them; and the
// page's motion commands pass between the polls. Replies come back through
// one handler, each under the code of the command the link last asked for.
#include <functional>
#include <string>

#include "link/LinkRequester.h"
#include "link/SendResult.h"
#include "link/TransactionEngine.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class MonitorLink : public MessageWindow {
 public:
  using ReplyHandler = std::function<void(const LinkReply&)>;

  explicit MonitorLink(TransactionEngine& engine);
  // Gives the link back if it is still held.
  ~MonitorLink() override;

  // Runs on the GUI thread for each text reply while the link is held.
  void SetReplyHandler(ReplyHandler handler) { m_onReply = std::move(handler); }

  // Takes the link. Refused with Monitoring while it is held already, and
  // with Busy while another window awaits a reply. `userCommand` is the
  // polled user command, "\r" included, as Poll() will be given it.
  [[nodiscard]] SendResult Take(std::string userCommand);
  // Gives the link back. Sends nothing: a running motion goes on.
  void Release();
  bool Held() const;

  // One poll ("GV\r", "GM\r", "GC\r" or the user command of Take()): never
  // refused while the link is held; only a port that cannot take the bytes
  // fails it. Without the link held it is refused (Monitoring when another
  // window holds it, else Busy): a poll must not take a wait from anyone.
  [[nodiscard]] SendResult Poll(const std::string& text);
  // A motion or emergency-stop command, written as it is (no upper-casing,
  // no wait): refused only while another window monitors, or when the port
  // cannot take it.
  [[nodiscard]] SendResult Send(const std::string& text);
  // Stops awaiting replies until the next poll claims them again.
  void StopAwaiting();

  std::intptr_t OnMessage(const WindowMessage& message) override;

 private:
  TransactionEngine& m_engine;
  LinkState& m_state;
  ReplyHandler m_onReply;
};

}  // namespace zembra
