// libFuzzer's entry for the one target this program was built for.
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const zembra::fuzz::Target* target = zembra::fuzz::FindTarget(ZEMBRA_FUZZ_NAME);
  if (!target) zembra::fuzz::CheckFailed("target registered", __FILE__, __LINE__);
  target->run(data, size);
  return 0;
}
