// tq402 end to end: the CAN library over the PX720 bridge library on the
// virtual PCI CAN cards. Covers controller set-up and reset, frames by
// polling, interrupt-driven reception and transmission, the error recovery
// run from the interrupt routine, the gate calls, the driver's buffered
// data, register access and opening cards.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "bridgelib/DeviceControl.h"
#include "bridgelib/PX720DLL.h"
#include "canlib/tq402.h"
#include "sim/pcicard/VirtualPciWorld.h"
#include "tests/support/PollUntil.h"

namespace {

using namespace std::chrono_literals;
using zembra::sim::CanBusRecord;
using zembra::sim::CanFrame;
using zembra::sim::OutputLineWrite;
using zembra::sim::VirtualPciWorld;

constexpr std::uint8_t kGateOpen = 0x5F;
constexpr std::uint8_t kGateClosed = 0xDF;
constexpr std::uint8_t kGateClosedByDriver = 0x80;
constexpr std::uint8_t kResetAsserted = 0xA0;
constexpr std::uint8_t kRegInterruptEnable = 4;

// 500 kbit/s, accept everything, no interrupts enabled.
constexpr std::array<std::uint8_t, 11> kInitBlock{0x00, 0x1C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

VirtualPciWorld& World() {
  static VirtualPciWorld& world = [] () -> VirtualPciWorld& {
    px720::UseBackend(px720::VirtualCardBackend(2));
    return *VirtualPciWorld::ProcessIfMade();
  }();
  return world;
}

using zembra::test::PollUntil;

std::vector<std::uint8_t> LineValues(const std::vector<OutputLineWrite>& writes, std::size_t from = 0) {
  std::vector<std::uint8_t> values;
  for (std::size_t i = from; i < writes.size(); ++i) values.push_back(writes[i].value);
  return values;
}

std::uint8_t LastLineWrite() {
  const auto writes = World().OutputLineWrites(0);
  return writes.empty() ? 0 : writes.back().value;
}

// Waits until an interrupt has been served since write `from`: the driver's
// gate-closing write followed by the routine's final re-opening.
bool InterruptServedSince(std::size_t from) {
  return PollUntil([&] {
    const auto values = LineValues(World().OutputLineWrites(0), from);
    return values.size() >= 2 && values.back() == kGateOpen;
  });
}

std::array<std::uint8_t, 13> StandardFrame(std::uint32_t id, std::initializer_list<std::uint8_t> data) {
  std::array<std::uint8_t, 13> frame{};
  frame[0] = static_cast<std::uint8_t>(data.size());
  frame[1] = static_cast<std::uint8_t>(id >> 3);
  frame[2] = static_cast<std::uint8_t>((id & 0x07) << 5);
  std::copy(data.begin(), data.end(), frame.begin() + 3);
  return frame;
}

std::array<std::uint8_t, 13> ExtendedFrame(std::uint32_t id, std::initializer_list<std::uint8_t> data) {
  std::array<std::uint8_t, 13> frame{};
  frame[0] = static_cast<std::uint8_t>(0x80 | data.size());
  frame[1] = static_cast<std::uint8_t>(id >> 21);
  frame[2] = static_cast<std::uint8_t>(id >> 13);
  frame[3] = static_cast<std::uint8_t>(id >> 5);
  frame[4] = static_cast<std::uint8_t>((id & 0x1F) << 3);
  std::copy(data.begin(), data.end(), frame.begin() + 5);
  return frame;
}

CanFrame OutsideFrame(std::uint32_t id, std::uint8_t first) {
  return {false, false, id, 3, {first, static_cast<std::uint8_t>(first + 1), static_cast<std::uint8_t>(first + 2)}};
}

// What the callback saw; it runs on the bridge library's interrupt thread.
struct CallbackLog {
  std::atomic<int> calls{0};
  std::atomic<int> framesReceived{0};
  std::atomic<bool> ranOnTestThread{false};
  std::atomic<std::thread::id> testThread{};
  std::array<std::atomic<std::uint8_t>, 13> lastFrame{};

  void Reset() {
    calls = 0;
    framesReceived = 0;
    ranOnTestThread = false;
    testThread = std::this_thread::get_id();
    for (auto& byte : lastFrame) byte = 0;
  }
};
CallbackLog g_log;

void ReceivingCallback() {
  if (std::this_thread::get_id() == g_log.testThread.load()) g_log.ranOnTestThread = true;
  std::array<std::uint8_t, 13> frame{};
  if (CAN_Recv(0, frame.data(), 10)) {
    for (std::size_t i = 0; i < frame.size(); ++i) g_log.lastFrame[i] = frame[i];
    ++g_log.framesReceived;
  }
  ++g_log.calls;
}

class CanCard : public ::testing::Test {
 protected:
  void SetUp() override {
    World().SetEchoNode(false);
    World().PowerOn();
    g_log.Reset();
    ASSERT_EQ(CAN_Open(0), 1);
  }
  void TearDown() override {
    PX720mSetIntRoutine(0, nullptr);
    CAN_Close(0);
    World().SetEchoNode(false);
    World().PowerOn();
  }
  void Init(const std::array<std::uint8_t, 11>& block = kInitBlock) { ASSERT_EQ(CAN_Init(0, block.data()), 1); }
  std::size_t LineWriteCount() const { return World().OutputLineWrites(0).size(); }
};

class CanSetUp : public CanCard {};
class CanPolling : public CanCard {};
class CanInterrupts : public CanCard {};
class CanRecovery : public CanCard {};
class CanAccess : public CanCard {};

TEST_F(CanSetUp, InitConfiguresControllerAndHandsBlockToDriver) {
  const std::array<std::uint8_t, 11> block{0x03, 0x2F, 0x11, 0x22, 0x33, 0x44, 0xF0, 0xF1, 0xF2, 0xF3, 0x10};
  Init(block);
  const auto state = World().ControllerState(0);
  EXPECT_EQ(state.mode, 0x08);
  EXPECT_EQ(state.clockDivider, 0x80);
  EXPECT_EQ(state.busTiming0, 0x03);
  EXPECT_EQ(state.busTiming1, 0x2F);
  EXPECT_EQ(state.acceptanceCode, (std::array<std::uint8_t, 4>{0x11, 0x22, 0x33, 0x44}));
  EXPECT_EQ(state.acceptanceMask, (std::array<std::uint8_t, 4>{0xF0, 0xF1, 0xF2, 0xF3}));
  EXPECT_EQ(state.outputControl, 0xAA);
  EXPECT_EQ(state.interruptEnable, 0x10);
  EXPECT_EQ(World().StoredInitData(0), std::vector<std::uint8_t>(block.begin(), block.end()));
}

TEST_F(CanSetUp, InitFailsWithoutAnsweringControllerOrBlock) {
  Init();
  const std::vector<std::uint8_t> stored(kInitBlock.begin(), kInitBlock.end());

  World().SetControllerSilent(0, true);
  const std::array<std::uint8_t, 11> other{0x05, 0x3A, 1, 2, 3, 4, 0, 0, 0, 0, 0x01};
  EXPECT_EQ(CAN_Init(0, other.data()), 0);
  World().SetControllerSilent(0, false);

  // The driver must not keep settings the controller never took.
  EXPECT_EQ(World().StoredInitData(0), stored);
  const auto state = World().ControllerState(0);
  EXPECT_EQ(state.mode, 0x08);
  EXPECT_EQ(state.busTiming0, 0x00);
  EXPECT_EQ(state.busTiming1, 0x1C);

  EXPECT_EQ(CAN_Init(0, nullptr), 0);
  EXPECT_EQ(World().StoredInitData(0), stored);
}

TEST_F(CanSetUp, ResetPulsesTheLineAndLeavesPowerOnState) {
  Init();
  const std::size_t from = LineWriteCount();
  EXPECT_EQ(CAN_Reset(0), 1);

  const auto writes = World().OutputLineWrites(0);
  ASSERT_EQ(LineValues(writes, from), (std::vector<std::uint8_t>{kResetAsserted, kGateClosedByDriver}));
  EXPECT_GE(writes[from + 1].at - writes[from].at, 200ms);
  const auto state = World().ControllerState(0);
  EXPECT_EQ(state.mode, 0x01);
  EXPECT_EQ(state.clockDivider, 0x00);
  EXPECT_EQ(state.busTiming1, 0x00);
  EXPECT_FALSE(state.heldInReset);
}

TEST_F(CanPolling, FramesTravelByteExactAndEchoesAreReceived) {
  Init();
  World().SetEchoNode(true);

  const auto standard = StandardFrame(0x5A3, {1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_EQ(CAN_Trans(0, standard.data(), 100), 1);
  std::array<std::uint8_t, 13> received{};
  received.fill(0xEE);
  ASSERT_EQ(CAN_Recv(0, received.data(), 100), 1);
  const auto standardEcho = StandardFrame(0x5A4, {1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_TRUE(std::equal(received.begin(), received.begin() + 11, standardEcho.begin()));
  EXPECT_EQ(received[11], 0xEE) << "a standard frame is 11 bytes";
  EXPECT_EQ(received[12], 0xEE) << "a standard frame is 11 bytes";

  const auto extended = ExtendedFrame(0x1234567, {0xA1, 0xB2, 0xC3});
  ASSERT_EQ(CAN_Trans(0, extended.data(), 100), 1);
  received.fill(0xEE);
  ASSERT_EQ(CAN_Recv(0, received.data(), 100), 1);
  EXPECT_EQ(received, ExtendedFrame(0x1234568, {0xA1, 0xB2, 0xC3}));

  const auto log = World().BusLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].sender, CanBusRecord::Sender::Controller);
  EXPECT_EQ(log[0].frame, (CanFrame{false, false, 0x5A3, 8, {1, 2, 3, 4, 5, 6, 7, 8}}));
  EXPECT_TRUE(log[0].acknowledged);
  EXPECT_EQ(log[2].sender, CanBusRecord::Sender::Controller);
  EXPECT_EQ(log[2].frame, (CanFrame{true, false, 0x1234567, 3, {0xA1, 0xB2, 0xC3}}));
  EXPECT_EQ(World().ControllerState(0).framesWaiting, 0) << "each receive releases its frame";
}

TEST_F(CanPolling, ZeroPollsAndNothingWaitingLeaveEverythingAlone) {
  Init();
  std::array<std::uint8_t, 13> buffer{};
  buffer.fill(0xEE);
  const auto untouched = buffer;

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CAN_Recv(0, buffer.data(), 20), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 19ms) << "one poll per millisecond";
  EXPECT_EQ(buffer, untouched);

  World().SendFromOutside(OutsideFrame(0x100, 0x40));
  const auto frame = StandardFrame(0x200, {9});
  EXPECT_EQ(CAN_Trans(0, frame.data(), 0), 0);
  EXPECT_EQ(CAN_Recv(0, buffer.data(), 0), 0);
  EXPECT_EQ(buffer, untouched);
  EXPECT_EQ(World().BusLog().size(), 1u) << "nothing was transmitted";
  EXPECT_EQ(World().ControllerState(0).framesWaiting, 1) << "the waiting frame was not taken";
}

TEST_F(CanPolling, TransmitFailsWhileUnacknowledgedFrameHoldsTheBuffer) {
  Init();
  const auto frame = StandardFrame(0x321, {1, 2});
  ASSERT_EQ(CAN_Trans(0, frame.data(), 100), 1);
  ASSERT_EQ(World().BusLog().size(), 1u);
  EXPECT_FALSE(World().BusLog()[0].acknowledged);

  EXPECT_EQ(CAN_Trans(0, frame.data(), 20), 0);
  EXPECT_EQ(World().BusLog().size(), 1u);
}

TEST_F(CanInterrupts, ReceiveInterruptRunsCallbackOnInterruptThreadAndReopensGate) {
  Init();
  EXPECT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0xC5);
  EXPECT_EQ(LastLineWrite(), kGateOpen);

  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    const std::size_t from = LineWriteCount();
    World().SendFromOutside(OutsideFrame(0x111 * round, static_cast<std::uint8_t>(0x10 * round)));
    ASSERT_TRUE(InterruptServedSince(from));
    EXPECT_EQ(LineValues(World().OutputLineWrites(0), from),
              (std::vector<std::uint8_t>{kGateClosedByDriver, kGateOpen}));
    EXPECT_EQ(g_log.calls.load(), round);
    EXPECT_EQ(g_log.framesReceived.load(), round);
    const auto expected = StandardFrame(0x111 * round, {static_cast<std::uint8_t>(0x10 * round),
                                                        static_cast<std::uint8_t>(0x10 * round + 1),
                                                        static_cast<std::uint8_t>(0x10 * round + 2)});
    for (std::size_t i = 0; i < 11; ++i) EXPECT_EQ(g_log.lastFrame[i].load(), expected[i]) << "byte " << i;
  }
  EXPECT_FALSE(g_log.ranOnTestThread.load());
}

TEST_F(CanInterrupts, TransmitInterruptRunsCallback) {
  Init();
  World().SetEchoNode(true);
  EXPECT_EQ(CAN_Enable_Interrupt(0, 1, ReceivingCallback), 1);
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0xC6);

