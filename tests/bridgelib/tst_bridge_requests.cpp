// The bridge library's requests, checked byte by byte against a recording
// backend: device opening, address translation, I2C, the counter delay,
// block transfers, interrupt commands and driver-kept data, and how every
// failure is reported.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "bridgelib/PX720DLL.h"
#include "tests/bridgelib/RecordingBackend.h"

using test::RecordedRequest;
using test::RecordingBackend;

namespace {

constexpr std::uint32_t kIoBase = 0xE000;

class BridgeRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    px720::UseBackend(Backend().Table());
    Backend().Reset();
  }
  void TearDown() override {
    for (uint32_t i = 0; i < PX720_MAX_DEVICES; ++i) PX720mCloseDevice(i);
    Backend().Reset();
  }
  static RecordingBackend& Backend() { return RecordingBackend::Instance(); }

  void OpenDevice0() {
    ASSERT_NE(PX720OpenDevice(0, 0), INVALID_HANDLE_VALUE);
    Backend().ClearRequests();
  }

  static std::vector<std::uint32_t> Functions() {
    std::vector<std::uint32_t> functions;
    for (const auto& request : Backend().Requests()) functions.push_back(request.function);
    return functions;
  }
};

// ---------------------------------------------------------------- devices

TEST_F(BridgeRequests, VersionAndCallsWithoutAnOpenDevice) {
  EXPECT_EQ(PX720GetVersion(), 19);
  EXPECT_EQ(PX720GetDrvVersion(), 0u);
  EXPECT_EQ(PX720DelayUS(500), 0);
  EXPECT_EQ(PX720mOpenDevice(16, 1, 1), INVALID_HANDLE_VALUE);
  EXPECT_EQ(PX720mOpenDevice(0xFFFFFFFFu, 1, 1), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Backend().Opens(), 0);
  EXPECT_TRUE(Backend().Requests().empty());

  // A closed slot still sends, with the invalid handle, and fails.
  uint8_t value = 0x5A;
  EXPECT_EQ(PX720ReadIoByte(0x10, &value), 0);
  EXPECT_EQ(value, 0x5A);
  ASSERT_EQ(Backend().Requests().size(), 1u);
  EXPECT_EQ(Backend().Requests()[0].handle, px720::kInvalidHandle);

  EXPECT_EQ(PX720mReadIoByte(16, 0x10, &value), 0);
  EXPECT_EQ(PX720mReadDataNum(16), -1);
  EXPECT_EQ(PX720mCloseDevice(3), 0);

  OpenDevice0();
  EXPECT_EQ(PX720GetDrvVersion(), 7u);
  EXPECT_EQ(PX720GetVersion(), 19);
}

