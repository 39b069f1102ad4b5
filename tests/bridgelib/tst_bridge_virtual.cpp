// The bridge library end to end on virtual cards: windows, configuration
// space, I2C EEPROM, the counter delay, and interrupt service — install,
// replace and remove with never two threads per device, synchronous waits
// and aborts, the driver's interrupt commands and buffered data.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "bridgelib/DeviceControl.h"
#include "bridgelib/PX720DLL.h"
#include "sim/pcicard/VirtualPciWorld.h"
#include "tests/support/PollUntil.h"

using zembra::sim::VirtualPciWorld;
using namespace std::chrono_literals;

namespace {

using zembra::test::PollUntil;

class BridgeOnVirtualCards : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool chosen = [] {
      px720::UseBackend(px720::VirtualCardBackend(2));
      return true;
    }();
    (void)chosen;
    World().PowerOn();
    ASSERT_NE(PX720OpenDevice(1, 1), INVALID_HANDLE_VALUE);
    ASSERT_EQ(PX720GetIoBaseAddr(&m_base), 1);
  }
  void TearDown() override {
    PX720SetIntRoutine(nullptr);
    for (uint32_t i = 0; i < PX720_MAX_DEVICES; ++i) PX720mCloseDevice(i);
  }
  static VirtualPciWorld& World() { return *VirtualPciWorld::ProcessIfMade(); }

  void WriteController(uint8_t reg, uint8_t value) {
    ASSERT_EQ(PX720WriteIoByte(m_base, reg), 1);
    ASSERT_EQ(PX720WriteIoByte(m_base + 1, value), 1);
  }
  // Operating mode, every frame accepted, receive interrupt enabled: a
  // frame from outside then holds the controller's interrupt output active
  // until released, and each opening of the gate interrupts once.
  void ArmReceiveInterrupt() {
    WriteController(0, 0x01);
    WriteController(31, 0x80);
    WriteController(6, 0x00);
    WriteController(7, 0x1C);
    for (uint8_t reg = 20; reg < 24; ++reg) WriteController(reg, 0xFF);
    WriteController(4, 0x01);
    WriteController(0, 0x08);
    zembra::sim::CanFrame frame;
    frame.id = 0x55;
    frame.length = 1;
    World().SendFromOutside(frame);
  }
  void PulseGate() {
    ASSERT_EQ(PX720SetA15_A8(0x80), 1);
    ASSERT_EQ(PX720SetA15_A8(0x5F), 1);
  }

  uint32_t m_base = 0;
};

TEST_F(BridgeOnVirtualCards, WindowsConfigurationSpaceAndMemory) {
  EXPECT_EQ(m_base, 0xD000u);
  uint32_t memBase = 0, line = 0;
  ASSERT_EQ(PX720GetMemBaseAddr(&memBase), 1);
  ASSERT_EQ(PX720GetIntLine(&line), 1);
  EXPECT_NE(memBase, 0u);  // assigned on open because it had none
  EXPECT_NE(line, 0u);
  uint8_t bar0 = 0, pin = 0;
  ASSERT_EQ(PX720ReadConfig(0x11, &bar0), 1);
  ASSERT_EQ(PX720ReadConfig(0x3D, &pin), 1);
  EXPECT_EQ(bar0, 0xD0);
  EXPECT_EQ(pin, 1);

  ASSERT_EQ(PX720WriteMemDword(0x10, 0x11223344), 1);  // an offset into the window
  uint8_t byte = 0;
  ASSERT_EQ(PX720ReadMemByte(memBase + 0x13, &byte), 1);  // the same place, absolute
  EXPECT_EQ(byte, 0x11);

  std::vector<uint8_t> block(2000);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 13);
  ASSERT_EQ(PX720mAccessBlock(0, 28, 0x100, block.data(), 2000), 1);
  std::vector<uint8_t> back(2000, 0);
  ASSERT_EQ(PX720mAccessBlock(0, 24, 0x100, back.data(), 2000), 1);
  EXPECT_EQ(back, block);
  EXPECT_EQ(World().Memory(0, 0x100 + 1999), block[1999]);

  // Outside every window the driver refuses.
  EXPECT_EQ(PX720ReadMemByte(memBase + 0x10000 * 4, &byte), 0);
  EXPECT_EQ(PX720ReadIoByte(0x300, &byte), 0);
  // The second card's window is reachable by absolute address.
  EXPECT_EQ(PX720WriteIoByte(0xD100 + 0xF7, 0x44), 1);
}