  const std::size_t from = LineWriteCount();
  const auto frame = StandardFrame(0x42, {7});
  ASSERT_EQ(CAN_Trans(0, frame.data(), 100), 1);
  ASSERT_TRUE(InterruptServedSince(from));
  EXPECT_EQ(LineValues(World().OutputLineWrites(0), from),
            (std::vector<std::uint8_t>{kGateClosedByDriver, kGateOpen}));
  EXPECT_EQ(g_log.calls.load(), 1);
  EXPECT_FALSE(g_log.ranOnTestThread.load());
}

TEST_F(CanInterrupts, TransmitAndReceiveTogetherStillRunCallbackAndReopenGate) {
  Init();
  World().SetEchoNode(true);
  EXPECT_EQ(CAN_Enable_Interrupt(0, 3, ReceivingCallback), 1);
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0xC7);

  // Hold the gate shut so both reasons are pending when the interrupt comes.
  ASSERT_EQ(PX720mSetA15_A8(0, kGateClosed), 1);
  const auto frame = StandardFrame(0x300, {1, 2, 3});
  ASSERT_EQ(CAN_Trans(0, frame.data(), 100), 1);
  ASSERT_EQ(World().ControllerState(0).pendingInterrupts, 0x03);
  EXPECT_EQ(g_log.calls.load(), 0);

  const std::size_t from = LineWriteCount();
  ASSERT_EQ(CAN_Inten(0), 1);
  ASSERT_TRUE(PollUntil([&] { return LineValues(World().OutputLineWrites(0), from).size() >= 3; }));
  EXPECT_EQ(LineValues(World().OutputLineWrites(0), from),
            (std::vector<std::uint8_t>{kGateOpen, kGateClosedByDriver, kGateOpen}));
  EXPECT_EQ(g_log.calls.load(), 1);
  EXPECT_EQ(g_log.framesReceived.load(), 1);
  EXPECT_EQ(g_log.lastFrame[1].load(), 0x301 >> 3) << "the echo's identifier";
  EXPECT_EQ(World().InterruptsRaised(0), 1);
}