TEST_F(BridgeRequests, OpenReadsBasesAndAsksForMissingWindowsOnlyWhenTold) {
  Backend().memBase = 0;
  ASSERT_NE(PX720OpenDevice(0, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Functions(), (std::vector<std::uint32_t>{4, 6, 8}));
  for (const RecordedRequest& request : Backend().Requests()) {
    EXPECT_EQ(request.code, 0x00223CD8u);
    EXPECT_EQ(request.inSize, 1012u);
    EXPECT_EQ(request.outSize, 1012u);
    EXPECT_EQ(request.length, 0u);
  }
  PX720CloseDevice();
  Backend().ClearRequests();

  ASSERT_NE(PX720OpenDevice(1, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Functions(), (std::vector<std::uint32_t>{4, 6, 7, 6, 8}));
  ASSERT_EQ(Backend().RequestsOf(7).size(), 1u);
  EXPECT_EQ(Backend().RequestsOf(7)[0].address, 0xFFFFFFFFu);
  uint32_t base = 0;
  ASSERT_EQ(PX720GetMemBaseAddr(&base), 1);
  EXPECT_EQ(base, 0xF8000000u);  // what the driver assigned, re-read
  PX720CloseDevice();
  Backend().ClearRequests();

  Backend().intLine = 0;
  ASSERT_NE(PX720OpenDevice(0, 1), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Functions(), (std::vector<std::uint32_t>{4, 6, 8, 9, 8}));
  EXPECT_EQ(Backend().RequestsOf(9)[0].address, 0xFFFFFFFFu);
}

TEST_F(BridgeRequests, OpenFailuresAndReopening) {
  Backend().devices = {"/dev/px720-0", std::string(128, 'p')};
  EXPECT_EQ(PX720mOpenDevice(1, 0, 0), INVALID_HANDLE_VALUE);  // path too long for the slot
  EXPECT_EQ(PX720mOpenDevice(2, 0, 0), INVALID_HANDLE_VALUE);  // no such device
  EXPECT_EQ(Backend().Opens(), 0);

  // A path of exactly 127 characters fits.
  Backend().devices[1] = std::string(127, 'p');
  EXPECT_NE(PX720mOpenDevice(1, 0, 0), INVALID_HANDLE_VALUE);

  const PX720_HANDLE first = PX720OpenDevice(0, 0);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  const PX720_HANDLE second = PX720OpenDevice(0, 0);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_NE(first, second);
  // The earlier handle was closed, not leaked.
  ASSERT_EQ(Backend().ClosedHandles().size(), 1u);
  EXPECT_EQ(Backend().ClosedHandles()[0], reinterpret_cast<px720::DeviceHandle>(first));

  EXPECT_NE(PX720CloseDevice(), 0);
  EXPECT_EQ(PX720CloseDevice(), 0);  // already closed
  EXPECT_EQ(Backend().OpenHandles().size(), 1u);  // only index 1 is left
}

TEST_F(BridgeRequests, SetBaseAlwaysRefreshesTheCachedBase) {
  OpenDevice0();
  Backend().failingFunctions = {5};
  Backend().ioBase = 0xC000;  // what the device really uses now
  EXPECT_EQ(PX720SetIoBaseAddr(0xD000), 0);
  EXPECT_EQ(Functions(), (std::vector<std::uint32_t>{5, 4}));
  EXPECT_EQ(Backend().Requests()[0].address, 0xD000u);

  Backend().ClearRequests();
  uint8_t value = 0;
  ASSERT_EQ(PX720ReadIoByte(0x10, &value), 1);
  EXPECT_EQ(Backend().Requests()[0].address, 0xC010u);

  Backend().failingFunctions = {4};
  uint32_t base = 0x1234;
  EXPECT_EQ(PX720GetIoBaseAddr(&base), 0);
  EXPECT_EQ(base, 0x1234u);
  EXPECT_EQ(PX720GetIoBaseAddr(nullptr), 0);
}

// ------------------------------------------------------- single accesses

TEST_F(BridgeRequests, AddressTranslationOfEachKind) {
  OpenDevice0();
  Backend().readBytes = {{0xE010, 0x11}, {0x0100, 0x22}, {0xE100, 0x33}, {0xE101, 0x44},
                         {0xE102, 0x55}, {0xE103, 0x66}, {0xF0000010, 0x77}};
  uint8_t byte = 0;
  uint16_t word = 0;
  uint32_t dword = 0;

  ASSERT_EQ(PX720ReadIoByte(0x10, &byte), 1);
  EXPECT_EQ(byte, 0x11);
  ASSERT_EQ(PX720ReadIoByte(0x100, &byte), 1);  // 256 and above are absolute
  EXPECT_EQ(byte, 0x22);
  ASSERT_EQ(PX720ReadIoDword(0x100, &dword), 1);  // below the base: an offset
  EXPECT_EQ(dword, 0x66554433u);
  ASSERT_EQ(PX720ReadIoDword(0xE100, &dword), 1);
  ASSERT_EQ(PX720ReadIoWord(0xFF, &word), 1);
  ASSERT_EQ(PX720ReadMemByte(0x10, &byte), 1);
  EXPECT_EQ(byte, 0x77);
  ASSERT_EQ(PX720ReadMemDword(0xF0000020, &dword), 1);
  ASSERT_EQ(PX720ReadConfig(0x3C, &byte), 1);

  const auto requests = Backend().Requests();
  ASSERT_EQ(requests.size(), 8u);
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
      {16, 0xE010}, {16, 0x100}, {18, 0xE100}, {18, 0xE100},
      {17, 0xE0FF}, {24, 0xF0000010}, {26, 0xF0000020}, {32, 0x3C}};
  const std::vector<std::uint32_t> widths = {1, 1, 4, 4, 2, 1, 4, 1};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(requests[i].function, expected[i].first) << i;
    EXPECT_EQ(requests[i].address, expected[i].second) << i;
    EXPECT_EQ(requests[i].length, widths[i]) << i;
  }
}

