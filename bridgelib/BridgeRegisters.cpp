// The bridge's own registers in its I/O window: the A15..A8 output lines,
// the I2C master and the free-running counter used for short delays.
#include <chrono>

#include "bridgelib/DeviceTable.h"

using namespace px720;

namespace {

using Clock = std::chrono::steady_clock;

// How long a transfer may stay busy, or the counter stand still, before the
// bridge counts as not answering. Far above anything healthy hardware does
// (an I2C byte takes well under a millisecond, a counter wrap 983 us).
constexpr auto kStallLimit = std::chrono::milliseconds(100);

// Polls the I2C control register until the transfer has finished. A stall
// is only declared from a read taken after the limit, so a caller that was
// descheduled for a while does not fail a transfer that has long finished.
bool WaitI2cIdle(const DeviceSlot& slot) {
  const std::uint32_t port = slot.ioBase.load() + PX720_REG_I2C_CONTROL;
  const auto deadline = Clock::now() + kStallLimit;
  for (;;) {
    const bool late = Clock::now() >= deadline;
    std::uint8_t status = 0;
    if (!ReadIoByteAt(slot, port, &status)) return false;
    if ((status & 0x01) == 0) return true;
    if (late) return false;
  }
}

bool StartI2c(const DeviceSlot& slot, std::uint8_t deviceByte, std::uint32_t reg,
              const std::uint8_t* dataToWrite) {
  const std::uint32_t base = slot.ioBase.load();
  if (!WriteIoByteAt(slot, base + PX720_REG_I2C_DEVICE, deviceByte)) return false;
  if (!WriteIoByteAt(slot, base + PX720_REG_I2C_REGISTER, static_cast<std::uint8_t>(reg))) return false;
  if (dataToWrite && !WriteIoByteAt(slot, base + PX720_REG_I2C_DATA, *dataToWrite)) return false;
  std::uint8_t control = 0;
  if (!ReadIoByteAt(slot, base + PX720_REG_I2C_CONTROL, &control)) return false;
  return WriteIoByteAt(slot, base + PX720_REG_I2C_CONTROL, static_cast<std::uint8_t>(control | 0x01));
}

// Counts counter ticks from a reference read until `ticks` have passed.
// Works on the distance between successive reads, so a read that comes
// later than one tick (each read is a trip through the driver) never makes
// the wait miss its target and run on for another wrap.
bool WaitTicks(const DeviceSlot& slot, std::uint32_t ticks) {
  const std::uint32_t port = slot.ioBase.load() + PX720_REG_COUNTER;
  std::uint8_t last = 0;
  if (!ReadIoByteAt(slot, port, &last)) return false;
  std::uint32_t passed = 0;
  auto stillSince = Clock::now();
  while (passed < ticks) {
    std::uint8_t now = 0;
    if (!ReadIoByteAt(slot, port, &now)) return false;
    if (now == last) {
      if (Clock::now() - stillSince >= kStallLimit) return false;
      continue;
    }
    passed += static_cast<std::uint8_t>(now - last);
    last = now;
    stillSince = Clock::now();
  }
  return true;
}

}  // namespace

extern "C" {

int32_t PX720mSetA15_A8(uint32_t index, uint8_t value) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot) return 0;
  return WriteIoByteAt(*slot, slot->ioBase.load() + PX720_REG_A15_A8, value) ? 1 : 0;
}
int32_t PX720SetA15_A8(uint8_t value) { return PX720mSetA15_A8(0, value); }

int32_t PX720mReadI2C(uint32_t index, uint32_t device, uint32_t reg, uint8_t* value) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot || !value) return 0;
  const auto deviceByte = static_cast<std::uint8_t>(((device & 0xFF) << 1) | 1);
  if (!StartI2c(*slot, deviceByte, reg, nullptr)) return 0;
  if (!WaitI2cIdle(*slot)) return 0;
  std::uint8_t data = 0;
  if (!ReadIoByteAt(*slot, slot->ioBase.load() + PX720_REG_I2C_DATA, &data)) return 0;
  *value = data;
  PX720DelayUS(4);
  return 1;
}
int32_t PX720ReadI2C(uint32_t device, uint32_t reg, uint8_t* value) {
  return PX720mReadI2C(0, device, reg, value);
}

int32_t PX720mWriteI2C(uint32_t index, uint32_t device, uint32_t reg, uint8_t value) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot) return 0;
  const auto deviceByte = static_cast<std::uint8_t>((device & 0xFF) << 1);
  if (!StartI2c(*slot, deviceByte, reg, &value)) return 0;
  if (!WaitI2cIdle(*slot)) return 0;
  PX720DelayUS(4);
  return 1;
}
int32_t PX720WriteI2C(uint32_t device, uint32_t reg, uint8_t value) {
  return PX720mWriteI2C(0, device, reg, value);
}

int32_t PX720DelayUS(uint32_t microseconds) {
  const int index = FirstOpenIndex();
  if (index < 0) return 0;
  const DeviceSlot& slot = *SlotOf(static_cast<uint32_t>(index));
  const std::uint32_t wraps = microseconds / 983;
  const std::uint32_t rest = microseconds % 983;

  for (std::uint32_t i = 0; i < wraps; ++i) {
    if (!WaitTicks(slot, 256)) return 0;
  }
  if (rest <= 10) {
    // Too short for the counter's resolution: a few reads take about as long.
    const std::uint32_t port = slot.ioBase.load() + PX720_REG_COUNTER;
    for (std::uint32_t i = 0; i < rest * 3; ++i) {
      std::uint8_t ignored = 0;
      if (!ReadIoByteAt(slot, port, &ignored)) return 0;
    }
    return 1;
  }
  const auto step = static_cast<std::uint8_t>((rest * 50) / 192);
  return WaitTicks(slot, step) ? 1 : 0;
}

}  // extern "C"
