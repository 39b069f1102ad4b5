#include "console/ConsoleStreamBuffer.h"

namespace zembra {

template <>
QString ConsoleStreamBuffer<char>::Decode(const char* text, std::size_t count) {
  return m_utf8.decode(QByteArrayView(text, static_cast<qsizetype>(count)));
}

template <>
QString ConsoleStreamBuffer<wchar_t>::Decode(const wchar_t* text, std::size_t count) {
  return QString::fromWCharArray(text, static_cast<qsizetype>(count));
}

template <class CharT>
ConsoleStreamBuffer<CharT>::ConsoleStreamBuffer(TextSink& sink) : m_sink(sink) {}

template <class CharT>
ConsoleStreamBuffer<CharT>::~ConsoleStreamBuffer() {
  std::lock_guard lock(m_mutex);
  PassLocked();
}

template <class CharT>
typename ConsoleStreamBuffer<CharT>::int_type ConsoleStreamBuffer<CharT>::overflow(int_type ch) {
  if (Traits::eq_int_type(ch, Traits::eof())) return Traits::not_eof(ch);
  std::lock_guard lock(m_mutex);
  const CharT c = Traits::to_char_type(ch);
  PutLocked(c);
  if (c == CharT('\n')) PassLocked();
  return ch;
}

template <class CharT>
std::streamsize ConsoleStreamBuffer<CharT>::xsputn(const CharT* text, std::streamsize count) {
  std::lock_guard lock(m_mutex);
  bool newline = false;
  for (std::streamsize i = 0; i < count; ++i) {
    PutLocked(text[i]);
    newline = newline || text[i] == CharT('\n');
  }
  if (newline) PassLocked();
  return count;
}

template <class CharT>
int ConsoleStreamBuffer<CharT>::sync() {
  std::lock_guard lock(m_mutex);
  PassLocked();
  return 0;
}

template <class CharT>
void ConsoleStreamBuffer<CharT>::PutLocked(CharT ch) {
  m_buffer[m_used++] = ch;
  if (m_used == kCapacity) PassLocked();
}

template <class CharT>
void ConsoleStreamBuffer<CharT>::PassLocked() {
  if (m_used == 0) return;
  m_sink.Append(Decode(m_buffer.data(), m_used), true);
  m_used = 0;
}

template class ConsoleStreamBuffer<char>;
template class ConsoleStreamBuffer<wchar_t>;

}  // namespace zembra