TEST_F(CanInterrupts, InvalidTypeInstallsRoutineButKeepsInterruptEnable) {
  const std::array<std::uint8_t, 11> block{0x00, 0x1C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x10};
  Init(block);
  EXPECT_EQ(CAN_Enable_Interrupt(0, 4, ReceivingCallback), 0);
  EXPECT_EQ(LastLineWrite(), kGateOpen);
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0x10);
  EXPECT_TRUE(PollUntil([] { return World().WaitsPosted(0) == 1; })) << "the routine's thread waits";
}

TEST_F(CanInterrupts, NullCallbackIsRefusedAndInstallsNothing) {
  Init();
  const std::size_t from = LineWriteCount();
  EXPECT_EQ(CAN_Enable_Interrupt(0, 2, nullptr), 0);
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0x00);
  EXPECT_EQ(LineWriteCount(), from);
  EXPECT_EQ(World().WaitsPosted(0), 0);
}

TEST_F(CanInterrupts, DisableClosesGateAndLeavesErrorInterruptsEnableReopens) {
  Init();
  EXPECT_NE(CAN_Intdisen(0), 0);
  EXPECT_EQ(LastLineWrite(), kGateClosed);
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0xC0);
  EXPECT_EQ(CAN_Inten(0), 1);
  EXPECT_EQ(LastLineWrite(), kGateOpen);
}

