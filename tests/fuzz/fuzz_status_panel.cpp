// The status strip's decoding of the drive's status, alarm, version and
// model replies, in any order and with any bytes.
#include <string>

#include "params/StatusPanelModel.h"
#include "tests/fuzz/FuzzBytes.h"
#include "tests/fuzz/FuzzTarget.h"

ZEMBRA_FUZZ_TARGET(status_panel) {
  zembra::fuzz::FuzzBytes in(data, size);
  zembra::StatusPanelModel model;
  while (!in.Empty()) {
    const std::intptr_t code = in.Byte() % 12;
    const std::uintptr_t value = in.U32();
    const std::string text = in.Take(in.Byte() % 40);
    const bool withText = in.Byte() & 1;
    model.Handle(code, value, withText ? &text : nullptr);
    model.RefreshTick();
  }
}
