// Block transfers in I/O and memory space, and the data the driver buffers
// or keeps for a device.
#include <cstring>
#include <memory>
#include <new>

#include "bridgelib/DeviceTable.h"

using namespace px720;

namespace {

enum class BlockKind { Invalid, ReadIo, WriteIo, ReadMemory, WriteMemory };

BlockKind KindOf(std::uint32_t type) {
  switch (type) {
    case 16: case 17: case 18: case 19: return BlockKind::ReadIo;
    case 20: case 21: case 22: case 23: return BlockKind::WriteIo;
    case 24: case 25: case 26: return BlockKind::ReadMemory;
    case 28: case 29: case 30: return BlockKind::WriteMemory;
    default: return BlockKind::Invalid;
  }
}

constexpr std::uint32_t kFixedBlock = 1024;

}  // namespace

extern "C" {

int32_t PX720mAccessBlock(uint32_t index, uint32_t type, uint32_t address, void* buffer, uint32_t length) {
  DeviceSlot* slot = SlotOf(index);
  const BlockKind kind = KindOf(type);
  if (!slot || kind == BlockKind::Invalid) return 0;
  const bool io = kind == BlockKind::ReadIo || kind == BlockKind::WriteIo;
  const bool reads = kind == BlockKind::ReadIo || kind == BlockKind::ReadMemory;

  std::uint32_t absolute = address;
  if (io) {
    if (address < 256) absolute += slot->ioBase.load();
  } else {
    const std::uint32_t base = slot->memBase.load();
    if (address < base) absolute += base;
  }
  // I/O blocks must stop short of the bridge's own registers at 0xF0.
  if ((type == PX720_FN_READ_IO_BLOCK || type == PX720_FN_WRITE_IO_BLOCK) &&
      std::uint64_t{absolute & 0xFF} + length >= PX720_REG_A15_A8_WORD) {
    return 0;
  }
  if (length == 0) return 1;
  if (!buffer || length > PX720_BLOCK_MAX) return 0;

  // Short blocks need no allocation.
  struct FixedBlock {
    std::uint32_t header[3];
    std::uint8_t data[kFixedBlock];
  };
  FixedBlock fixed;
  std::unique_ptr<std::uint8_t[]> allocated;
  std::uint8_t* record = reinterpret_cast<std::uint8_t*>(&fixed);
  if (length > kFixedBlock) {
    allocated.reset(new (std::nothrow) std::uint8_t[length + kHeaderSize]);
    if (!allocated) return 0;
    record = allocated.get();
  }
  const std::uint32_t header[3] = {type, absolute, length};
  std::memcpy(record, header, sizeof header);
  if (reads) {
    std::memset(record + kHeaderSize, 0, length);
  } else {
    std::memcpy(record + kHeaderSize, buffer, length);
  }
  if (!SendRequest(slot->handle.load(), record, length + kHeaderSize, length + kHeaderSize)) return 0;
  if (reads) std::memcpy(buffer, record + kHeaderSize, length);
  return 1;
}

int32_t PX720mReadDataNum(uint32_t index) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot) return -1;
  DriverRequest record = MakeRecord(PX720_FN_READ_DATA_COUNT, 0, 2);
  record.data[0] = 1;
  if (!SendFixed(slot->handle.load(), record)) return -1;
  return record.data[0] + 256 * record.data[1];
}

int32_t PX720mReadBlockData(uint32_t index, uint32_t length, void* buffer) {
  DeviceSlot* slot = SlotOf(index);
  // The answer comes back in the fixed record's data area.
  if (!slot || !buffer || length > PX720_RECORD_DATA) return 0;
  DriverRequest record = MakeRecord(PX720_FN_READ_DATA, 0, length);
  record.data[0] = 1;
  if (!SendFixed(slot->handle.load(), record)) return 0;
  std::memcpy(buffer, record.data, length);
  return 1;
}

int32_t PX720mInstoreInitData(uint32_t index, const uint8_t* data) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot || !data) return 0;
  DriverRequest record = MakeRecord(PX720_FN_STORE_INIT_DATA, 0, 11);
  std::memcpy(record.data, data, 11);
  return SendFixed(slot->handle.load(), record) ? 1 : 0;
}

}  // extern "C"
