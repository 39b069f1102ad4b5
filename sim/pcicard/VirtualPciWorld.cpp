#include "sim/pcicard/VirtualPciWorld.h"

#include <algorithm>
#include <cstring>

namespace zembra::sim {

namespace {

constexpr std::uint32_t kControlCode = 0x00223CD8;
constexpr std::uint32_t kHeader = 12;
constexpr std::uint32_t kMaxCommand = 32780;
constexpr const char* kPathPrefix = "/virtual/px720/";

std::uint32_t Get32(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, 4);
  return value;
}
void Put32(std::uint8_t* at, std::uint32_t value) { std::memcpy(at, &value, 4); }

// Width in bytes of an access code, and whether it walks a block of ports.
struct AccessShape {
  std::uint32_t width = 0;  // 0: not an access code
  bool reads = false;
  bool io = false;
  bool walksPorts = false;
};

AccessShape ShapeOf(std::uint32_t function) {
  switch (function) {
    case 16: return {1, true, true, false};
    case 17: return {2, true, true, false};
    case 18: return {4, true, true, false};
    case 19: return {1, true, true, true};
    case 20: return {1, false, true, false};
    case 21: return {2, false, true, false};
    case 22: return {4, false, true, false};
    case 23: return {1, false, true, true};
    case 24: return {1, true, false, false};
    case 25: return {2, true, false, false};
    case 26: return {4, true, false, false};
    case 28: return {1, false, false, false};
    case 29: return {2, false, false, false};
    case 30: return {4, false, false, false};
    default: return {};
  }
}

}  // namespace

struct VirtualPciWorld::Card {
  Card(CanBus& bus, int number) : chip(bus, number) {}
  BridgeChip chip;
  std::vector<std::uint8_t> commands[2];
  std::deque<std::uint8_t> buffered;
  std::vector<std::uint8_t> initData;
  bool interruptLatched = false;
  bool requestWasActive = false;
  std::uint64_t abortGeneration = 0;
  int waits = 0;
  int openHandles = 0;
  int peakHandles = 0;
  int interrupts = 0;
};

struct VirtualPciWorld::Request {
  std::uint32_t function = 0;
  std::uint32_t address = 0;
  std::uint32_t length = 0;
};

VirtualPciWorld::VirtualPciWorld(int cards) {
  const int count = std::clamp(cards, 1, kMaxCards);
  for (int i = 0; i < count; ++i) m_cards.push_back(std::make_unique<Card>(m_bus, i));
}

VirtualPciWorld::~VirtualPciWorld() = default;

namespace {
std::mutex g_processLock;
VirtualPciWorld* g_process = nullptr;
}  // namespace

VirtualPciWorld& VirtualPciWorld::Process(int cards) {
  std::lock_guard lock(g_processLock);
  // Never destroyed: a detached interrupt thread may still wait in it while
  // static objects are torn down at exit.
  if (!g_process) g_process = new VirtualPciWorld(cards);
  return *g_process;
}

VirtualPciWorld* VirtualPciWorld::ProcessIfMade() {
  std::lock_guard lock(g_processLock);
  return g_process;
}

std::string VirtualPciWorld::DevicePath(int card) const { return kPathPrefix + std::to_string(card); }

int VirtualPciWorld::CardOfPath(const std::string& path) const {
  for (int i = 0; i < CardCount(); ++i) {
    if (DevicePath(i) == path) return i;
  }
  return -1;
}

long VirtualPciWorld::Open(int card) {
  std::lock_guard lock(m_lock);
  if (card < 0 || card >= CardCount()) return -1;
  Card& c = *m_cards[card];
  c.peakHandles = std::max(c.peakHandles, ++c.openHandles);
  m_handles[++m_lastHandle] = card;
  return m_lastHandle;
}

bool VirtualPciWorld::Close(long handle) {
  std::lock_guard lock(m_lock);
  auto it = m_handles.find(handle);
  if (it == m_handles.end()) return false;
  --m_cards[it->second]->openHandles;
  m_handles.erase(it);
  return true;
}

