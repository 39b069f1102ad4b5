#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/pcicard/CanFrame.h"

namespace zembra::sim {

class CanBus;

// Register values a test may look at without the read side effects.
struct Sja1000Snapshot {
  std::uint8_t mode = 0;          // register 0, bits 0-4
  std::uint8_t clockDivider = 0;  // register 31
  std::uint8_t busTiming0 = 0;    // register 6
  std::uint8_t busTiming1 = 0;    // register 7
  std::uint8_t outputControl = 0; // register 8
  std::uint8_t interruptEnable = 0;  // register 4
  std::uint8_t pendingInterrupts = 0;  // register 3 as it would read now
  std::uint8_t status = 0;        // register 2
  std::array<std::uint8_t, 4> acceptanceCode{};
  std::array<std::uint8_t, 4> acceptanceMask{};
  std::uint8_t errorWarningLimit = 0;
  std::uint8_t rxErrors = 0;
  std::uint8_t txErrors = 0;
  std::uint8_t framesWaiting = 0;  // receive message counter
  bool heldInReset = false;        // the hardware reset line is asserted
};

// A stand-alone CAN controller of the SJA1000 type, PeliCAN register map,
// as seen through its address/data ports. Not thread-safe: its owner
// serialises every call (the virtual PCI world holds one lock for all cards).
class Sja1000Controller {
 public:
  explicit Sja1000Controller(CanBus& bus);
  ~Sja1000Controller();
  Sja1000Controller(const Sja1000Controller&) = delete;
  Sja1000Controller& operator=(const Sja1000Controller&) = delete;

  // A register access with the chip's side effects (reading the interrupt
  // register clears it, writes to the command register act, ...).
  std::uint8_t Read(std::uint8_t reg);
  void Write(std::uint8_t reg, std::uint8_t value);

  // The chip's reset input: asserting it puts the chip into its power-on
  // state and holds it there until released.
  void SetResetLine(bool asserted);

  // The INT output: active while any interrupt flag is pending.
  bool InterruptLine() const;

  // Fault injection: a controller that does not answer (reads 0xFF, writes
  // are lost, it takes no part in bus traffic).
  void SetSilent(bool silent);
  void InjectBusError();
  void InjectArbitrationLoss();

  Sja1000Snapshot Snapshot() const;

  // --- used by CanBus only ---
  // True when this node takes part in traffic (operating mode, not silent,
  // not held in reset, not bus-off).
  bool OnBus() const;
  // Nominal bit time in oscillator periods (16 MHz crystal); nodes can only
  // talk to nodes with the same value.
  std::uint32_t BitTime() const;
  // A frame another node put on the bus that this node saw at its bit time.
  void Receive(const CanFrame& frame);
  // A frame at another bit time: this node sees only errors.
  void SeeBusError();
  // The bus gained a node that can acknowledge: retry a pending frame.
  void RetryPendingTransmission();

 private:
  void PowerOn();
  bool InResetMode() const;
  bool Accessible() const;
  void WriteMode(std::uint8_t value);
  void WriteCommand(std::uint8_t value);
  void EnterResetMode();
  void LeaveResetMode();
  void Rejoined();
  void Attempt();
  void FinishTransmission(bool complete);
  void GoBusOff();
  void SignalBusError(std::uint8_t errorCode);
  void Raise(std::uint8_t flag);
  void SyncErrorState();
  void UpdateErrorState();
  bool ErrorStatus() const;
  bool ErrorPassive() const;
  std::uint8_t StatusValue() const;
  std::uint8_t InterruptValue() const;
  CanFrame TransmitBufferFrame() const;
  std::uint8_t ReceiveWindow(std::uint8_t offset) const;
  bool Accepts(const CanFrame& frame) const;

  CanBus& m_bus;

  std::uint8_t m_mode = 0;
  std::uint8_t m_clockDivider = 0;
  std::uint8_t m_busTiming0 = 0;
  std::uint8_t m_busTiming1 = 0;
  std::uint8_t m_outputControl = 0;
  std::uint8_t m_interruptEnable = 0;
  std::uint8_t m_latchedInterrupts = 0;  // every flag but RI, which is derived
  std::array<std::uint8_t, 4> m_acceptanceCode{};
  std::array<std::uint8_t, 4> m_acceptanceMask{};
  std::uint8_t m_errorWarningLimit = 0;
  std::uint8_t m_rxErrors = 0;
  std::uint8_t m_txErrors = 0;
  std::uint8_t m_arbitrationLostCapture = 0;
  std::uint8_t m_errorCodeCapture = 0;
  bool m_arbitrationCaptureLocked = false;
  bool m_errorCaptureLocked = false;

  std::array<std::uint8_t, 13> m_txBuffer{};
  CanFrame m_txFrame;
  bool m_txPending = false;
  bool m_txComplete = false;
  bool m_singleShot = false;
  bool m_selfReception = false;
  bool m_attempting = false;

  std::deque<CanFrame> m_rxFifo;
  std::size_t m_rxFifoBytes = 0;
  bool m_dataOverrun = false;

  bool m_busOff = false;
  // Last reported error state, so that only changes raise EI and EPI.
  bool m_reportedErrorStatus = false;
  bool m_reportedBusOff = false;
  bool m_reportedPassive = false;

  bool m_resetLine = false;
  bool m_silent = false;
};

}  // namespace zembra::sim
