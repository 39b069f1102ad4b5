#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/pcicard/BridgeChip.h"
#include "sim/pcicard/CanBus.h"

namespace zembra::sim {

// A machine with up to 16 virtual PCI CAN cards on one virtual CAN bus, and
// the bridge driver's side of every request: the windows, the interrupt
// waits and aborts, the two interrupt commands it carries out on each
// interrupt, the data those commands read (buffered for the caller) and the
// initialisation data it keeps. Every public member is thread-safe; one lock
// serialises the whole machine, as one bus would.
class VirtualPciWorld {
 public:
  static constexpr int kMaxCards = 16;
  static constexpr std::uint32_t kDriverVersion = 3;
  static constexpr std::size_t kMaxBuffered = 65535;

  explicit VirtualPciWorld(int cards);
  ~VirtualPciWorld();
  VirtualPciWorld(const VirtualPciWorld&) = delete;
  VirtualPciWorld& operator=(const VirtualPciWorld&) = delete;

  // The process's machine, made with `cards` (1..16) on the first call and
  // kept until the process ends (interrupt threads may still be waiting in
  // it while the process exits).
  static VirtualPciWorld& Process(int cards);
  // The process's machine if one was made, else nullptr.
  static VirtualPciWorld* ProcessIfMade();

  int CardCount() const { return static_cast<int>(m_cards.size()); }
  std::string DevicePath(int card) const;
  int CardOfPath(const std::string& path) const;

  // --- the driver's side ---
  // Returns a handle > 0, or -1 for an unknown card.
  long Open(int card);
  bool Close(long handle);
  // One request on the DriverRequest record in `buffer`. Wait requests
  // block until the card interrupts or the device's waits are aborted.
  bool Control(long handle, std::uint32_t code, std::uint8_t* buffer, std::uint32_t inSize,
               std::uint32_t outSize, std::uint32_t* returned);

  // --- for tests and demos ---
  void SetEchoNode(bool present);
  void SendFromOutside(const CanFrame& frame);
  std::vector<CanBusRecord> BusLog() const;
  void InjectBusError(int card);
  void InjectArbitrationLoss(int card);
  void SetControllerSilent(int card, bool silent);
  void SetI2cStuck(int card, bool stuck);
  void SetCounterFrozen(int card, bool frozen);
  void PushBufferedData(int card, const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> StoredInitData(int card) const;
  std::vector<OutputLineWrite> OutputLineWrites(int card) const;
  Sja1000Snapshot ControllerState(int card) const;
  std::uint8_t Eeprom(int card, std::uint8_t address) const;
  std::uint8_t Memory(int card, std::uint32_t offset) const;
  int OpenHandles(int card) const;
  int PeakOpenHandles(int card) const;
  int WaitsPosted(int card) const;
  int InterruptsRaised(int card) const;
  // Every card back to power-on, driver data and logs cleared; open
  // handles stay open.
  void PowerOn();

 private:
  struct Card;
  struct Request;

  Card* CardOfHandle(long handle);
  bool Execute(Card& card, std::uint8_t* buffer, std::uint32_t inSize, std::uint32_t outSize,
               std::uint32_t* returned, std::unique_lock<std::mutex>& lock);
  bool Access(Card& card, const Request& request, std::uint8_t* data, std::vector<std::uint8_t>* readOut);
  bool AccessPorts(std::uint32_t function, std::uint32_t address, std::uint32_t length, std::uint8_t* data);
  bool AccessMemory(std::uint32_t function, std::uint32_t address, std::uint32_t length, std::uint8_t* data);
  bool WaitForInterrupt(Card& card, std::unique_lock<std::mutex>& lock);
  void ServiceInterrupts();
  void RunInterruptCommands(Card& card);
  BridgeChip* ChipOwningPort(std::uint32_t port);
  BridgeChip* ChipOwningMemory(std::uint32_t address);

  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  CanBus m_bus;
  std::vector<std::unique_ptr<Card>> m_cards;
  std::map<long, int> m_handles;
  long m_lastHandle = 0;
};

}  // namespace zembra::sim
