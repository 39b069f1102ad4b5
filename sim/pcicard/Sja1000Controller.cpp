#include "sim/pcicard/Sja1000Controller.h"

#include <algorithm>

#include "sim/pcicard/CanBus.h"

namespace zembra::sim {

namespace {

// Register numbers (PeliCAN map).
constexpr std::uint8_t kMode = 0;
constexpr std::uint8_t kCommand = 1;
constexpr std::uint8_t kStatus = 2;
constexpr std::uint8_t kInterrupt = 3;
constexpr std::uint8_t kInterruptEnable = 4;
constexpr std::uint8_t kBusTiming0 = 6;
constexpr std::uint8_t kBusTiming1 = 7;
constexpr std::uint8_t kOutputControl = 8;
constexpr std::uint8_t kArbitrationLost = 11;
constexpr std::uint8_t kErrorCode = 12;
constexpr std::uint8_t kErrorWarningLimit = 13;
constexpr std::uint8_t kRxErrors = 14;
constexpr std::uint8_t kTxErrors = 15;
constexpr std::uint8_t kBufferFirst = 16;
constexpr std::uint8_t kBufferLast = 28;
constexpr std::uint8_t kMessageCounter = 29;
constexpr std::uint8_t kRxBufferStart = 30;
constexpr std::uint8_t kClockDivider = 31;

// Mode bits.
constexpr std::uint8_t kResetMode = 0x01;
constexpr std::uint8_t kListenOnly = 0x02;
constexpr std::uint8_t kSelfTest = 0x04;
constexpr std::uint8_t kSingleFilter = 0x08;
constexpr std::uint8_t kSleep = 0x10;
constexpr std::uint8_t kResetOnlyModeBits = kListenOnly | kSelfTest | kSingleFilter;

// Command bits.
constexpr std::uint8_t kTransmitRequest = 0x01;
constexpr std::uint8_t kAbortTransmission = 0x02;
constexpr std::uint8_t kReleaseReceiveBuffer = 0x04;
constexpr std::uint8_t kClearDataOverrun = 0x08;
constexpr std::uint8_t kSelfReceptionRequest = 0x10;

// Status bits.
constexpr std::uint8_t kReceiveBufferFull = 0x01;
constexpr std::uint8_t kDataOverrunStatus = 0x02;
constexpr std::uint8_t kTransmitBufferFree = 0x04;
constexpr std::uint8_t kTransmissionComplete = 0x08;
constexpr std::uint8_t kReceiving = 0x10;
constexpr std::uint8_t kTransmitting = 0x20;
constexpr std::uint8_t kErrorStatusBit = 0x40;
constexpr std::uint8_t kBusOffBit = 0x80;

// Interrupt flags (same positions as their enable bits).
constexpr std::uint8_t kRxInterrupt = 0x01;
constexpr std::uint8_t kTxInterrupt = 0x02;
constexpr std::uint8_t kErrorWarningInterrupt = 0x04;
constexpr std::uint8_t kOverrunInterrupt = 0x08;
constexpr std::uint8_t kWakeUpInterrupt = 0x10;
constexpr std::uint8_t kErrorPassiveInterrupt = 0x20;
constexpr std::uint8_t kArbitrationLostInterrupt = 0x40;
constexpr std::uint8_t kBusErrorInterrupt = 0x80;

// Error code capture: type in bits 7-6, direction in bit 5 (1 = receiving),
// frame segment in bits 4-0.
constexpr std::uint8_t kEccAckErrorOnTransmit = 0xC0 | 0x19;    // other, ACK slot
constexpr std::uint8_t kEccBitErrorOnTransmit = 0x00 | 0x0A;    // bit, data field
constexpr std::uint8_t kEccStuffErrorOnReceive = 0x80 | 0x20 | 0x02;  // stuff, ID.28-21

// Arbitration is always reported as lost in the sixth identifier bit; the
// model has no competing frame to derive a real position from.
constexpr std::uint8_t kArbitrationLostBit = 5;

constexpr std::uint8_t kFrameInfoExtended = 0x80;
constexpr std::uint8_t kFrameInfoRemote = 0x40;

constexpr std::size_t kRxFifoSize = 64;
constexpr int kErrorPassiveLimit = 128;

constexpr std::uint32_t kStandardIdMask = 0x7FF;
constexpr std::uint32_t kExtendedIdMask = 0x1FFFFFFF;

std::size_t DataCount(const CanFrame& frame) {
  return frame.remote ? 0 : std::min<std::size_t>(frame.length & 0x0F, 8);
}

std::size_t FifoBytes(const CanFrame& frame) {
  return (frame.extended ? 5 : 3) + DataCount(frame);
}

}  // namespace

Sja1000Controller::Sja1000Controller(CanBus& bus) : m_bus(bus) {
  PowerOn();
  m_bus.Attach(this);
}

Sja1000Controller::~Sja1000Controller() { m_bus.Detach(this); }

void Sja1000Controller::PowerOn() {
  m_mode = kResetMode;
  m_clockDivider = 0;
  m_busTiming0 = 0;
  m_busTiming1 = 0;
  m_outputControl = 0;
  m_interruptEnable = 0;
  m_acceptanceCode = {};
  m_acceptanceMask = {};
  m_errorWarningLimit = 96;
  m_rxErrors = 0;
  m_txErrors = 0;
  m_arbitrationLostCapture = 0;
  m_errorCodeCapture = 0;
  m_arbitrationCaptureLocked = false;
  m_errorCaptureLocked = false;
  m_txBuffer = {};
  m_txFrame = {};
  EnterResetMode();
  m_busOff = false;
  SyncErrorState();
}

bool Sja1000Controller::InResetMode() const { return (m_mode & kResetMode) != 0; }

bool Sja1000Controller::Accessible() const { return !m_resetLine && !m_silent; }

std::uint8_t Sja1000Controller::Read(std::uint8_t reg) {
  if (!Accessible()) return 0xFF;
  const bool reset = InResetMode();
  switch (reg) {
    case kMode:
      return m_mode;
    case kCommand:
      return 0xFF;
    case kStatus:
      return StatusValue();
    case kInterrupt: {
      const std::uint8_t value = InterruptValue();
      m_latchedInterrupts = 0;
      return value;
    }
    case kInterruptEnable:
      return m_interruptEnable;
    case kBusTiming0:
      return m_busTiming0;
    case kBusTiming1:
      return m_busTiming1;
    case kOutputControl:
      return m_outputControl;
    case kArbitrationLost:
      // Reading re-arms the capture, as on the chip.
      m_arbitrationCaptureLocked = false;
      return m_arbitrationLostCapture;
    case kErrorCode:
      m_errorCaptureLocked = false;
      return m_errorCodeCapture;
    case kErrorWarningLimit:
      return m_errorWarningLimit;
    case kRxErrors:
      return m_rxErrors;
    case kTxErrors:
      return m_txErrors;
    case kMessageCounter:
      return static_cast<std::uint8_t>(m_rxFifo.size());
    case kRxBufferStart:
      return 0;  // the FIFO RAM itself is not modelled
    case kClockDivider:
      return m_clockDivider;
    default:
      break;
  }
  if (reg >= kBufferFirst && reg <= kBufferLast) {
    const std::uint8_t offset = reg - kBufferFirst;
    if (!reset) return ReceiveWindow(offset);
    if (offset < 4) return m_acceptanceCode[offset];
    if (offset < 8) return m_acceptanceMask[offset - 4];
    return 0;
  }
  if (reg < kBufferFirst) return 0;  // reserved registers 5, 9 and 10
  return 0xFF;
}

void Sja1000Controller::Write(std::uint8_t reg, std::uint8_t value) {
  if (!Accessible()) return;
  const bool reset = InResetMode();
  switch (reg) {
    case kMode:
      WriteMode(value);
      return;
    case kCommand:
      WriteCommand(value);
      return;
    case kInterruptEnable:
      m_interruptEnable = value;
      return;
    case kBusTiming0:
      if (reset) m_busTiming0 = value;
      return;
    case kBusTiming1:
      if (reset) m_busTiming1 = value;
      return;
    case kOutputControl:
      if (reset) m_outputControl = value;
      return;
    case kErrorWarningLimit:
      if (reset) m_errorWarningLimit = value;
      SyncErrorState();
      return;
    case kRxErrors:
      if (reset) m_rxErrors = value;
      SyncErrorState();
      return;
    case kTxErrors:
      if (reset) m_txErrors = value;
      SyncErrorState();
      return;
    case kClockDivider:
      // Bit 7 selects the PeliCAN map; only that map is modelled, so the bit
      // is merely stored for the driver to read back.
      if (reset) m_clockDivider = value;
      return;
    default:
      break;
  }
  if (reg >= kBufferFirst && reg <= kBufferLast) {
    const std::uint8_t offset = reg - kBufferFirst;
    if (reset) {
      if (offset < 4) {
        m_acceptanceCode[offset] = value;
      } else if (offset < 8) {
        m_acceptanceMask[offset - 4] = value;
      }
    } else if (!m_txPending) {
      m_txBuffer[offset] = value;
    }
  }
}

void Sja1000Controller::WriteMode(std::uint8_t value) {
  if (InResetMode()) {
    // Sleep cannot be entered from reset mode; everything else is writable.
    m_mode = value & (kResetMode | kResetOnlyModeBits);
    if (!(value & kResetMode)) LeaveResetMode();
    return;
  }
  if (value & kResetMode) {
    m_mode = (m_mode & kResetOnlyModeBits) | kResetMode;
    EnterResetMode();
    return;
  }
  const bool wasSleeping = (m_mode & kSleep) != 0;
  m_mode = (m_mode & kResetOnlyModeBits) | (value & kSleep);
  if (wasSleeping && !(value & kSleep)) Raise(kWakeUpInterrupt);
}

void Sja1000Controller::WriteCommand(std::uint8_t value) {
  if (value & kClearDataOverrun) m_dataOverrun = false;
  if ((value & kReleaseReceiveBuffer) && !m_rxFifo.empty()) {
    m_rxFifoBytes -= FifoBytes(m_rxFifo.front());
    m_rxFifo.pop_front();
  }
  if (InResetMode()) return;

  const bool request = (value & (kTransmitRequest | kSelfReceptionRequest)) != 0;
  if (request) {
    // A listen-only node never drives the bus.
    if (m_txPending || (m_mode & kListenOnly)) return;
    m_txFrame = TransmitBufferFrame();
    m_txPending = true;
    m_txComplete = false;
    // Request and abort together ask for a single attempt.
    m_singleShot = (value & kAbortTransmission) != 0;
    m_selfReception = (value & kSelfReceptionRequest) != 0;
    Attempt();
    return;
  }
  if ((value & kAbortTransmission) && m_txPending) FinishTransmission(false);
}

void Sja1000Controller::EnterResetMode() {
  m_txPending = false;
  m_txComplete = true;
  m_singleShot = false;
  m_selfReception = false;
  m_rxFifo.clear();
  m_rxFifoBytes = 0;
  m_dataOverrun = false;
  m_latchedInterrupts = 0;
}

void Sja1000Controller::LeaveResetMode() {
  if (m_busOff) {
    // Bus-off recovery waits for 128 idle sequences of 11 recessive bits;
    // the virtual bus is idle between calls, so recovery completes at once.
    m_busOff = false;
    m_txErrors = 0;
    m_rxErrors = 0;
    UpdateErrorState();
  }
  Rejoined();
}

void Sja1000Controller::Rejoined() {
  if (!OnBus()) return;
  m_bus.NodeJoined(this);
  RetryPendingTransmission();
}

void Sja1000Controller::SetResetLine(bool asserted) {
  if (asserted) PowerOn();
  m_resetLine = asserted;
}

bool Sja1000Controller::InterruptLine() const {
  return Accessible() && InterruptValue() != 0;
}

void Sja1000Controller::SetSilent(bool silent) {
  if (m_silent == silent) return;
  m_silent = silent;
  if (!silent) Rejoined();
}

void Sja1000Controller::InjectBusError() {
  if (!OnBus()) return;
  const int errors = m_txErrors + 8;
  if (errors > 255) {
    GoBusOff();
  } else {
    m_txErrors = static_cast<std::uint8_t>(errors);
  }
  SignalBusError(kEccBitErrorOnTransmit);
}

// The capture register keeps the first error until it is read.
void Sja1000Controller::SignalBusError(std::uint8_t errorCode) {
  if (!m_errorCaptureLocked) {
    m_errorCodeCapture = errorCode;
    m_errorCaptureLocked = true;
  }
  Raise(kBusErrorInterrupt);
  UpdateErrorState();
}

void Sja1000Controller::GoBusOff() {
  m_busOff = true;
  m_mode = (m_mode & kResetOnlyModeBits) | kResetMode;
  EnterResetMode();
  // The transmit counter restarts at 127 to count down the recovery.
  m_txErrors = 127;
  m_rxErrors = 0;
}

void Sja1000Controller::InjectArbitrationLoss() {
  if (!OnBus()) return;
  if (!m_arbitrationCaptureLocked) {
    m_arbitrationLostCapture = kArbitrationLostBit;
    m_arbitrationCaptureLocked = true;
  }
  Raise(kArbitrationLostInterrupt);
}

Sja1000Snapshot Sja1000Controller::Snapshot() const {
  Sja1000Snapshot s;
  s.mode = m_mode;
  s.clockDivider = m_clockDivider;
  s.busTiming0 = m_busTiming0;
  s.busTiming1 = m_busTiming1;
  s.outputControl = m_outputControl;
  s.interruptEnable = m_interruptEnable;
  s.pendingInterrupts = InterruptValue();
  s.status = StatusValue();
  s.acceptanceCode = m_acceptanceCode;
  s.acceptanceMask = m_acceptanceMask;
  s.errorWarningLimit = m_errorWarningLimit;
  s.rxErrors = m_rxErrors;
  s.txErrors = m_txErrors;
  s.framesWaiting = static_cast<std::uint8_t>(m_rxFifo.size());
  s.heldInReset = m_resetLine;
  return s;
}

bool Sja1000Controller::OnBus() const {
  return Accessible() && !InResetMode() && !m_busOff;
}

std::uint32_t Sja1000Controller::BitTime() const {
  const std::uint32_t prescaler = (m_busTiming0 & 0x3F) + 1u;
  const std::uint32_t tseg1 = (m_busTiming1 & 0x0F) + 1u;
  const std::uint32_t tseg2 = ((m_busTiming1 >> 4) & 0x07) + 1u;
  return 2u * prescaler * (1u + tseg1 + tseg2);
}

void Sja1000Controller::Receive(const CanFrame& frame) {
  if (!OnBus()) return;
  if (m_mode & kSleep) {
    // Bus activity wakes the chip; the frame that woke it is lost.
    m_mode &= static_cast<std::uint8_t>(~kSleep);
    Raise(kWakeUpInterrupt);
    return;
  }
  if (m_rxErrors > 0) {
    --m_rxErrors;
    UpdateErrorState();
  }
  if (!Accepts(frame)) return;
  const std::size_t size = FifoBytes(frame);
  if (m_rxFifoBytes + size > kRxFifoSize) {
    m_dataOverrun = true;
    Raise(kOverrunInterrupt);
    return;
  }
  m_rxFifo.push_back(frame);
  m_rxFifoBytes += size;
}

void Sja1000Controller::SeeBusError() {
  if (!OnBus()) return;
  // One count per error seen as receiver; the +8 case (dominant bit right
  // after the error flag) is not distinguished.
  if (m_rxErrors < 255) ++m_rxErrors;
  SignalBusError(kEccStuffErrorOnReceive);
}

void Sja1000Controller::RetryPendingTransmission() {
  if (m_txPending && OnBus()) Attempt();
}

void Sja1000Controller::Attempt() {
  // A retry can be asked for while the bus is still busy with this node's
  // own frame (the echo answer arrives during Transmit); one attempt at a time.
  if (m_attempting) return;
  m_attempting = true;
  const CanFrame frame = m_txFrame;
  bool acknowledged = m_bus.Transmit(this, frame);
  // Self-test mode transmits without needing anybody's acknowledgement.
  if (m_mode & kSelfTest) acknowledged = true;
  m_attempting = false;
  if (!m_txPending) return;

  if (acknowledged) {
    const bool selfReception = m_selfReception;
    if (m_txErrors > 0) --m_txErrors;
    FinishTransmission(true);
    UpdateErrorState();
    // The own copy is queued after anything the bus delivered during the
    // transmission (e.g. an echo answer), a simplification of the chip.
    if (selfReception) Receive(frame);
    return;
  }

  // Acknowledgement error: an error-passive transmitter stops counting, so
  // a lonely node settles at 128 instead of going bus-off.
  if (m_txErrors < kErrorPassiveLimit) {
    m_txErrors = static_cast<std::uint8_t>(
        std::min(m_txErrors + 8, kErrorPassiveLimit));
  }
  SignalBusError(kEccAckErrorOnTransmit);
  if (m_singleShot) FinishTransmission(false);
}

void Sja1000Controller::FinishTransmission(bool complete) {
  m_txPending = false;
  m_txComplete = complete;
  m_singleShot = false;
  m_selfReception = false;
  // TI reports the buffer being released, whether sent or aborted.
  Raise(kTxInterrupt);
}

void Sja1000Controller::Raise(std::uint8_t flag) {
  if (m_interruptEnable & flag) m_latchedInterrupts |= flag;
}

bool Sja1000Controller::ErrorStatus() const {
  return m_busOff || m_txErrors >= m_errorWarningLimit ||
         m_rxErrors >= m_errorWarningLimit;
}

bool Sja1000Controller::ErrorPassive() const {
  return m_busOff || m_txErrors >= kErrorPassiveLimit ||
         m_rxErrors >= kErrorPassiveLimit;
}

void Sja1000Controller::SyncErrorState() {
  m_reportedErrorStatus = ErrorStatus();
  m_reportedBusOff = m_busOff;
  m_reportedPassive = ErrorPassive();
}

void Sja1000Controller::UpdateErrorState() {
  if (ErrorStatus() != m_reportedErrorStatus || m_busOff != m_reportedBusOff) {
    Raise(kErrorWarningInterrupt);
  }
  if (ErrorPassive() != m_reportedPassive) Raise(kErrorPassiveInterrupt);
  SyncErrorState();
}

std::uint8_t Sja1000Controller::StatusValue() const {
  std::uint8_t status = 0;
  if (!m_rxFifo.empty()) status |= kReceiveBufferFull;
  if (m_dataOverrun) status |= kDataOverrunStatus;
  if (!m_txPending) status |= kTransmitBufferFree;
  if (m_txComplete) status |= kTransmissionComplete;
  if (InResetMode()) {
    status |= kReceiving | kTransmitting;
  } else if (m_txPending) {
    status |= kTransmitting;
  }
  if (ErrorStatus()) status |= kErrorStatusBit;
  if (m_busOff) status |= kBusOffBit;
  return status;
}

std::uint8_t Sja1000Controller::InterruptValue() const {
  std::uint8_t value = m_latchedInterrupts;
  if ((m_interruptEnable & kRxInterrupt) && !m_rxFifo.empty()) value |= kRxInterrupt;
  return value;
}

CanFrame Sja1000Controller::TransmitBufferFrame() const {
  const std::array<std::uint8_t, 13>& b = m_txBuffer;
  CanFrame frame;
  frame.extended = (b[0] & kFrameInfoExtended) != 0;
  frame.remote = (b[0] & kFrameInfoRemote) != 0;
  frame.length = b[0] & 0x0F;
  std::size_t dataStart = 0;
  if (frame.extended) {
    frame.id = (std::uint32_t{b[1]} << 21) | (std::uint32_t{b[2]} << 13) |
               (std::uint32_t{b[3]} << 5) | (b[4] >> 3);
    dataStart = 5;
  } else {
    frame.id = (std::uint32_t{b[1]} << 3) | (b[2] >> 5);
    dataStart = 3;
  }
  for (std::size_t i = 0; i < DataCount(frame); ++i) frame.data[i] = b[dataStart + i];
  return frame;
}

std::uint8_t Sja1000Controller::ReceiveWindow(std::uint8_t offset) const {
  if (m_rxFifo.empty()) return 0;
  const CanFrame& f = m_rxFifo.front();
  if (offset == 0) {
    return static_cast<std::uint8_t>((f.extended ? kFrameInfoExtended : 0) |
                                     (f.remote ? kFrameInfoRemote : 0) |
                                     (f.length & 0x0F));
  }
  std::size_t dataStart = 0;
  if (f.extended) {
    const std::uint32_t id = f.id & kExtendedIdMask;
    switch (offset) {
      case 1: return static_cast<std::uint8_t>(id >> 21);
      case 2: return static_cast<std::uint8_t>(id >> 13);
      case 3: return static_cast<std::uint8_t>(id >> 5);
      case 4: return static_cast<std::uint8_t>((id & 0x1F) << 3);
      default: dataStart = 5;
    }
  } else {
    const std::uint32_t id = f.id & kStandardIdMask;
    switch (offset) {
      case 1: return static_cast<std::uint8_t>(id >> 3);
      case 2: return static_cast<std::uint8_t>((id & 0x07) << 5);
      default: dataStart = 3;
    }
  }
  const std::size_t index = offset - dataStart;
  return index < DataCount(f) ? f.data[index] : 0;
}

bool Sja1000Controller::Accepts(const CanFrame& frame) const {
  // Dual-filter mode is not modelled: with AFM clear every frame passes.
  if (!(m_mode & kSingleFilter)) return true;

  // The four filter bytes as the chip lines them up, and which of their bits
  // the frame actually carries (absent data bytes never reject).
  std::array<std::uint8_t, 4> bytes{};
  std::array<std::uint8_t, 4> present{};
  const std::uint8_t rtr = frame.remote ? 1 : 0;
  if (frame.extended) {
    const std::uint32_t id = frame.id & kExtendedIdMask;
    bytes = {static_cast<std::uint8_t>(id >> 21), static_cast<std::uint8_t>(id >> 13),
             static_cast<std::uint8_t>(id >> 5),
             static_cast<std::uint8_t>(((id & 0x1F) << 3) | (rtr << 2))};
    present = {0xFF, 0xFF, 0xFF, 0xFC};
  } else {
    const std::uint32_t id = frame.id & kStandardIdMask;
    const std::size_t data = DataCount(frame);
    bytes = {static_cast<std::uint8_t>(id >> 3),
             static_cast<std::uint8_t>(((id & 0x07) << 5) | (rtr << 4)),
             frame.data[0], frame.data[1]};
    present = {0xFF, 0xF0, static_cast<std::uint8_t>(data >= 1 ? 0xFF : 0),
               static_cast<std::uint8_t>(data >= 2 ? 0xFF : 0)};
  }
  for (std::size_t i = 0; i < 4; ++i) {
    const std::uint8_t relevant = present[i] & static_cast<std::uint8_t>(~m_acceptanceMask[i]);
    if ((bytes[i] ^ m_acceptanceCode[i]) & relevant) return false;
  }
  return true;
}

}  // namespace zembra::sim