VirtualPciWorld::Card* VirtualPciWorld::CardOfHandle(long handle) {
  auto it = m_handles.find(handle);
  return it == m_handles.end() ? nullptr : m_cards[it->second].get();
}

bool VirtualPciWorld::Control(long handle, std::uint32_t code, std::uint8_t* buffer, std::uint32_t inSize,
                              std::uint32_t outSize, std::uint32_t* returned) {
  std::unique_lock lock(m_lock);
  Card* card = CardOfHandle(handle);
  if (!card || code != kControlCode || !buffer || inSize < kHeader || outSize < kHeader) return false;
  const bool ok = Execute(*card, buffer, inSize, outSize, returned, lock);
  ServiceInterrupts();
  return ok;
}

BridgeChip* VirtualPciWorld::ChipOwningPort(std::uint32_t port) {
  for (auto& card : m_cards) {
    if (card->chip.OwnsPort(port)) return &card->chip;
  }
  return nullptr;
}

BridgeChip* VirtualPciWorld::ChipOwningMemory(std::uint32_t address) {
  for (auto& card : m_cards) {
    if (card->chip.OwnsMemory(address)) return &card->chip;
  }
  return nullptr;
}

// Single accesses move one value; with a longer length the same port is
// accessed again (a FIFO-style block). Codes 19 and 23 walk consecutive
// ports byte by byte.
bool VirtualPciWorld::AccessPorts(std::uint32_t function, std::uint32_t address, std::uint32_t length,
                                  std::uint8_t* data) {
  const AccessShape shape = ShapeOf(function);
  if (length % shape.width != 0) return false;
  for (std::uint32_t done = 0; done < length; done += shape.width) {
    const std::uint32_t port = shape.walksPorts ? address + done : address;
    for (std::uint32_t byte = 0; byte < shape.width; ++byte) {
      BridgeChip* chip = ChipOwningPort(port + byte);
      if (!chip) return false;
      const std::uint32_t offset = port + byte - chip->IoBase();
      if (shape.reads) {
        data[done + byte] = chip->ReadPort(offset);
      } else {
        chip->WritePort(offset, data[done + byte]);
      }
    }
  }
  return true;
}

bool VirtualPciWorld::AccessMemory(std::uint32_t function, std::uint32_t address, std::uint32_t length,
                                   std::uint8_t* data) {
  const AccessShape shape = ShapeOf(function);
  if (length % shape.width != 0) return false;
  for (std::uint32_t i = 0; i < length; ++i) {
    BridgeChip* chip = ChipOwningMemory(address + i);
    if (!chip) return false;
    const std::uint32_t offset = address + i - chip->MemoryBase();
    if (shape.reads) {
      data[i] = chip->ReadMemory(offset);
    } else {
      chip->WriteMemory(offset, data[i]);
    }
  }
  return true;
}

bool VirtualPciWorld::Access(Card& card, const Request& request, std::uint8_t* data,
                             std::vector<std::uint8_t>* readOut) {
  const AccessShape shape = ShapeOf(request.function);
  if (shape.width != 0) {
    if (request.length == 0) return false;
    const bool ok = shape.io ? AccessPorts(request.function, request.address, request.length, data)
                             : AccessMemory(request.function, request.address, request.length, data);
    if (ok && shape.reads && readOut) readOut->insert(readOut->end(), data, data + request.length);
    return ok;
  }
  switch (request.function) {
    case 32:
      if (request.address > 255 || request.length != 1) return false;
      data[0] = card.chip.ReadConfig(static_cast<std::uint8_t>(request.address));
      return true;
    case 33:
      if (request.address > 255 || request.length != 1) return false;
      card.chip.WriteConfig(static_cast<std::uint8_t>(request.address), data[0]);
      return true;
    default:
      return false;
  }
}