TEST_F(BridgeOnVirtualCards, I2cEepromAndItsStalls) {
  ASSERT_EQ(PX720WriteI2C(0x50, 0x10, 0x42), 1);
  EXPECT_EQ(World().Eeprom(0, 0x10), 0x42);
  uint8_t value = 0;
  ASSERT_EQ(PX720ReadI2C(0x50, 0x10, &value), 1);
  EXPECT_EQ(value, 0x42);
  ASSERT_EQ(PX720ReadI2C(0x50, 0x11, &value), 1);
  EXPECT_EQ(value, 0xFF);  // erased

  World().SetI2cStuck(0, true);
  value = 0x5A;
  EXPECT_EQ(PX720ReadI2C(0x50, 0x10, &value), 0);
  EXPECT_EQ(value, 0x5A);
  World().SetI2cStuck(0, false);
}

TEST_F(BridgeOnVirtualCards, DelayFollowsTheCounter) {
  const auto start = std::chrono::steady_clock::now();
  ASSERT_NE(PX720DelayUS(1000), 0);
  // At least a wrap less one tick, plus the 4 counts less one.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(983 - 4 + 3 * 3));

  World().SetCounterFrozen(0, true);
  EXPECT_EQ(PX720DelayUS(500), 0);
  World().SetCounterFrozen(0, false);
}

TEST_F(BridgeOnVirtualCards, InterruptRoutineInstallReplaceRemove) {
  static std::atomic<int> callsA{0}, callsB{0}, inFlight{0}, mostInFlight{0};
  callsA = callsB = inFlight = mostInFlight = 0;
  auto enter = [] {
    const int now = ++inFlight;
    int most = mostInFlight.load();
    while (now > most && !mostInFlight.compare_exchange_weak(most, now)) {
    }
    std::this_thread::sleep_for(2ms);
    --inFlight;
  };
  static std::function<void()> s_enter;
  s_enter = enter;
  PX720_INT_ROUTINE routineA = [] { s_enter(); ++callsA; };
  PX720_INT_ROUTINE routineB = [] { s_enter(); ++callsB; };

  EXPECT_EQ(PX720SetIntRoutine(nullptr), 1);  // nothing to remove
  ArmReceiveInterrupt();
  ASSERT_EQ(PX720SetIntRoutine(routineA), 1);
  ASSERT_TRUE(PollUntil([] { return World().WaitsPosted(0) == 1; }));
  ASSERT_EQ(PX720SetA15_A8(0x5F), 1);
  ASSERT_TRUE(PollUntil([] { return callsA == 1; }));
  PulseGate();
  ASSERT_TRUE(PollUntil([] { return callsA == 2; }));

  // Replacing ends the old thread first: never two threads, never the old
  // routine again.
  for (int i = 0; i < 30; ++i) {
    ASSERT_EQ(PX720SetIntRoutine(i % 2 ? routineA : routineB), 1);
    PulseGate();
  }
  ASSERT_EQ(PX720SetIntRoutine(routineB), 1);
  const int aBefore = callsA, bBefore = callsB;
  ASSERT_TRUE(PollUntil([] { return World().WaitsPosted(0) == 1; }));
  PulseGate();
  ASSERT_TRUE(PollUntil([&] { return callsB > bBefore; }));
  EXPECT_EQ(callsA, aBefore);
  EXPECT_LE(World().PeakOpenHandles(0), 2);  // the device's handle and one thread's
  EXPECT_EQ(mostInFlight, 1);

  ASSERT_EQ(PX720SetIntRoutine(nullptr), 1);
  EXPECT_EQ(World().OpenHandles(0), 1);
  EXPECT_EQ(World().WaitsPosted(0), 0);
  const int bAfter = callsB;
  const int raisedBefore = World().InterruptsRaised(0);
  PulseGate();
  ASSERT_TRUE(PollUntil([&] { return World().InterruptsRaised(0) > raisedBefore; }));
  std::this_thread::sleep_for(20ms);  // room for a wrong call to show
  EXPECT_EQ(callsB, bAfter);
}

