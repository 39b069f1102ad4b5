#include "console/StdoutRedirect.h"

namespace zembra {

StdoutRedirect::StdoutRedirect(TextSink& sink)
    : m_narrow(sink),
      m_wide(sink),
      m_previousNarrow(std::cout.rdbuf(&m_narrow)),
      m_previousWide(std::wcout.rdbuf(&m_wide)) {}

StdoutRedirect::~StdoutRedirect() {
  std::cout.rdbuf(m_previousNarrow);
  std::wcout.rdbuf(m_previousWide);
  // Whatever is still buffered goes to the console, not to the restored
  // streams; the buffers pass it on in their destructors.
}

}  // namespace zembra