TEST_F(BridgeRequests, WritesCarryTheValueLittleEndian) {
  OpenDevice0();
  ASSERT_EQ(PX720WriteIoByte(0x20, 0xAB), 1);
  ASSERT_EQ(PX720WriteIoWord(0x20, 0x1234), 1);
  ASSERT_EQ(PX720WriteIoDword(0x20, 0xCAFEF00D), 1);
  ASSERT_EQ(PX720WriteMemByte(0x20, 0x01), 1);
  ASSERT_EQ(PX720WriteMemDword(0x20, 0x04030201), 1);
  ASSERT_EQ(PX720WriteConfig(0x04, 0x07), 1);
  ASSERT_EQ(PX720SetA15_A8(0x5F), 1);

  const auto r = Backend().Requests();
  ASSERT_EQ(r.size(), 7u);
  EXPECT_EQ(r[0].function, 20u);
  EXPECT_EQ(r[0].address, 0xE020u);
  EXPECT_EQ(r[0].data[0], 0xAB);
  EXPECT_EQ(r[1].function, 21u);
  EXPECT_EQ(r[1].data[0], 0x34);
  EXPECT_EQ(r[1].data[1], 0x12);
  EXPECT_EQ(r[2].function, 22u);
  EXPECT_EQ(r[2].address, 0xE020u);
  EXPECT_EQ(r[2].data[0], 0x0D);
  EXPECT_EQ(r[2].data[3], 0xCA);
  EXPECT_EQ(r[3].function, 28u);
  EXPECT_EQ(r[3].address, 0xF0000020u);
  EXPECT_EQ(r[4].function, 30u);
  EXPECT_EQ(r[4].length, 4u);
  EXPECT_EQ(r[5].function, 33u);
  EXPECT_EQ(r[5].address, 0x04u);
  EXPECT_EQ(r[6].function, 20u);
  EXPECT_EQ(r[6].address, kIoBase + 0xF1);
  EXPECT_EQ(r[6].data[0], 0x5F);
}

TEST_F(BridgeRequests, FailedOrRefusedReadsLeaveTheOutParameter) {
  OpenDevice0();
  Backend().failingFunctions = {16, 26};
  uint8_t byte = 0x5A;
  uint32_t dword = 0xDEADBEEF;
  EXPECT_EQ(PX720ReadIoByte(0x10, &byte), 0);
  EXPECT_EQ(PX720ReadMemDword(0x10, &dword), 0);
  EXPECT_EQ(byte, 0x5A);
  EXPECT_EQ(dword, 0xDEADBEEFu);
  Backend().ClearRequests();
  EXPECT_EQ(PX720ReadIoWord(0x10, nullptr), 0);
  EXPECT_EQ(PX720ReadConfig(0, nullptr), 0);
  EXPECT_TRUE(Backend().Requests().empty());
}

