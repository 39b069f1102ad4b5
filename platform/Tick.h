#pragma once
#include <cstdint>

namespace zembra {

// Milliseconds of a monotonic clock, wrapping at 2^32 like the drive
// tools' classic tick counter. Differences are taken unsigned.
std::uint32_t TickCount();

}  // namespace zembra
