#include "bridgelib/DeviceTable.h"

#include <bit>
#include <cstring>

namespace px720 {

// The record travels as the host lays it out; the driver reads it little-endian.
static_assert(std::endian::native == std::endian::little, "DriverRequest fields are little-endian");

namespace {
DeviceSlot g_slots[kDeviceSlots];
}  // namespace

void DeviceSlot::SetPath(const char* path) {
  std::lock_guard lock(m_pathLock);
  // A path longer than the slot is cut, never left without its end.
  const std::size_t length = ::strnlen(path, kPathSize - 1);
  std::memcpy(m_path, path, length);
  m_path[length] = '\0';
}

std::string DeviceSlot::Path() const {
  std::lock_guard lock(m_pathLock);
  return m_path;
}

DeviceSlot* SlotOf(std::uint32_t index) {
  return index < kDeviceSlots ? &g_slots[index] : nullptr;
}

int FirstOpenIndex() {
  for (unsigned i = 0; i < kDeviceSlots; ++i) {
    if (g_slots[i].handle.load() != kInvalidHandle) return static_cast<int>(i);
  }
  return -1;
}

bool SendRequest(DeviceHandle handle, void* record, std::uint32_t inSize, std::uint32_t outSize,
                 std::uint32_t* returned) {
  std::uint32_t got = 0;
  const bool ok = Backend().control(handle, kControlCode, record, inSize, outSize, &got);
  if (ok && returned) *returned = got;
  return ok;
}

bool SendFixed(DeviceHandle handle, DriverRequest& record) {
  static_assert(sizeof(DriverRequest) == kFixedRecordSize, "the record is 12 + 1000 bytes");
  return SendRequest(handle, &record, kFixedRecordSize, kFixedRecordSize);
}

DriverRequest MakeRecord(std::uint32_t function, std::uint32_t address, std::uint32_t length) {
  DriverRequest record;
  std::memset(&record, 0, sizeof record);
  record.function = function;
  record.address = address;
  record.length = length;
  return record;
}

bool WriteIoByteAt(const DeviceSlot& slot, std::uint32_t port, std::uint8_t value) {
  DriverRequest record = MakeRecord(PX720_FN_WRITE_IO_BYTE, port, 1);
  record.data[0] = value;
  return SendFixed(slot.handle.load(), record);
}

bool ReadIoByteAt(const DeviceSlot& slot, std::uint32_t port, std::uint8_t* value) {
  DriverRequest record = MakeRecord(PX720_FN_READ_IO_BYTE, port, 1);
  if (!SendFixed(slot.handle.load(), record)) return false;
  *value = record.data[0];
  return true;
}

}  // namespace px720