TEST_F(BridgeOnVirtualCards, ServiceCannotBeStoppedFromItsOwnRoutine) {
  static std::atomic<int> closeResult{-1}, setResult{-1};
  closeResult = setResult = -1;
  PX720_INT_ROUTINE routine = [] {
    setResult = PX720SetIntRoutine(nullptr);
    closeResult = PX720CloseDevice();
  };
  ArmReceiveInterrupt();
  ASSERT_EQ(PX720SetIntRoutine(routine), 1);
  ASSERT_TRUE(PollUntil([] { return World().WaitsPosted(0) == 1; }));
  ASSERT_EQ(PX720SetA15_A8(0x5F), 1);
  ASSERT_TRUE(PollUntil([] { return closeResult != -1; }));
  EXPECT_EQ(setResult, 0);
  EXPECT_EQ(closeResult, 0);
  // From outside it works, and closing ends the thread.
  EXPECT_NE(PX720CloseDevice(), 0);
  EXPECT_EQ(World().OpenHandles(0), 0);
}

TEST_F(BridgeOnVirtualCards, SynchronousWaitAndAbort) {
  auto aborted = std::async(std::launch::async, [] { return PX720WaitInterrupt(); });
  ASSERT_TRUE(PollUntil([] { return World().WaitsPosted(0) == 1; }));
  ASSERT_EQ(PX720AbortWaitInt(), 1);
  EXPECT_EQ(aborted.get(), 0);

  ArmReceiveInterrupt();
  auto interrupted = std::async(std::launch::async, [] { return PX720WaitInterrupt(); });
  ASSERT_TRUE(PollUntil([] { return World().WaitsPosted(0) == 1; }));
  ASSERT_EQ(PX720SetA15_A8(0x5F), 1);
  EXPECT_EQ(interrupted.get(), 1);
}

TEST_F(BridgeOnVirtualCards, InterruptCommandsRunOnEveryInterrupt) {
  // Command 1 closes the gate; command 2 reads the controller's data port,
  // which the test points at the receive message counter (register 29),
  // into the driver's buffer.
  DriverRequest close{};
  close.function = PX720_FN_WRITE_IO_WORD;
  close.address = m_base + PX720_REG_A15_A8_WORD;
  close.length = 2;
  close.data[1] = 0x80;
  ASSERT_EQ(PX720WriteIntCommand(&close, 1), 1);
  DriverRequest read{};
  read.function = PX720_FN_READ_IO_BYTE;
  read.address = m_base + 1;
  read.length = 1;
  ASSERT_EQ(PX720WriteIntCommand(&read, 2), 1);

  std::vector<uint8_t> stored(PX720_INT_COMMAND_MAX, 0);
  ASSERT_EQ(PX720ReadIntCommand(stored.data(), 1), 1);
  EXPECT_EQ(std::memcmp(stored.data(), &close, 14), 0);

  EXPECT_EQ(PX720mReadDataNum(0), 0);
  ArmReceiveInterrupt();
  ASSERT_EQ(PX720WriteIoByte(m_base, 29), 1);
  auto waited = std::async(std::launch::async, [] { return PX720WaitInterrupt(); });
  ASSERT_TRUE(PollUntil([] { return World().WaitsPosted(0) == 1; }));
  ASSERT_EQ(PX720SetA15_A8(0x5F), 1);
  ASSERT_EQ(waited.get(), 1);
  EXPECT_EQ(World().OutputLineWrites(0).back().value, 0x80);  // the driver closed the gate

  ASSERT_EQ(PX720mReadDataNum(0), 1);
  uint8_t count = 0;
  EXPECT_EQ(PX720mReadBlockData(0, 2, &count), 0);  // only one byte is there
  ASSERT_EQ(PX720mReadBlockData(0, 1, &count), 1);
  EXPECT_EQ(count, 1);  // one frame waited in the controller
  EXPECT_EQ(PX720mReadDataNum(0), 0);

  const uint8_t init[11] = {0, 0x1C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x05};
  ASSERT_EQ(PX720mInstoreInitData(0, init), 1);
  EXPECT_EQ(World().StoredInitData(0), std::vector<uint8_t>(init, init + 11));
}

}  // namespace