// Runs one error recovery from `inject` and checks what every recovery
// must show; returns with the controller recovered.
void ExpectRecovery(const std::function<void()>& inject) {
  const std::size_t from = World().OutputLineWrites(0).size();
  inject();
  ASSERT_TRUE(PollUntil([&] { return LineValues(World().OutputLineWrites(0), from).size() >= 4; }));
  const auto writes = World().OutputLineWrites(0);
  ASSERT_EQ(LineValues(writes, from),
            (std::vector<std::uint8_t>{kGateClosedByDriver, kResetAsserted, kGateClosedByDriver, kGateOpen}));
  EXPECT_GE(writes[from + 2].at - writes[from + 1].at, 200ms);
  EXPECT_GE(writes[from + 3].at - writes[from + 1].at, 1200ms);
  EXPECT_EQ(g_log.calls.load(), 0) << "an error is no frame";
  const auto state = World().ControllerState(0);
  EXPECT_EQ(state.mode, 0x08);
  EXPECT_EQ(state.clockDivider, 0x80);
  EXPECT_EQ(state.outputControl, 0xAA);
  EXPECT_EQ(state.interruptEnable, 0xC5);
}

TEST_F(CanRecovery, ArbitrationLossResetsAndReinitialisesController) {
  Init();
  ASSERT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);
  ASSERT_NO_FATAL_FAILURE(ExpectRecovery([] { World().InjectArbitrationLoss(0); }));
  EXPECT_EQ(World().ControllerState(0).busTiming1, 0x1C);

  // The recovered card serves interrupts again.
  const std::size_t from = LineWriteCount();
  World().SendFromOutside(OutsideFrame(0x7F0, 0x55));
  ASSERT_TRUE(InterruptServedSince(from));
  EXPECT_EQ(g_log.framesReceived.load(), 1);
}

