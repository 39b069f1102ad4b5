// The virtual card's decoding of bridge driver requests: any request
// record, of any size, is answered or refused without touching memory
// outside the record.
#include <cstring>
#include <vector>

#include "sim/pcicard/VirtualPciWorld.h"
#include "tests/fuzz/FuzzBytes.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

constexpr std::uint32_t kControlCode = 0x00223CD8;
constexpr std::uint32_t kWaitForInterrupt = 10;

}  // namespace

ZEMBRA_FUZZ_TARGET(pci_request) {
  static zembra::sim::VirtualPciWorld world(2);
  static const long handle = world.Open(0);
  zembra::fuzz::FuzzBytes in(data, size);
  while (!in.Empty()) {
    const std::uint32_t outSize = in.Byte() % 64;
    std::string record = in.Take(in.Byte() % 80);
    // A wait blocks until an interrupt; the fuzzer asks for something else.
    if (record.size() >= 4) {
      std::uint32_t function;
      std::memcpy(&function, record.data(), 4);
      if (function == kWaitForInterrupt) record[0] = 1;
    }
    // Exactly the record's bytes: a read or write beyond them is a fault.
    std::vector<std::uint8_t> buffer(record.begin(), record.end());
    std::uint32_t returned = 0;
    const std::uint32_t inSize = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t answerSize = outSize < inSize ? outSize : inSize;
    if (world.Control(handle, kControlCode, buffer.empty() ? nullptr : buffer.data(), inSize, answerSize,
                      &returned))
      FUZZ_CHECK(returned <= answerSize);
  }
  world.PowerOn();
}
