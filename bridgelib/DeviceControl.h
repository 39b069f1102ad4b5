// The one seam between the bridge library and whatever carries its
// requests: the bridge's kernel driver, the virtual cards, or a test's
// recorder. Every member must be callable from any thread at once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace px720 {

// A backend's handle of an open device; kInvalidHandle marks none.
using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidHandle = -1;

// The control code every request travels with.
inline constexpr std::uint32_t kControlCode = 0x00223CD8;

enum class FindResult {
  Found,       // path holds the device's NUL-terminated path
  NoDevice,    // fewer devices than index + 1, or no driver at all
  PathTooLong  // the device exists but its path needs more than size - 1 bytes
};

struct DeviceControl {
  // Shown nowhere; handy in a debugger.
  const char* name;

  // Finds the index-th device (0-based) in a stable order and writes its
  // path into path[0..size). Must not open the device.
  FindResult (*findDevice)(unsigned index, char* path, std::size_t size);

  // Opens a device path for requests. forInterruptWait is set for the
  // interrupt thread's own handle, whose only requests are waits; a backend
  // may treat it like any other handle. Returns kInvalidHandle on failure.
  DeviceHandle (*open)(const char* path, bool forInterruptWait);

  // Carries one request. `buffer` holds the DriverRequest record: inSize
  // bytes are the input; the driver answers into the same buffer, at most
  // outSize bytes. On success stores the number of bytes the driver
  // returned in *returned and returns true. A wait request (function 10)
  // blocks until the card interrupts or the wait is aborted. Fails for
  // kInvalidHandle and for a closed handle.
  bool (*control)(DeviceHandle handle, std::uint32_t code, void* buffer, std::uint32_t inSize,
                  std::uint32_t outSize, std::uint32_t* returned);

  // Closes a handle; returns true when it was open.
  bool (*close)(DeviceHandle handle);
};

// The backend in use, chosen on first call: PX720_VIRTUAL_CARDS=N (1..16)
// selects N virtual cards, any other value of it no devices at all, and
// without it the kernel driver's devices are used.
const DeviceControl& Backend();

// For tests: use `backend` from now on (it must outlive its use).
void UseBackend(const DeviceControl& backend);

// The backends this library has.
const DeviceControl& KernelDriverBackend();
const DeviceControl& NoDeviceBackend();
const DeviceControl& VirtualCardBackend(int cards);

}  // namespace px720