bool VirtualPciWorld::Execute(Card& card, std::uint8_t* buffer, std::uint32_t inSize, std::uint32_t outSize,
                              std::uint32_t* returned, std::unique_lock<std::mutex>& lock) {
  Request request{Get32(buffer), Get32(buffer + 4), Get32(buffer + 8)};
  std::uint8_t* data = buffer + kHeader;
  // The record must hold what the request moves, both ways.
  const std::uint64_t recordSize = std::uint64_t{kHeader} + request.length;
  // A driver never reports more bytes than the caller's answer buffer holds.
  auto answer = [&](std::uint32_t bytes) {
    if (returned) *returned = std::min(bytes, outSize);
    return true;
  };
  switch (request.function) {
    case 1:
      // The version byte follows the header: a bare header has no room.
      if (outSize < kHeader + 1) return false;
      data[0] = kDriverVersion;
      return answer(kHeader + 1);
    case 4: Put32(buffer + 4, card.chip.IoBase()); return answer(kHeader);
    case 5: card.chip.SetIoBase(request.address); return answer(kHeader);
    case 6: Put32(buffer + 4, card.chip.MemoryBase()); return answer(kHeader);
    case 7: card.chip.SetMemoryBase(request.address); return answer(kHeader);
    case 8: Put32(buffer + 4, card.chip.InterruptLineNumber()); return answer(kHeader);
    case 9: card.chip.SetInterruptLineNumber(request.address); return answer(kHeader);
    case 10:
      return WaitForInterrupt(card, lock) && answer(kHeader);
    case 11:
      ++card.abortGeneration;
      m_changed.notify_all();
      return answer(kHeader);
    case 36:
    case 38: {
      const auto& command = card.commands[request.function == 36 ? 0 : 1];
      if (outSize < kHeader + command.size()) return false;
      std::copy(command.begin(), command.end(), data);
      Put32(buffer + 8, static_cast<std::uint32_t>(command.size()));
      // The reply is the stored command itself, counted without the header.
      return answer(static_cast<std::uint32_t>(command.size()));
    }
    case 37:
    case 39:
      if (recordSize > inSize || request.length > kMaxCommand) return false;
      card.commands[request.function == 37 ? 0 : 1].assign(data, data + request.length);
      return answer(static_cast<std::uint32_t>(recordSize));
    case 40: {
      if (outSize < kHeader + 2) return false;
      const auto count = static_cast<std::uint32_t>(card.buffered.size());
      data[0] = static_cast<std::uint8_t>(count);
      data[1] = static_cast<std::uint8_t>(count >> 8);
      return answer(kHeader + 2);
    }
    case 41:
      if (recordSize > outSize || request.length > card.buffered.size()) return false;
      for (std::uint32_t i = 0; i < request.length; ++i) {
        data[i] = card.buffered.front();
        card.buffered.pop_front();
      }
      return answer(static_cast<std::uint32_t>(recordSize));
    case 42:
      if (request.length != 11 || recordSize > inSize) return false;
      card.initData.assign(data, data + 11);
      return answer(static_cast<std::uint32_t>(recordSize));
    default:
      if (recordSize > inSize || recordSize > outSize) return false;
      return Access(card, request, data, nullptr) && answer(static_cast<std::uint32_t>(recordSize));
  }
}

bool VirtualPciWorld::WaitForInterrupt(Card& card, std::unique_lock<std::mutex>& lock) {
  const std::uint64_t generation = card.abortGeneration;
  ++card.waits;
  m_changed.wait(lock, [&] { return card.interruptLatched || card.abortGeneration != generation; });
  --card.waits;
  // An abort wins over an interrupt that came at the same time; the
  // interrupt stays latched for the next wait.
  if (card.abortGeneration != generation) return false;
  card.interruptLatched = false;
  return true;
}

// Edge-triggered, as the driver acknowledges each interrupt by running the
// commands that are meant to take the request away (the gate): a request
// that stays active does not interrupt again until it has dropped.
void VirtualPciWorld::ServiceInterrupts() {
  for (int round = 0; round < 8; ++round) {
    bool raised = false;
    for (auto& card : m_cards) {
      const bool active = card->chip.InterruptRequest();
      if (active && !card->requestWasActive) {
        ++card->interrupts;
        RunInterruptCommands(*card);
        card->interruptLatched = true;
        raised = true;
        m_changed.notify_all();
      }
      card->requestWasActive = card->chip.InterruptRequest();
    }
    if (!raised) return;
  }
}

