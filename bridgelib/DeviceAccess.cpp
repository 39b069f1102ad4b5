// Opening and closing devices, base addresses and the single-value
// accesses: each one request on the device's handle.
#include <cstring>

#include "bridgelib/DeviceTable.h"
#include "bridgelib/InterruptService.h"

using namespace px720;

namespace {

PX720_HANDLE ToPublic(DeviceHandle handle) {
  return reinterpret_cast<PX720_HANDLE>(handle);
}

// Get requests (4, 6, 8) answer in the address field.
bool GetItem(DeviceSlot& slot, std::uint32_t function, std::atomic<std::uint32_t>& cache,
             std::uint32_t* out) {
  DriverRequest record = MakeRecord(function, 0, 0);
  if (!SendFixed(slot.handle.load(), record)) return false;
  cache.store(record.address);
  if (out) *out = record.address;
  return true;
}

// Set requests (5, 7, 9) always refresh the cache, even when refused, so it
// shows what the device really uses.
bool SetItem(DeviceSlot& slot, std::uint32_t function, std::uint32_t value,
             std::atomic<std::uint32_t>& cache) {
  DriverRequest record = MakeRecord(function, value, 0);
  const bool ok = SendFixed(slot.handle.load(), record);
  GetItem(slot, function - 1, cache, nullptr);
  return ok;
}

// I/O byte and word calls: below 256 is an offset into the I/O window.
std::uint32_t IoShortAddress(const DeviceSlot& slot, std::uint32_t address) {
  return address < 256 ? address + slot.ioBase.load() : address;
}

// I/O dword and memory calls: below the base is an offset.
std::uint32_t BelowBaseAddress(std::uint32_t base, std::uint32_t address) {
  return address < base ? address + base : address;
}

template <typename T>
int32_t ReadValue(uint32_t index, uint32_t function, uint32_t address, T* value,
                  std::uint32_t (*translate)(const DeviceSlot&, std::uint32_t)) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot || !value) return 0;
  DriverRequest record = MakeRecord(function, translate(*slot, address), sizeof(T));
  if (!SendFixed(slot->handle.load(), record)) return 0;
  T result;
  std::memcpy(&result, record.data, sizeof(T));
  *value = result;
  return 1;
}

template <typename T>
int32_t WriteValue(uint32_t index, uint32_t function, uint32_t address, T value,
                   std::uint32_t (*translate)(const DeviceSlot&, std::uint32_t)) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot) return 0;
  DriverRequest record = MakeRecord(function, translate(*slot, address), sizeof(T));
  std::memcpy(record.data, &value, sizeof(T));
  return SendFixed(slot->handle.load(), record) ? 1 : 0;
}

std::uint32_t IoDwordAddress(const DeviceSlot& slot, std::uint32_t address) {
  return BelowBaseAddress(slot.ioBase.load(), address);
}
std::uint32_t MemoryAddress(const DeviceSlot& slot, std::uint32_t address) {
  return BelowBaseAddress(slot.memBase.load(), address);
}
std::uint32_t Unchanged(const DeviceSlot&, std::uint32_t address) { return address; }

}  // namespace

extern "C" {

PX720_HANDLE PX720mOpenDevice(uint32_t index, uint32_t enable_memory, uint32_t enable_interrupt) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot) return INVALID_HANDLE_VALUE;
  const DeviceControl& backend = Backend();
  char path[kPathSize];
  if (backend.findDevice(index, path, sizeof path) != FindResult::Found) return INVALID_HANDLE_VALUE;

  // A second open of the same index would otherwise leak the first handle.
  const DeviceHandle earlier = slot->handle.exchange(kInvalidHandle);
  if (earlier != kInvalidHandle) backend.close(earlier);

  slot->SetPath(path);
  const DeviceHandle handle = backend.open(path, false);
  if (handle == kInvalidHandle) return INVALID_HANDLE_VALUE;
  slot->handle.store(handle);

  GetItem(*slot, PX720_FN_GET_IO_BASE, slot->ioBase, nullptr);
  GetItem(*slot, PX720_FN_GET_MEM_BASE, slot->memBase, nullptr);
  if (enable_memory && slot->memBase.load() == 0) {
    SetItem(*slot, PX720_FN_SET_MEM_BASE, 0xFFFFFFFFu, slot->memBase);
  }
  GetItem(*slot, PX720_FN_GET_INT_LINE, slot->intLine, nullptr);
  if (enable_interrupt && slot->intLine.load() == 0) {
    SetItem(*slot, PX720_FN_SET_INT_LINE, 0xFFFFFFFFu, slot->intLine);
  }
  return ToPublic(handle);
}

