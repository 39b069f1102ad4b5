// The process-wide table of the 16 bridge devices and the request helpers
// every export uses.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "bridgelib/DeviceControl.h"
#include "bridgelib/PX720DLL.h"

namespace px720 {

inline constexpr unsigned kDeviceSlots = PX720_MAX_DEVICES;
inline constexpr std::size_t kPathSize = 128;  // 127 characters and the terminator
inline constexpr std::uint32_t kHeaderSize = 12;
inline constexpr std::uint32_t kFixedRecordSize = kHeaderSize + PX720_RECORD_DATA;

// One device. Members are atomic because the interrupt thread reads what
// callers on other threads write.
struct DeviceSlot {
  std::atomic<DeviceHandle> handle{kInvalidHandle};
  std::atomic<std::uint32_t> ioBase{0};
  std::atomic<std::uint32_t> memBase{0};
  std::atomic<std::uint32_t> intLine{0};
  std::atomic<PX720_INT_ROUTINE> routine{nullptr};
  // Token of the running interrupt thread, 0 when none runs. Set before the
  // thread starts and cleared by the thread itself as its last act.
  std::atomic<std::uint32_t> threadId{0};
  // Serialises installing and removing interrupt service, so two callers
  // can never each start a thread for the same device.
  std::mutex serviceLock;

  void SetPath(const char* path);
  std::string Path() const;

 private:
  mutable std::mutex m_pathLock;
  char m_path[kPathSize] = {};
};

// The slot of a device index, or nullptr for an index outside 0..15.
DeviceSlot* SlotOf(std::uint32_t index);
// The lowest open index, or -1.
int FirstOpenIndex();

// Sends a request record on a handle: inSize bytes in, at most outSize back.
bool SendRequest(DeviceHandle handle, void* record, std::uint32_t inSize, std::uint32_t outSize,
                 std::uint32_t* returned = nullptr);

// A single-value request on the fixed 1012-byte record.
bool SendFixed(DeviceHandle handle, DriverRequest& record);

// Builds a zeroed fixed record with the given header.
DriverRequest MakeRecord(std::uint32_t function, std::uint32_t address, std::uint32_t length);

// Absolute-address byte access used by the bridge-register helpers.
bool WriteIoByteAt(const DeviceSlot& slot, std::uint32_t port, std::uint8_t value);
bool ReadIoByteAt(const DeviceSlot& slot, std::uint32_t port, std::uint8_t* value);

}  // namespace px720