// A stored command is one request record; what a reading command reads is
// buffered for the caller.
void VirtualPciWorld::RunInterruptCommands(Card& card) {
  for (const auto& command : card.commands) {
    if (command.size() < kHeader) continue;
    Request request{Get32(&command[0]), Get32(&command[4]), Get32(&command[8])};
    if (kHeader + std::uint64_t{request.length} > command.size()) continue;
    std::vector<std::uint8_t> data(command.begin() + kHeader, command.begin() + kHeader + request.length);
    std::vector<std::uint8_t> readBytes;
    Access(card, request, data.data(), &readBytes);
    for (std::uint8_t byte : readBytes) {
      if (card.buffered.size() < kMaxBuffered) card.buffered.push_back(byte);
    }
  }
}

void VirtualPciWorld::SetEchoNode(bool present) {
  std::lock_guard lock(m_lock);
  m_bus.SetEchoNode(present);
}

void VirtualPciWorld::SendFromOutside(const CanFrame& frame) {
  std::lock_guard lock(m_lock);
  m_bus.SendFromOutside(frame);
  ServiceInterrupts();
}

std::vector<CanBusRecord> VirtualPciWorld::BusLog() const {
  std::lock_guard lock(m_lock);
  return m_bus.Log();
}

void VirtualPciWorld::InjectBusError(int card) {
  std::lock_guard lock(m_lock);
  m_cards.at(card)->chip.Controller().InjectBusError();
  ServiceInterrupts();
}

void VirtualPciWorld::InjectArbitrationLoss(int card) {
  std::lock_guard lock(m_lock);
  m_cards.at(card)->chip.Controller().InjectArbitrationLoss();
  ServiceInterrupts();
}

void VirtualPciWorld::SetControllerSilent(int card, bool silent) {
  std::lock_guard lock(m_lock);
  m_cards.at(card)->chip.Controller().SetSilent(silent);
  ServiceInterrupts();
}

void VirtualPciWorld::SetI2cStuck(int card, bool stuck) {
  std::lock_guard lock(m_lock);
  m_cards.at(card)->chip.SetI2cStuck(stuck);
}

void VirtualPciWorld::SetCounterFrozen(int card, bool frozen) {
  std::lock_guard lock(m_lock);
  m_cards.at(card)->chip.SetCounterFrozen(frozen);
}

void VirtualPciWorld::PushBufferedData(int card, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(m_lock);
  auto& buffered = m_cards.at(card)->buffered;
  for (std::uint8_t byte : bytes) {
    if (buffered.size() < kMaxBuffered) buffered.push_back(byte);
  }
}

std::vector<std::uint8_t> VirtualPciWorld::StoredInitData(int card) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->initData;
}

std::vector<OutputLineWrite> VirtualPciWorld::OutputLineWrites(int card) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->chip.OutputLineWrites();
}

Sja1000Snapshot VirtualPciWorld::ControllerState(int card) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->chip.Controller().Snapshot();
}

std::uint8_t VirtualPciWorld::Eeprom(int card, std::uint8_t address) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->chip.Eeprom(address);
}

std::uint8_t VirtualPciWorld::Memory(int card, std::uint32_t offset) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->chip.ReadMemory(offset);
}

int VirtualPciWorld::OpenHandles(int card) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->openHandles;
}

int VirtualPciWorld::PeakOpenHandles(int card) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->peakHandles;
}

int VirtualPciWorld::WaitsPosted(int card) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->waits;
}

int VirtualPciWorld::InterruptsRaised(int card) const {
  std::lock_guard lock(m_lock);
  return m_cards.at(card)->interrupts;
}

void VirtualPciWorld::PowerOn() {
  std::lock_guard lock(m_lock);
  m_bus.ClearLog();
  for (auto& card : m_cards) {
    card->chip.PowerOn();
    card->commands[0].clear();
    card->commands[1].clear();
    card->buffered.clear();
    card->initData.clear();
    card->interruptLatched = false;
    card->requestWasActive = false;
    card->interrupts = 0;
    card->peakHandles = card->openHandles;
  }
}

}  // namespace zembra::sim
