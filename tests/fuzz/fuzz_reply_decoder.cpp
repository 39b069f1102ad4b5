// The parameter page's reply decoding on any reply text: every update
// names a field the step may change and stays inside that field's choices.
#include <string_view>

#include "drive/ReplyDecoder.h"
#include "tests/fuzz/FuzzBytes.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace zembra::drive;

ZEMBRA_FUZZ_TARGET(reply_decoder) {
  zembra::fuzz::FuzzBytes in(data, size);
  const auto steps = ParameterTable::ReadSteps();
  const ReadStep& step = steps[in.Byte() % steps.size()];
  const std::string reply = in.Rest();
  const DecodedReply decoded = DecodeReply(step, reply);
  for (const FieldUpdate& u : decoded.updates) {
    const FieldInfo& info = ParameterTable::Info(u.field);
    if (step.rule != ReplyRule::ModeAndSignal) FUZZ_CHECK(u.field == step.field);
    switch (info.kind) {
      case ControlKind::RadioGroup:
        FUZZ_CHECK(u.value >= 0 && u.value < static_cast<double>(info.controls.size()));
        break;
      case ControlKind::Check:
        FUZZ_CHECK(u.value == 0 || u.value == 1);
        break;
      case ControlKind::List: {
        const auto items = u.field == Field::SerialBaud ? ParameterTable::SerialBaudItems()
                                                        : ParameterTable::CanBaudItems();
        FUZZ_CHECK(u.value >= 0 && u.value < static_cast<double>(items.size()));
        break;
      }
      case ControlKind::Edit:
      case ControlKind::DisplayEdit:
        FUZZ_CHECK(u.shownText.has_value());
        break;
    }
  }
}
