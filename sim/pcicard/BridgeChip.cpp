#include "sim/pcicard/BridgeChip.h"

#include <cstring>

namespace zembra::sim {

namespace {

constexpr std::uint32_t kUnassigned = 0xFFFFFFFFu;
// Made-up identity of the virtual card.
constexpr std::uint16_t kVendorId = 0x1D9F;
constexpr std::uint16_t kDeviceId = 0x0720;
// Status reads a transfer stays busy: enough to make the caller poll.
constexpr int kI2cBusyReads = 3;
constexpr auto kCounterTick = std::chrono::nanoseconds(3840);

void Put16(std::array<std::uint8_t, 256>& space, int at, std::uint16_t value) {
  space[at] = static_cast<std::uint8_t>(value);
  space[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::array<std::uint8_t, 256>& space, int at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) space[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

BridgeChip::BridgeChip(CanBus& bus, int cardNumber)
    : m_controller(bus),
      m_card(cardNumber),
      m_ioBase(0xD000u + 0x100u * static_cast<std::uint32_t>(cardNumber)),
      m_memory(kMemoryWindow, 0) {
  m_eeprom.fill(0xFF);
  Put16(m_config, 0x00, kVendorId);
  Put16(m_config, 0x02, kDeviceId);
  m_config[0x0A] = 0x09;  // CAN bus controller
  m_config[0x0B] = 0x0C;  // serial bus controller
  m_config[0x3D] = 0x01;  // interrupt pin INTA
  UpdateConfigWindows();
  PowerOn();
}

void BridgeChip::SetIoBase(std::uint32_t base) {
  m_ioBase = base == kUnassigned ? 0xD000u + 0x100u * static_cast<std::uint32_t>(m_card) : base;
  UpdateConfigWindows();
}

void BridgeChip::SetMemoryBase(std::uint32_t base) {
  m_memoryBase = base == kUnassigned ? 0xFEB00000u + 0x10000u * static_cast<std::uint32_t>(m_card) : base;
  UpdateConfigWindows();
}

void BridgeChip::SetInterruptLineNumber(std::uint32_t line) {
  m_interruptLine = line == kUnassigned ? 10u + static_cast<std::uint32_t>(m_card % 6) : line;
  UpdateConfigWindows();
}

void BridgeChip::UpdateConfigWindows() {
  Put32(m_config, 0x10, m_ioBase | 0x1u);
  Put32(m_config, 0x14, m_memoryBase);
  m_config[0x3C] = static_cast<std::uint8_t>(m_interruptLine);
}

bool BridgeChip::OwnsMemory(std::uint32_t address) const {
  return m_memoryBase != 0 && address - m_memoryBase < kMemoryWindow;
}

void BridgeChip::WriteConfig(std::uint8_t offset, std::uint8_t value) {
  // Only the command register and the interrupt line are writable here;
  // windows move through the driver's base-address requests.
  if (offset == 0x04 || offset == 0x05) m_config[offset] = value;
  if (offset == 0x3C) SetInterruptLineNumber(value);
}

std::uint8_t BridgeChip::Counter() const {
  if (m_counterFrozen) return m_frozenCount;
  return static_cast<std::uint8_t>((std::chrono::steady_clock::now() - m_epoch) / kCounterTick);
}

void BridgeChip::SetCounterFrozen(bool frozen) {
  if (frozen && !m_counterFrozen) m_frozenCount = Counter();
  if (!frozen && m_counterFrozen) m_epoch = std::chrono::steady_clock::now();
  m_counterFrozen = frozen;
}

void BridgeChip::StartI2cTransfer() {
  const std::uint8_t device = m_i2cDevice >> 1;
  const bool read = (m_i2cDevice & 0x01) != 0;
  m_i2cBusyReads = kI2cBusyReads;
  m_i2cNack = device != kEepromDevice;
  if (m_i2cNack) {
    if (read) m_i2cData = 0xFF;
    return;
  }
  if (read) {
    m_i2cData = m_eeprom[m_i2cRegister];
  } else {
    m_eeprom[m_i2cRegister] = m_i2cData;
  }
}

std::uint8_t BridgeChip::ReadPort(std::uint32_t offset) {
  switch (offset) {
    case 0x00: return m_addressLatch;
    case 0x01: return m_controller.Read(m_addressLatch);
    case 0xF0: return m_lowOutput;
    case 0xF1: return m_outputLines;
    case 0xF4: return m_i2cData;
    case 0xF5: {
      bool busy = m_i2cStuck;
      if (m_i2cBusyReads > 0) {
        --m_i2cBusyReads;
        busy = true;
      }
      return static_cast<std::uint8_t>((busy ? 0x01 : 0x00) | (m_i2cNack ? 0x02 : 0x00));
    }
    case 0xF6: return m_i2cRegister;
    case 0xF7: return m_i2cDevice;
    case 0xFC: return Counter();
    default: return offset < 0xF0 ? 0xFF : 0x00;  // nothing else on the local bus
  }
}

void BridgeChip::WritePort(std::uint32_t offset, std::uint8_t value) {
  switch (offset) {
    case 0x00: m_addressLatch = value; break;
    case 0x01: m_controller.Write(m_addressLatch, value); break;
    case 0xF0: m_lowOutput = value; break;
    case 0xF1:
      m_outputLines = value;
      m_outputWrites.push_back({value, std::chrono::steady_clock::now()});
      m_controller.SetResetLine((value & kControllerResetBit) != 0);
      break;
    case 0xF4: m_i2cData = value; break;
    case 0xF5:
      if (value & 0x01) StartI2cTransfer();
      break;
    case 0xF6: m_i2cRegister = value; break;
    case 0xF7: m_i2cDevice = value; break;
    default: break;
  }
}

bool BridgeChip::InterruptRequest() const {
  return (m_outputLines & kGateClosedBit) == 0 && m_controller.InterruptLine();
}

void BridgeChip::PowerOn() {
  m_controller.SetResetLine(true);
  m_controller.SetResetLine(false);
  m_controller.SetSilent(false);
  m_addressLatch = 0;
  m_lowOutput = 0;
  m_outputLines = kGateClosedBit;
  m_outputWrites.clear();
  m_i2cBusyReads = 0;
  m_i2cNack = false;
  m_i2cStuck = false;
  SetCounterFrozen(false);
  std::fill(m_memory.begin(), m_memory.end(), 0);
}

}  // namespace zembra::sim
