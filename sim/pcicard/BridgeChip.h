#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/pcicard/Sja1000Controller.h"

namespace zembra::sim {

class CanBus;

// One write to the card's A15..A8 output lines, for tests to follow the
// gate and the controller's reset line.
struct OutputLineWrite {
  std::uint8_t value = 0;
  std::chrono::steady_clock::time_point at;
};

// The PCI bridge of one virtual card: its I/O and memory windows, its
// configuration space, its own registers at 0xF0..0xFC (A15..A8 output,
// I2C master with an EEPROM at device 0x50, free-running counter) and the
// CAN controller on the card's local bus behind the address port (offset 0)
// and data port (offset 1). Not thread-safe: the world serialises calls.
class BridgeChip {
 public:
  static constexpr std::uint32_t kIoWindow = 256;
  static constexpr std::uint32_t kMemoryWindow = 4096;
  static constexpr std::uint8_t kEepromDevice = 0x50;
  // A15..A8 line bits as the card wires them.
  static constexpr std::uint8_t kGateClosedBit = 0x80;
  static constexpr std::uint8_t kControllerResetBit = 0x20;

  BridgeChip(CanBus& bus, int cardNumber);

  std::uint32_t IoBase() const { return m_ioBase; }
  std::uint32_t MemoryBase() const { return m_memoryBase; }
  std::uint32_t InterruptLineNumber() const { return m_interruptLine; }
  // All bits set asks for a window (line) to be assigned, as firmware would.
  void SetIoBase(std::uint32_t base);
  void SetMemoryBase(std::uint32_t base);
  void SetInterruptLineNumber(std::uint32_t line);

  bool OwnsPort(std::uint32_t port) const { return port - m_ioBase < kIoWindow; }
  bool OwnsMemory(std::uint32_t address) const;

  std::uint8_t ReadPort(std::uint32_t offset);
  void WritePort(std::uint32_t offset, std::uint8_t value);
  std::uint8_t ReadMemory(std::uint32_t offset) const { return m_memory[offset]; }
  void WriteMemory(std::uint32_t offset, std::uint8_t value) { m_memory[offset] = value; }
  std::uint8_t ReadConfig(std::uint8_t offset) const { return m_config[offset]; }
  void WriteConfig(std::uint8_t offset, std::uint8_t value);

  // The card's interrupt request: the controller's INT output passed
  // through the gate in the A15..A8 lines.
  bool InterruptRequest() const;

  Sja1000Controller& Controller() { return m_controller; }
  const Sja1000Controller& Controller() const { return m_controller; }

  // Fault injection.
  void SetI2cStuck(bool stuck) { m_i2cStuck = stuck; }
  void SetCounterFrozen(bool frozen);

  const std::vector<OutputLineWrite>& OutputLineWrites() const { return m_outputWrites; }
  std::uint8_t Eeprom(std::uint8_t address) const { return m_eeprom[address]; }

  // Power-on state of everything but the window assignments.
  void PowerOn();

 private:
  std::uint8_t Counter() const;
  void StartI2cTransfer();
  void UpdateConfigWindows();

  Sja1000Controller m_controller;
  int m_card;
  std::uint32_t m_ioBase;
  std::uint32_t m_memoryBase = 0;
  std::uint32_t m_interruptLine = 0;
  std::array<std::uint8_t, 256> m_config{};
  std::vector<std::uint8_t> m_memory;
  std::uint8_t m_addressLatch = 0;
  std::uint8_t m_lowOutput = 0;  // offset 0xF0
  std::uint8_t m_outputLines = kGateClosedBit;
  std::vector<OutputLineWrite> m_outputWrites;
  // I2C master.
  std::array<std::uint8_t, 256> m_eeprom{};
  std::uint8_t m_i2cData = 0;
  std::uint8_t m_i2cRegister = 0;
  std::uint8_t m_i2cDevice = 0;
  int m_i2cBusyReads = 0;
  bool m_i2cNack = false;
  bool m_i2cStuck = false;
  // Counter.
  std::chrono::steady_clock::time_point m_epoch = std::chrono::steady_clock::now();
  bool m_counterFrozen = false;
  std::uint8_t m_frozenCount = 0;
};

}  // namespace zembra::sim
