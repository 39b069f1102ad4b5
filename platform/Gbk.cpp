#include "platform/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace zembra {
namespace {

// Converts with iconv, replacing each byte sequence it cannot take by
// `replacement` and going on, so one bad byte never loses the rest.
std::string Convert(const char* to, const char* from, std::string_view in, const std::string& replacement,
                    bool* ok) {
  if (ok) *ok = true;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (ok) *ok = false;
    return {};
  }
  std::string out;
  out.reserve(in.size() * 2);
  std::vector<char> buffer(4096);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), buffer.size() - dstLeft);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end): skip one unit.
      if (ok) *ok = false;
      out += replacement;
      size_t skip = 1;
      if (std::string_view(from) == "UTF-8") {
        // Skip the whole character so a valid multibyte character that GBK
        // cannot hold becomes a single replacement.
        unsigned char c = static_cast<unsigned char>(*src);
        skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (skip > srcLeft) skip = srcLeft;
      }
      src += skip;
      srcLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string ToGbk(const QString& text, bool* ok) {
  QByteArray utf8 = text.toUtf8();
  return Convert("GBK", "UTF-8", std::string_view(utf8.constData(), utf8.size()), "?", ok);
}

QString FromGbk(std::string_view bytes, bool* ok) {
  std::string utf8 = Convert("UTF-8", "GBK", bytes, "\xEF\xBF\xBD", ok);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace zembra