PX720_HANDLE PX720OpenDevice(uint32_t enable_memory, uint32_t enable_interrupt) {
  return PX720mOpenDevice(0, enable_memory, enable_interrupt);
}

int32_t PX720mCloseDevice(uint32_t index) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot || CalledFromOwnInterruptThread(*slot)) return 0;
  std::lock_guard serviceLock(slot->serviceLock);
  if (!StopInterruptThread(*slot)) return 0;
  const DeviceHandle handle = slot->handle.exchange(kInvalidHandle);
  if (handle == kInvalidHandle) return 0;
  return Backend().close(handle) ? 1 : 0;
}

int32_t PX720CloseDevice(void) { return PX720mCloseDevice(0); }

uint32_t PX720mDriverCommand(uint32_t index, DriverRequest* record) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot || !record || record->length > PX720_INT_COMMAND_MAX) return 0;
  const std::uint32_t size = record->length + kHeaderSize;
  std::uint32_t returned = 0;
  if (!SendRequest(slot->handle.load(), record, size, size, &returned)) return 0;
  return returned;
}

uint32_t PX720DriverCommand(DriverRequest* record) { return PX720mDriverCommand(0, record); }

int32_t PX720mGetIoBaseAddr(uint32_t index, uint32_t* value) {
  DeviceSlot* slot = SlotOf(index);
  return slot && value && GetItem(*slot, PX720_FN_GET_IO_BASE, slot->ioBase, value) ? 1 : 0;
}
int32_t PX720GetIoBaseAddr(uint32_t* value) { return PX720mGetIoBaseAddr(0, value); }

int32_t PX720mSetIoBaseAddr(uint32_t index, uint32_t value) {
  DeviceSlot* slot = SlotOf(index);
  return slot && SetItem(*slot, PX720_FN_SET_IO_BASE, value, slot->ioBase) ? 1 : 0;
}
int32_t PX720SetIoBaseAddr(uint32_t value) { return PX720mSetIoBaseAddr(0, value); }

int32_t PX720mGetMemBaseAddr(uint32_t index, uint32_t* value) {
  DeviceSlot* slot = SlotOf(index);
  return slot && value && GetItem(*slot, PX720_FN_GET_MEM_BASE, slot->memBase, value) ? 1 : 0;
}
int32_t PX720GetMemBaseAddr(uint32_t* value) { return PX720mGetMemBaseAddr(0, value); }

int32_t PX720mSetMemBaseAddr(uint32_t index, uint32_t value) {
  DeviceSlot* slot = SlotOf(index);
  return slot && SetItem(*slot, PX720_FN_SET_MEM_BASE, value, slot->memBase) ? 1 : 0;
}
int32_t PX720SetMemBaseAddr(uint32_t value) { return PX720mSetMemBaseAddr(0, value); }

int32_t PX720mGetIntLine(uint32_t index, uint32_t* value) {
  DeviceSlot* slot = SlotOf(index);
  return slot && value && GetItem(*slot, PX720_FN_GET_INT_LINE, slot->intLine, value) ? 1 : 0;
}
int32_t PX720GetIntLine(uint32_t* value) { return PX720mGetIntLine(0, value); }

int32_t PX720mSetIntLine(uint32_t index, uint32_t value) {
  DeviceSlot* slot = SlotOf(index);
  return slot && SetItem(*slot, PX720_FN_SET_INT_LINE, value, slot->intLine) ? 1 : 0;
}
int32_t PX720SetIntLine(uint32_t value) { return PX720mSetIntLine(0, value); }

int32_t PX720mReadIoByte(uint32_t index, uint32_t address, uint8_t* value) {
  return ReadValue(index, PX720_FN_READ_IO_BYTE, address, value, IoShortAddress);
}
int32_t PX720ReadIoByte(uint32_t address, uint8_t* value) { return PX720mReadIoByte(0, address, value); }

