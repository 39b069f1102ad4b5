#pragma once
// The console of the drive link: every echoed command, text reply and
// sampling frame arrives as WM_DRIVE_TEXT and is written as a line. The
// program never reads text back, so the control is read-only. While it
// exists, std::cout and std::wcout are shown here too.
#include <QPlainTextEdit>
#include <atomic>
#include <memory>

#include "console/ConsoleLineFormer.h"
#include "console/ConsoleSurface.h"
#include "console/ConsoleWriter.h"
#include "console/EditSurface.h"
#include "console/StdoutRedirect.h"
#include "console/TextSink.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class CZembraEditView : public QPlainTextEdit, public MessageWindow, private ConsoleSurface {
 public:
  // `displayBatching` is the main frame's display batching flag
  // (LinkState::displayBatching); it must outlive the view. The link sends
  // WM_DRIVE_TEXT to Handle().
  explicit CZembraEditView(const std::atomic<bool>& displayBatching, QWidget* parent = nullptr);
  ~CZembraEditView() override;

  std::intptr_t OnMessage(const WindowMessage& message) override;

  // For text that is not drive traffic; callable from any thread.
  TextSink& Sink() { return m_sink; }

  // The family the console asks for; substitutes map it to an installed
  // CJK serif face.
  static constexpr const char* kFontFamily = "宋体";

 private:
  // ConsoleSurface: drive lines go through the sink so that they keep their
  // order with text other threads queued before them.
  int LineCount() const override;
  void Clear() override;
  void Append(const QString& text) override;
  void ScrollToEnd() override;

  void ApplyConsoleFont();

  ConsoleLineFormer m_former;
  EditSurface m_editSurface;
  TextSink m_sink;
  ConsoleWriter m_writer;
  // Last member: the streams are given back before anything they write to goes.
  std::unique_ptr<StdoutRedirect> m_redirect;
};

}  // namespace zembra