TEST_F(CanRecovery, BusErrorResetsAndReinitialisesController) {
  Init();
  ASSERT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);
  ASSERT_NO_FATAL_FAILURE(ExpectRecovery([] { World().InjectBusError(0); }));
  const auto state = World().ControllerState(0);
  EXPECT_EQ(state.busTiming0, 0x00);
  EXPECT_EQ(state.busTiming1, 0x1C);
  EXPECT_EQ(state.txErrors, 0);
}

TEST_F(CanRecovery, RecoveryUsesTheLibrarysCopyOfTheBlock) {
  std::uint8_t block[11] = {0x01, 0x2F, 0x12, 0x34, 0x56, 0x78, 0x0F, 0x0F, 0x0F, 0x0F, 0x00};
  ASSERT_EQ(CAN_Init(0, block), 1);
  std::fill(std::begin(block), std::end(block), std::uint8_t{0x77});
  ASSERT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);

  ASSERT_NO_FATAL_FAILURE(ExpectRecovery([] { World().InjectArbitrationLoss(0); }));
  const auto state = World().ControllerState(0);
  EXPECT_EQ(state.busTiming0, 0x01);
  EXPECT_EQ(state.busTiming1, 0x2F);
  EXPECT_EQ(state.acceptanceCode, (std::array<std::uint8_t, 4>{0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(state.acceptanceMask, (std::array<std::uint8_t, 4>{0x0F, 0x0F, 0x0F, 0x0F}));
}

// A caller's register access and the interrupt routine's run on different
// threads; each is a select followed by a data access, so one must never
// land between the other's two halves.
TEST_F(CanInterrupts, RegisterAccessFromACallerDuringInterruptsStaysWhole) {
  Init();
  ASSERT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);
  std::atomic<bool> stop{false};
  std::atomic<long> wrongReads{0};
  std::thread caller([&] {
    const std::uint8_t enable[2] = {kRegInterruptEnable, 0xC5};
    while (!stop.load()) {
      CAN_WriteReg(0, enable);
      std::uint8_t read[2] = {kRegInterruptEnable, 0};
      if (CAN_ReadReg(0, read) != 1 || read[1] != 0xC5) ++wrongReads;
    }
  });
  constexpr int kFrames = 150;
  int served = 0;
  for (int i = 1; i <= kFrames; ++i) {
    const std::size_t from = LineWriteCount();
    World().SendFromOutside(OutsideFrame(static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(i)));
    if (!InterruptServedSince(from) || g_log.framesReceived.load() != i) break;
    const auto expected = StandardFrame(static_cast<std::uint32_t>(i),
                                        {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i + 1),
                                         static_cast<std::uint8_t>(i + 2)});
    bool intact = true;
    for (std::size_t b = 0; b < 6; ++b) intact = intact && g_log.lastFrame[b].load() == expected[b];
    if (!intact) break;
    served = i;
  }
  stop = true;
  caller.join();
  EXPECT_EQ(served, kFrames) << "frame " << served + 1 << " was lost or garbled";
  EXPECT_EQ(wrongReads.load(), 0);
  const auto lines = LineValues(World().OutputLineWrites(0));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kResetAsserted), 0) << "a frame was taken for an error";
}

