// The status strip's decoding of the drive's status, alarm, version and
// model replies, in any order and with any bytes.
#include <cstdint>
#include <iterator>
#include <string>

#include "statuspanel/StatusPanelModel.h"
#include "tests/fuzz/FuzzBytes.h"
#include "tests/fuzz/FuzzTarget.h"

ZEMBRA_FUZZ_TARGET(status_panel) {
  zembra::fuzz::FuzzBytes in(data, size);
  zembra::StatusPanelModel model;
  while (!in.Empty()) {
    // Mostly the codes the strip knows, sometimes any other.
    static constexpr zembra::CommandCode kKnown[] = {zembra::kCodeQNCON, zembra::kCodeGDTY, zembra::kCodeENA,
                                                     zembra::kCodeGT,    zembra::kCodeGVER, zembra::kCodeGSI,
                                                     zembra::kCodeGEI};
    const std::uint8_t pick = in.Byte();
    const auto code = pick < 224 ? kKnown[pick % std::size(kKnown)] : static_cast<zembra::CommandCode>(pick);
    const std::uintptr_t value = in.U32();
    const std::string text = in.Take(in.Byte() % 40);
    const bool withText = in.Byte() & 1;
    model.Handle(code, value, withText ? &text : nullptr);
    model.RefreshTick();
  }
}