// Every call that takes a device index refuses one outside 0..15, and every
// pointer parameter refuses null, without a request reaching the driver.
TEST_F(BridgeRequests, BadIndicesAndNullPointersAreRefusedBeforeAnyRequest) {
  OpenDevice0();
  std::uint8_t byte = 0;
  std::uint16_t word = 0;
  std::uint32_t dword = 0;
  std::uint8_t buffer[64] = {};
  DriverRequest record{};
  for (const std::uint32_t bad : {16u, 17u, 0x80000000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(PX720mOpenDevice(bad, 1, 1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(PX720mCloseDevice(bad), 0);
    EXPECT_EQ(PX720mDriverCommand(bad, &record), 0u);
    EXPECT_EQ(PX720mGetIoBaseAddr(bad, &dword), 0);
    EXPECT_EQ(PX720mSetIoBaseAddr(bad, 0xE000), 0);
    EXPECT_EQ(PX720mGetMemBaseAddr(bad, &dword), 0);
    EXPECT_EQ(PX720mSetMemBaseAddr(bad, 0), 0);
    EXPECT_EQ(PX720mGetIntLine(bad, &dword), 0);
    EXPECT_EQ(PX720mSetIntLine(bad, 5), 0);
    EXPECT_EQ(PX720mReadIoByte(bad, 0, &byte), 0);
    EXPECT_EQ(PX720mReadIoWord(bad, 0, &word), 0);
    EXPECT_EQ(PX720mReadIoDword(bad, 0, &dword), 0);
    EXPECT_EQ(PX720mWriteIoByte(bad, 0, 1), 0);
    EXPECT_EQ(PX720mWriteIoWord(bad, 0, 1), 0);
    EXPECT_EQ(PX720mWriteIoDword(bad, 0, 1), 0);
    EXPECT_EQ(PX720mReadMemByte(bad, 0, &byte), 0);
    EXPECT_EQ(PX720mReadMemDword(bad, 0, &dword), 0);
    EXPECT_EQ(PX720mWriteMemByte(bad, 0, 1), 0);
    EXPECT_EQ(PX720mWriteMemDword(bad, 0, 1), 0);
    EXPECT_EQ(PX720mReadConfig(bad, 0, &byte), 0);
    EXPECT_EQ(PX720mWriteConfig(bad, 0, 1), 0);
    EXPECT_EQ(PX720mSetA15_A8(bad, 0x5F), 0);
    EXPECT_EQ(PX720mReadI2C(bad, 0x50, 0, &byte), 0);
    EXPECT_EQ(PX720mWriteI2C(bad, 0x50, 0, 1), 0);
    EXPECT_EQ(PX720mSetIntRoutine(bad, nullptr), 0);
    EXPECT_EQ(PX720mWaitInterrupt(bad), 0);
    EXPECT_EQ(PX720mAbortWaitInt(bad), 0);
    EXPECT_EQ(PX720mWriteIntCommand(bad, &record, 1), 0);
    EXPECT_EQ(PX720mReadIntCommand(bad, buffer, 1), 0);
    EXPECT_EQ(PX720mAccessBlock(bad, 16, 0, buffer, 4), 0);
    EXPECT_EQ(PX720mReadDataNum(bad), -1);
    EXPECT_EQ(PX720mReadBlockData(bad, 4, buffer), 0);
    EXPECT_EQ(PX720mInstoreInitData(bad, buffer), 0);
  }
  EXPECT_EQ(PX720mDriverCommand(0, nullptr), 0u);
  EXPECT_EQ(PX720mGetIoBaseAddr(0, nullptr), 0);
  EXPECT_EQ(PX720mGetMemBaseAddr(0, nullptr), 0);
  EXPECT_EQ(PX720mGetIntLine(0, nullptr), 0);
  EXPECT_EQ(PX720mReadIoByte(0, 0, nullptr), 0);
  EXPECT_EQ(PX720mReadIoDword(0, 0, nullptr), 0);
  EXPECT_EQ(PX720mReadMemByte(0, 0, nullptr), 0);
  EXPECT_EQ(PX720mReadMemDword(0, 0, nullptr), 0);
  EXPECT_EQ(PX720mReadI2C(0, 0x50, 0, nullptr), 0);
  EXPECT_EQ(PX720mWriteIntCommand(0, nullptr, 1), 0);
  EXPECT_EQ(PX720mReadIntCommand(0, nullptr, 1), 0);
  EXPECT_EQ(PX720mAccessBlock(0, 16, 0, nullptr, 4), 0);
  EXPECT_EQ(PX720mAccessBlock(0, 20, 0, nullptr, 4), 0);
  EXPECT_EQ(PX720mReadBlockData(0, 4, nullptr), 0);
  EXPECT_EQ(PX720mInstoreInitData(0, nullptr), 0);
  EXPECT_TRUE(Backend().Requests().empty());
}

TEST_F(BridgeRequests, DriverCommandSendsTheCallersRecordAsItIs) {
  OpenDevice0();
  DriverRequest record{};
  record.function = 33;
  record.address = 0x40;
  record.length = 3;
  record.data[2] = 9;
  EXPECT_EQ(PX720DriverCommand(&record), 15u);
  const auto r = Backend().Requests();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].inSize, 15u);
  EXPECT_EQ(r[0].outSize, 15u);
  EXPECT_EQ(r[0].data, (std::vector<std::uint8_t>{0, 0, 9}));

  record.length = 40000;  // would overrun any record the caller can have
  EXPECT_EQ(PX720DriverCommand(&record), 0u);
  EXPECT_EQ(PX720DriverCommand(nullptr), 0u);
  Backend().failingFunctions = {33};
  record.length = 1;
  EXPECT_EQ(PX720DriverCommand(&record), 0u);
}

// ------------------------------------------------------------------- I2C

// Scripts the I2C control register: busy for `busyReads` reads after a start.
void ScriptI2c(int busyReads, bool failStatusRead = false) {
  auto remaining = std::make_shared<int>(0);
  RecordingBackend::Instance().script = [=](const RecordedRequest& r, std::uint8_t* buffer, bool& ok,
                                            std::uint32_t& returned) {
    if (r.address != kIoBase + 0xF5) return false;
    ok = true;
    returned = 1012;
    if (r.function == 20 && (r.data[0] & 1)) *remaining = busyReads;
    if (r.function == 16) {
      if (failStatusRead && *remaining == busyReads - 1) {
        ok = false;
        return true;
      }
      buffer[12] = *remaining > 0 ? 0x01 : 0x00;
      if (*remaining > 0 && *remaining < 1000000) --*remaining;
    }
    return true;
  };
}

TEST_F(BridgeRequests, I2cReadAndWriteSequences) {
  OpenDevice0();
  Backend().readBytes[kIoBase + 0xF4] = 0x99;
  ScriptI2c(3);
  uint8_t value = 0;
  ASSERT_EQ(PX720ReadI2C(0x50, 0x12, &value), 1);
  EXPECT_EQ(value, 0x99);

  auto r = Backend().Requests();
  ASSERT_GE(r.size(), 9u);
  EXPECT_EQ(r[0].function, 20u);
  EXPECT_EQ(r[0].address, kIoBase + 0xF7);
  EXPECT_EQ(r[0].data[0], 0xA1);
  EXPECT_EQ(r[1].address, kIoBase + 0xF6);
  EXPECT_EQ(r[1].data[0], 0x12);
  EXPECT_EQ(r[2].function, 16u);  // read control, then set the start bit
  EXPECT_EQ(r[2].address, kIoBase + 0xF5);
  EXPECT_EQ(r[3].function, 20u);
  EXPECT_EQ(r[3].data[0] & 1, 1);
  // Three busy reads and one idle read, then the data register.
  for (int i = 4; i < 8; ++i) {
    EXPECT_EQ(r[i].function, 16u);
    EXPECT_EQ(r[i].address, kIoBase + 0xF5);
  }
  EXPECT_EQ(r[8].address, kIoBase + 0xF4);

  Backend().ClearRequests();
  ASSERT_EQ(PX720WriteI2C(0x50, 0x12, 0x42), 1);
  r = Backend().Requests();
  EXPECT_EQ(r[0].data[0], 0xA0);
  EXPECT_EQ(r[2].function, 20u);
  EXPECT_EQ(r[2].address, kIoBase + 0xF4);
  EXPECT_EQ(r[2].data[0], 0x42);
  for (const auto& request : r) {
    EXPECT_FALSE(request.function == 16 && request.address == kIoBase + 0xF4) << "a write reads no data";
  }
  // Device addresses keep 7 bits: 0xD0 shifted is 0xA0 again.
  Backend().ClearRequests();
  ASSERT_EQ(PX720ReadI2C(0x1D0, 0, &value), 1);
  EXPECT_EQ(Backend().Requests()[0].data[0], 0xA1);
}

TEST_F(BridgeRequests, I2cFailsInsteadOfPollingForever) {
  OpenDevice0();
  uint8_t value = 0x5A;
  ScriptI2c(1000000);  // never finishes
  EXPECT_EQ(PX720ReadI2C(0x50, 0, &value), 0);
  EXPECT_EQ(value, 0x5A);
  EXPECT_EQ(PX720WriteI2C(0x50, 0, 1), 0);

  ScriptI2c(5, /*failStatusRead=*/true);
  EXPECT_EQ(PX720ReadI2C(0x50, 0, &value), 0);

  Backend().script = nullptr;
  Backend().failingFunctions = {20};
  Backend().ClearRequests();
  EXPECT_EQ(PX720ReadI2C(0x50, 0, &value), 0);
  EXPECT_EQ(Backend().Requests().size(), 1u);  // gave up at the first failing write
}

// ------------------------------------------------------------------ delay

// A counter that moves `step` counts per read; returns the read count.
std::shared_ptr<std::vector<std::uint8_t>> ScriptCounter(int step, bool failAfter = false, int failAt = 0) {
  auto seen = std::make_shared<std::vector<std::uint8_t>>();
  auto value = std::make_shared<std::uint8_t>(200);
  RecordingBackend::Instance().script = [=](const RecordedRequest& r, std::uint8_t* buffer, bool& ok,
                                            std::uint32_t& returned) {
    if (r.function != 16 || (r.address & 0xFF) != 0xFC) return false;
    if (failAfter && static_cast<int>(seen->size()) == failAt) {
      ok = false;
      return true;
    }
    buffer[12] = *value;
    seen->push_back(*value);
    *value = static_cast<std::uint8_t>(*value + step);
    ok = true;
    returned = 1012;
    return true;
  };
  return seen;
}

int CountsBetween(const std::vector<std::uint8_t>& reads, std::size_t from, std::size_t to) {
  int counts = 0;
  for (std::size_t i = from + 1; i <= to; ++i) counts += static_cast<std::uint8_t>(reads[i] - reads[i - 1]);
  return counts;
}

TEST_F(BridgeRequests, DelayCountsCounterTicks) {
  OpenDevice0();
  auto reads = ScriptCounter(1);
  ASSERT_NE(PX720DelayUS(1000), 0);
  // One full wrap from a first reference, then 17 us = 4 counts from a second.
  ASSERT_EQ(reads->size(), 1u + 256u + 1u + 4u);
  EXPECT_EQ(CountsBetween(*reads, 0, 256), 256);
  EXPECT_EQ(CountsBetween(*reads, 257, 261), 4);
  for (const auto& r : Backend().Requests()) EXPECT_EQ(r.address, kIoBase + 0xFC);

  reads = ScriptCounter(1);
  ASSERT_NE(PX720DelayUS(983), 0);
  EXPECT_EQ(reads->size(), 257u);

  reads = ScriptCounter(1);
  ASSERT_NE(PX720DelayUS(5), 0);  // too short to count: three reads per microsecond
  EXPECT_EQ(reads->size(), 15u);

  reads = ScriptCounter(1);
  ASSERT_NE(PX720DelayUS(0), 0);
  EXPECT_TRUE(reads->empty());
}

TEST_F(BridgeRequests, DelayDoesNotOverrunWhenReadsAreSlowerThanTheCounter) {
  OpenDevice0();
  // Each read sees the counter 3 counts further: an exact-match wait would
  // step over its target value and go round again.
  auto reads = ScriptCounter(3);
  ASSERT_NE(PX720DelayUS(1000), 0);
  const int total = CountsBetween(*reads, 0, reads->size() - 1);
  EXPECT_GE(total, 256 + 4);
  // Each wait overshoots by less than one step; one more step passes between them.
  EXPECT_LE(total, 256 + 4 + 3 * 3);
}

TEST_F(BridgeRequests, DelayFailsOnAFailingOrFrozenCounter) {
  OpenDevice0();
  ScriptCounter(1, /*failAfter=*/true, /*failAt=*/40);
  EXPECT_EQ(PX720DelayUS(1000), 0);
  ScriptCounter(0);  // the counter stands still
  EXPECT_EQ(PX720DelayUS(100), 0);
}

TEST_F(BridgeRequests, DelayAndDriverVersionUseTheLowestOpenDevice) {
  Backend().devices = {"/dev/a", "/dev/b", "/dev/c", "/dev/d"};
  const PX720_HANDLE third = PX720mOpenDevice(3, 0, 0);
  const PX720_HANDLE second = PX720mOpenDevice(2, 0, 0);
  ASSERT_NE(third, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  Backend().ClearRequests();
  EXPECT_EQ(PX720GetDrvVersion(), 7u);
  ASSERT_EQ(Backend().Requests().size(), 1u);
  EXPECT_EQ(Backend().Requests()[0].handle, reinterpret_cast<px720::DeviceHandle>(second));
  EXPECT_EQ(Backend().Requests()[0].function, 1u);
}

// ---------------------------------------------------------------- blocks

TEST_F(BridgeRequests, BlockTypesAndTheBridgeRegisterBoundary) {
  OpenDevice0();
  std::vector<std::uint8_t> buffer(64, 0);
  for (std::uint32_t type : {27u, 15u, 31u, 0u, 32u}) {
    EXPECT_EQ(PX720mAccessBlock(0, type, 0x10, buffer.data(), 4), 0) << type;
  }
  EXPECT_EQ(PX720mAccessBlock(0, 19, 0xE0, buffer.data(), 16), 0);  // would reach 0xF0
  EXPECT_EQ(PX720mAccessBlock(0, 23, kIoBase + 0xE0, buffer.data(), 16), 0);
  EXPECT_TRUE(Backend().Requests().empty());

  ASSERT_EQ(PX720mAccessBlock(0, 19, 0xE0, buffer.data(), 15), 1);
  ASSERT_EQ(Backend().Requests().size(), 1u);
  const RecordedRequest sent = Backend().Requests()[0];
  EXPECT_EQ(sent.function, 19u);
  EXPECT_EQ(sent.address, kIoBase + 0xE0);
  EXPECT_EQ(sent.length, 15u);
  EXPECT_EQ(sent.inSize, 27u);
  EXPECT_EQ(sent.outSize, 27u);

  // Other I/O types may reach the registers; memory offsets add the base.
  Backend().ClearRequests();
  EXPECT_EQ(PX720mAccessBlock(0, 16, 0xF0, buffer.data(), 16), 1);
  EXPECT_EQ(PX720mAccessBlock(0, 26, 0x100, buffer.data(), 8), 1);
  EXPECT_EQ(Backend().Requests()[1].address, 0xF0000100u);

  Backend().ClearRequests();
  EXPECT_EQ(PX720mAccessBlock(0, 19, 0x10, buffer.data(), 0), 1);
  EXPECT_EQ(PX720mAccessBlock(0, 23, 0x10, nullptr, 0), 1);
  EXPECT_TRUE(Backend().Requests().empty());
  EXPECT_EQ(PX720mAccessBlock(0, 16, 0x10, nullptr, 4), 0);
}

TEST_F(BridgeRequests, BlockRecordSizes) {
  OpenDevice0();
  std::vector<std::uint8_t> buffer(32769, 0);
  ASSERT_EQ(PX720mAccessBlock(0, 24, 0, buffer.data(), 1024), 1);
  ASSERT_EQ(PX720mAccessBlock(0, 24, 0, buffer.data(), 1025), 1);
  ASSERT_EQ(PX720mAccessBlock(0, 28, 0, buffer.data(), 32768), 1);
  EXPECT_EQ(PX720mAccessBlock(0, 28, 0, buffer.data(), 32769), 0);

  const auto r = Backend().Requests();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].inSize, 1036u);
  EXPECT_TRUE(r[0].recordOnCallersStack);
  EXPECT_EQ(r[1].inSize, 1037u);
  EXPECT_EQ(r[1].outSize, 1037u);
  EXPECT_FALSE(r[1].recordOnCallersStack);
  EXPECT_EQ(r[2].inSize, 32780u);
  EXPECT_EQ(r[2].length, 32768u);
}