TEST_F(CanRecovery, AnErrorWarningAloneResetsAndReinitialisesController) {
  Init();
  ASSERT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);
  // Bus-error interrupts off: only the error warning reaches the routine,
  // at the twelfth error (96 counted against the default limit of 96).
  const std::uint8_t receiveAndWarning[2] = {kRegInterruptEnable, 0x05};
  ASSERT_EQ(CAN_WriteReg(0, receiveAndWarning), 1);
  ASSERT_NO_FATAL_FAILURE(ExpectRecovery([] {
    for (int i = 0; i < 12; ++i) World().InjectBusError(0);
  }));
}

TEST_F(CanRecovery, AFramePendingBesideAnErrorIsTakenBeforeTheReset) {
  Init();
  ASSERT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);
  ASSERT_EQ(PX720mSetA15_A8(0, kGateClosed), 1);
  World().SendFromOutside(OutsideFrame(0x2A0, 0x31));
  World().InjectArbitrationLoss(0);
  ASSERT_EQ(World().ControllerState(0).pendingInterrupts, 0x41);
  const std::size_t from = LineWriteCount();
  ASSERT_EQ(CAN_Inten(0), 1);
  ASSERT_TRUE(PollUntil([&] { return LineValues(World().OutputLineWrites(0), from).size() >= 5; }));
  EXPECT_EQ(LineValues(World().OutputLineWrites(0), from),
            (std::vector<std::uint8_t>{kGateOpen, kGateClosedByDriver, kResetAsserted, kGateClosedByDriver,
                                       kGateOpen}));
  EXPECT_EQ(g_log.framesReceived.load(), 1) << "the reset threw the waiting frame away";
  EXPECT_EQ(g_log.lastFrame[3].load(), 0x31);
}

// A wake-up is an interrupt but no error: it must not cost a 1.2 s reset.
TEST_F(CanRecovery, AWakeUpInterruptIsNoError) {
  Init();
  ASSERT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);
  const std::uint8_t withWakeUp[2] = {kRegInterruptEnable, 0xD5};
  ASSERT_EQ(CAN_WriteReg(0, withWakeUp), 1);
  const std::uint8_t sleep[2] = {0, 0x10};
  ASSERT_EQ(CAN_WriteReg(0, sleep), 1);
  const std::size_t from = LineWriteCount();
  const std::uint8_t wake[2] = {0, 0x00};
  ASSERT_EQ(CAN_WriteReg(0, wake), 1);
  ASSERT_TRUE(InterruptServedSince(from));
  EXPECT_EQ(LineValues(World().OutputLineWrites(0), from),
            (std::vector<std::uint8_t>{kGateClosedByDriver, kGateOpen}));
  EXPECT_EQ(g_log.calls.load(), 0);
}

TEST_F(CanPolling, NoFrameIsWrittenIntoAControllerThatWentOffTheBus) {
  Init();
  for (int i = 0; i < 32; ++i) World().InjectBusError(0);  // 256 errors: bus-off
  ASSERT_EQ(World().ControllerState(0).mode & 0x01, 0x01) << "bus-off holds the controller in reset";
  // In reset mode the frame registers are the acceptance filter.
  const auto frame = StandardFrame(0x123, {0xDE, 0xAD});
  EXPECT_EQ(CAN_Trans(0, frame.data(), 5), 0);
  const auto state = World().ControllerState(0);
  EXPECT_EQ(state.acceptanceCode, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(state.acceptanceMask, (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}));
}

// A controller in error status or off the bus is not read, even with a
// frame waiting: the frame stays for after the recovery.
TEST_F(CanPolling, NoFrameIsTakenFromAControllerInErrorStatusOrOffTheBus) {
  Init();
  World().SendFromOutside(OutsideFrame(0x100, 0x40));
  ASSERT_EQ(World().ControllerState(0).framesWaiting, 1);
  std::array<std::uint8_t, 13> buffer{};
  buffer.fill(0xEE);
  const auto untouched = buffer;
  for (int i = 0; i < 12; ++i) World().InjectBusError(0);  // 96 errors: the warning limit
  ASSERT_EQ(World().ControllerState(0).status & 0xC0, 0x40);
  EXPECT_EQ(CAN_Recv(0, buffer.data(), 5), 0);
  EXPECT_EQ(buffer, untouched);
  EXPECT_EQ(World().ControllerState(0).framesWaiting, 1);
}

