// GBK conversion at the edge: any bytes convert without crashing, and
// bytes that convert cleanly come back unchanged.
#include <string>

#include "platform/Gbk.h"
#include "tests/fuzz/FuzzTarget.h"

ZEMBRA_FUZZ_TARGET(gbk) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  bool ok = true;
  const QString text = zembra::FromGbk(bytes, &ok);
  bool back = true;
  const std::string again = zembra::ToGbk(text, &back);
  if (ok && back) FUZZ_CHECK(again == bytes);
}