TEST_F(BridgeRequests, BlockReadsCopyExactlyTheLengthAndWritesCopyNothingBack) {
  OpenDevice0();
  // The driver scribbles over the whole data area it was given.
  Backend().script = [](const RecordedRequest& r, std::uint8_t* buffer, bool& ok, std::uint32_t& returned) {
    std::memset(buffer + 12, 0xEE, r.inSize - 12);
    ok = true;
    returned = r.outSize;
    return true;
  };
  std::vector<std::uint8_t> buffer(20, 0x11);
  ASSERT_EQ(PX720mAccessBlock(0, 19, 0x10, buffer.data(), 10), 1);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 10), std::vector<std::uint8_t>(10, 0xEE));
  EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin() + 10, buffer.end()), std::vector<std::uint8_t>(10, 0x11));

  std::vector<std::uint8_t> payload = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(PX720mAccessBlock(0, 23, 0x10, payload.data(), 6), 1);
  EXPECT_EQ(payload, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Backend().Requests().back().data, payload);

  Backend().script = nullptr;
  Backend().failingFunctions = {19};
  std::fill(buffer.begin(), buffer.end(), 0x11);
  EXPECT_EQ(PX720mAccessBlock(0, 19, 0x10, buffer.data(), 2000), 0);
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(20, 0x11));
}