// Calls for a card that is not there, or with null buffers, fail without
// touching the card that is.
TEST_F(CanAccess, BadIndicesAndNullBuffersFailAndLeaveTheOpenCardAlone) {
  Init();
  ASSERT_EQ(CAN_Enable_Interrupt(0, 2, ReceivingCallback), 1);
  std::array<std::uint8_t, 13> frame{};
  std::uint8_t pair[2] = {kRegInterruptEnable, 0};
  for (const std::uint32_t bad : {16u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(CAN_Open(bad), 0);
    EXPECT_EQ(CAN_Init(bad, kInitBlock.data()), 0);
    EXPECT_EQ(CAN_Trans(bad, frame.data(), 3), 0);
    EXPECT_EQ(CAN_Recv(bad, frame.data(), 3), 0);
    EXPECT_EQ(CAN_ReadReg(bad, pair), 0);
    EXPECT_EQ(CAN_WriteReg(bad, pair), 0);
    EXPECT_EQ(CAN_Inten(bad), 0);
    EXPECT_EQ(CAN_Intdisen(bad), 0);
    EXPECT_EQ(CAN_ReadDataNum(bad), -1);
    EXPECT_EQ(CAN_ReadBlockData(bad, 1, frame.data()), 0);
    EXPECT_EQ(CAN_Enable_Interrupt(bad, 2, ReceivingCallback), 0);
    EXPECT_EQ(CAN_Close(bad), 0);
  }
  EXPECT_EQ(CAN_Trans(0, nullptr, 3), 0);
  EXPECT_EQ(CAN_Recv(0, nullptr, 3), 0);
  EXPECT_EQ(CAN_ReadBlockData(0, 1, nullptr), 0);
  // The open card still serves its interrupts.
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0xC5);
  const std::size_t from = LineWriteCount();
  World().SendFromOutside(OutsideFrame(0x77, 0x10));
  ASSERT_TRUE(InterruptServedSince(from));
  EXPECT_EQ(g_log.framesReceived.load(), 1);
}

TEST_F(CanAccess, BufferedDataIsCountedAndTakenOnlyWhenEnoughIsThere) {
  World().PushBufferedData(0, {0x10, 0x20, 0x30, 0x40, 0x50});
  EXPECT_EQ(CAN_ReadDataNum(0), 5);

  std::array<std::uint8_t, 8> buffer{};
  buffer.fill(0xEE);
  EXPECT_EQ(CAN_ReadBlockData(0, 6, buffer.data()), 0);
  EXPECT_EQ(CAN_ReadDataNum(0), 5) << "no bytes were taken";
  EXPECT_EQ(buffer[0], 0xEE);

  EXPECT_EQ(CAN_ReadBlockData(0, 5, buffer.data()), 1);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 8>{0x10, 0x20, 0x30, 0x40, 0x50, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(CAN_ReadDataNum(0), 0);
}

TEST_F(CanAccess, BufferedDataCallsFailOnClosedCard) {
  World().PushBufferedData(0, {1, 2, 3});
  ASSERT_NE(CAN_Close(0), 0);
  EXPECT_EQ(CAN_ReadDataNum(0), -1);
  std::array<std::uint8_t, 3> buffer{};
  EXPECT_EQ(CAN_ReadBlockData(0, 1, buffer.data()), 0);
}

TEST_F(CanAccess, RegistersRoundTripAndNullPairsFail) {
  const std::uint8_t write[2] = {kRegInterruptEnable, 0x5A};
  EXPECT_EQ(CAN_WriteReg(0, write), 1);
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0x5A);
  std::uint8_t read[2] = {kRegInterruptEnable, 0};
  EXPECT_EQ(CAN_ReadReg(0, read), 1);
  EXPECT_EQ(read[1], 0x5A);

  EXPECT_EQ(CAN_WriteReg(0, nullptr), 0);
  EXPECT_EQ(CAN_ReadReg(0, nullptr), 0);
}

TEST_F(CanAccess, OpenFailsForMissingCardAndCloseReportsOpenCard) {
  EXPECT_EQ(CAN_Open(5), 0);
  // The failed open must not have moved the library to another card.
  const std::uint8_t write[2] = {kRegInterruptEnable, 0x21};
  EXPECT_EQ(CAN_WriteReg(0, write), 1);
  EXPECT_EQ(World().ControllerState(0).interruptEnable, 0x21);

  EXPECT_NE(CAN_Close(0), 0);
  EXPECT_EQ(CAN_Close(0), 0) << "already closed";
}

}  // namespace
