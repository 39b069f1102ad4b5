#pragma once
// A standard-stream buffer that hands what is written to the console's
// text sink: when a written piece holds "\n", when its 512 characters are
// full, and on flush. Every character goes through the virtual put
// functions (there is no exposed put area), so its own lock guards it
// against writers on several threads.
#include <QStringDecoder>
#include <array>
#include <mutex>
#include <streambuf>

#include "console/TextSink.h"

namespace zembra {

template <class CharT>
class ConsoleStreamBuffer : public std::basic_streambuf<CharT> {
 public:
  using Traits = std::char_traits<CharT>;
  using int_type = typename Traits::int_type;
  static constexpr std::size_t kCapacity = 512;

  explicit ConsoleStreamBuffer(TextSink& sink);
  ~ConsoleStreamBuffer() override;

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const CharT* text, std::streamsize count) override;
  int sync() override;

 private:
  // Caller holds m_mutex.
  void PutLocked(CharT ch);
  void PassLocked();
  QString Decode(const CharT* text, std::size_t count);

  TextSink& m_sink;
  std::mutex m_mutex;
  std::array<CharT, kCapacity> m_buffer{};
  std::size_t m_used = 0;
  // Narrow output is the program's own UTF-8 text; the decoder keeps a
  // character cut by a full buffer until its remaining bytes arrive.
  QStringDecoder m_utf8{QStringDecoder::Utf8};
};

template <>
QString ConsoleStreamBuffer<char>::Decode(const char* text, std::size_t count);
template <>
QString ConsoleStreamBuffer<wchar_t>::Decode(const wchar_t* text, std::size_t count);

extern template class ConsoleStreamBuffer<char>;
extern template class ConsoleStreamBuffer<wchar_t>;

}  // namespace zembra