// ------------------------------------------------ interrupt commands, data

TEST_F(BridgeRequests, InterruptCommandsAreCappedAndReadBackWithinTheBuffer) {
  OpenDevice0();
  std::vector<std::uint8_t> big(40012, 0);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  auto* record = reinterpret_cast<DriverRequest*>(big.data());
  record->function = 21;
  record->address = 0;
  record->length = 40000;
  ASSERT_EQ(PX720WriteIntCommand(record, 1), 1);
  auto r = Backend().Requests();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].function, 37u);
  EXPECT_EQ(r[0].length, 32780u);
  EXPECT_EQ(r[0].inSize, 32792u);
  EXPECT_EQ(r[0].outSize, 32792u);
  EXPECT_EQ(r[0].data, std::vector<std::uint8_t>(big.begin(), big.begin() + 32780));

  DriverRequest small{};
  small.length = 2;
  ASSERT_EQ(PX720mWriteIntCommand(0, &small, 2), 1);
  EXPECT_EQ(Backend().Requests().back().function, 39u);
  EXPECT_EQ(Backend().Requests().back().length, 14u);
  ASSERT_EQ(PX720mWriteIntCommand(0, &small, 7), 1);  // any number but 1 is command 2
  EXPECT_EQ(Backend().Requests().back().function, 39u);
  EXPECT_EQ(PX720WriteIntCommand(nullptr, 1), 0);

  // The driver claims more than the buffer holds: the copy stops at 32780.
  std::uint32_t claimed = 40000;
  Backend().script = [&claimed](const RecordedRequest& req, std::uint8_t* buffer, bool& ok,
                                std::uint32_t& returned) {
    if (req.function != 36 && req.function != 38) return false;
    std::memset(buffer + 12, 0xAB, 32780);
    ok = true;
    returned = claimed;
    return true;
  };
  std::vector<std::uint8_t> readBack(32780 + 16, 0x00);
  ASSERT_EQ(PX720ReadIntCommand(readBack.data(), 1), 1);
  EXPECT_EQ(Backend().Requests().back().function, 36u);
  EXPECT_EQ(Backend().Requests().back().inSize, 32792u);
  EXPECT_EQ(Backend().Requests().back().length, 32780u);
  EXPECT_EQ(readBack[32779], 0xAB);
  EXPECT_EQ(readBack[32780], 0x00);

  claimed = 20;
  std::fill(readBack.begin(), readBack.end(), 0);
  ASSERT_EQ(PX720mReadIntCommand(0, readBack.data(), 2), 1);
  EXPECT_EQ(Backend().Requests().back().function, 38u);
  EXPECT_EQ(readBack[19], 0xAB);
  EXPECT_EQ(readBack[20], 0x00);
}

