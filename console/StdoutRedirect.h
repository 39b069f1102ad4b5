#pragma once
// Sends std::cout and std::wcout into the console for as long as it lives,
// and puts the streams' previous buffers back when it goes. Redirections
// nest: destroy them in the reverse order of creation.
#include <iostream>

#include "console/ConsoleStreamBuffer.h"

namespace zembra {

class StdoutRedirect {
 public:
  explicit StdoutRedirect(TextSink& sink);
  ~StdoutRedirect();
  StdoutRedirect(const StdoutRedirect&) = delete;
  StdoutRedirect& operator=(const StdoutRedirect&) = delete;

 private:
  ConsoleStreamBuffer<char> m_narrow;
  ConsoleStreamBuffer<wchar_t> m_wide;
  std::streambuf* m_previousNarrow;
  std::wstreambuf* m_previousWide;
};

}  // namespace zembra