int32_t PX720mReadIoWord(uint32_t index, uint32_t address, uint16_t* value) {
  return ReadValue(index, PX720_FN_READ_IO_WORD, address, value, IoShortAddress);
}
int32_t PX720ReadIoWord(uint32_t address, uint16_t* value) { return PX720mReadIoWord(0, address, value); }

int32_t PX720mReadIoDword(uint32_t index, uint32_t address, uint32_t* value) {
  return ReadValue(index, PX720_FN_READ_IO_DWORD, address, value, IoDwordAddress);
}
int32_t PX720ReadIoDword(uint32_t address, uint32_t* value) { return PX720mReadIoDword(0, address, value); }

int32_t PX720mWriteIoByte(uint32_t index, uint32_t address, uint8_t value) {
  return WriteValue(index, PX720_FN_WRITE_IO_BYTE, address, value, IoShortAddress);
}
int32_t PX720WriteIoByte(uint32_t address, uint8_t value) { return PX720mWriteIoByte(0, address, value); }

int32_t PX720mWriteIoWord(uint32_t index, uint32_t address, uint16_t value) {
  return WriteValue(index, PX720_FN_WRITE_IO_WORD, address, value, IoShortAddress);
}
int32_t PX720WriteIoWord(uint32_t address, uint16_t value) { return PX720mWriteIoWord(0, address, value); }

int32_t PX720mWriteIoDword(uint32_t index, uint32_t address, uint32_t value) {
  return WriteValue(index, PX720_FN_WRITE_IO_DWORD, address, value, IoDwordAddress);
}
int32_t PX720WriteIoDword(uint32_t address, uint32_t value) { return PX720mWriteIoDword(0, address, value); }

int32_t PX720mReadMemByte(uint32_t index, uint32_t address, uint8_t* value) {
  return ReadValue(index, PX720_FN_READ_MEM_BYTE, address, value, MemoryAddress);
}
int32_t PX720ReadMemByte(uint32_t address, uint8_t* value) { return PX720mReadMemByte(0, address, value); }

int32_t PX720mReadMemDword(uint32_t index, uint32_t address, uint32_t* value) {
  return ReadValue(index, PX720_FN_READ_MEM_DWORD, address, value, MemoryAddress);
}
int32_t PX720ReadMemDword(uint32_t address, uint32_t* value) { return PX720mReadMemDword(0, address, value); }

int32_t PX720mWriteMemByte(uint32_t index, uint32_t address, uint8_t value) {
  return WriteValue(index, PX720_FN_WRITE_MEM_BYTE, address, value, MemoryAddress);
}
int32_t PX720WriteMemByte(uint32_t address, uint8_t value) { return PX720mWriteMemByte(0, address, value); }

int32_t PX720mWriteMemDword(uint32_t index, uint32_t address, uint32_t value) {
  return WriteValue(index, PX720_FN_WRITE_MEM_DWORD, address, value, MemoryAddress);
}
int32_t PX720WriteMemDword(uint32_t address, uint32_t value) { return PX720mWriteMemDword(0, address, value); }

int32_t PX720mReadConfig(uint32_t index, uint32_t offset, uint8_t* value) {
  return ReadValue(index, PX720_FN_READ_CONFIG_BYTE, offset, value, Unchanged);
}
int32_t PX720ReadConfig(uint32_t offset, uint8_t* value) { return PX720mReadConfig(0, offset, value); }

int32_t PX720mWriteConfig(uint32_t index, uint32_t offset, uint8_t value) {
  return WriteValue(index, PX720_FN_WRITE_CONFIG_BYTE, offset, value, Unchanged);
}
int32_t PX720WriteConfig(uint32_t offset, uint8_t value) { return PX720mWriteConfig(0, offset, value); }

int32_t PX720GetVersion(void) { return 19; }

uint32_t PX720GetDrvVersion(void) {
  const int index = FirstOpenIndex();
  if (index < 0) return 0;
  DriverRequest record = MakeRecord(PX720_FN_GET_DRIVER_VERSION, 0, 0);
  if (!SendFixed(SlotOf(static_cast<uint32_t>(index))->handle.load(), record)) return 0;
  return record.data[0];
}

}  // extern "C"