TEST_F(BridgeRequests, BufferedDataCountBlockAndInitialisationData) {
  OpenDevice0();
  Backend().script = [](const RecordedRequest& r, std::uint8_t* buffer, bool& ok, std::uint32_t& returned) {
    ok = true;
    returned = 1012;
    if (r.function == 40) {
      buffer[12] = 0x34;
      buffer[13] = 0x12;
    } else if (r.function == 41) {
      for (std::uint32_t i = 0; i < r.length; ++i) buffer[12 + i] = static_cast<std::uint8_t>(i + 1);
    }
    return true;
  };
  EXPECT_EQ(PX720mReadDataNum(0), 0x1234);
  auto r = Backend().Requests();
  EXPECT_EQ(r[0].function, 40u);
  EXPECT_EQ(r[0].length, 2u);
  EXPECT_EQ(r[0].data[0], 1);

  std::vector<std::uint8_t> out(1001, 0);
  ASSERT_EQ(PX720mReadBlockData(0, 1000, out.data()), 1);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[999], static_cast<std::uint8_t>(1000));
  EXPECT_EQ(out[1000], 0);
  EXPECT_EQ(Backend().Requests().back().length, 1000u);
  EXPECT_EQ(Backend().Requests().back().data[0], 1);

  Backend().ClearRequests();
  EXPECT_EQ(PX720mReadBlockData(0, 1001, out.data()), 0);  // beyond the record's data area
  EXPECT_EQ(PX720mReadBlockData(0, 4, nullptr), 0);
  EXPECT_TRUE(Backend().Requests().empty());

  const std::uint8_t init[11] = {0, 0x1C, 1, 2, 3, 4, 5, 6, 7, 8, 0xC5};
  ASSERT_EQ(PX720mInstoreInitData(0, init), 1);
  r = Backend().Requests();
  EXPECT_EQ(r.back().function, 42u);
  EXPECT_EQ(r.back().length, 11u);
  EXPECT_EQ(std::vector<std::uint8_t>(r.back().data.begin(), r.back().data.begin() + 11),
            std::vector<std::uint8_t>(init, init + 11));
  EXPECT_EQ(PX720mInstoreInitData(0, nullptr), 0);

  Backend().script = nullptr;
  Backend().failingFunctions = {40, 41};
  EXPECT_EQ(PX720mReadDataNum(0), -1);  // distinct from a count of 0
  std::fill(out.begin(), out.end(), 0x5A);
  EXPECT_EQ(PX720mReadBlockData(0, 4, out.data()), 0);
  EXPECT_EQ(out[0], 0x5A);
}

}  // namespace
