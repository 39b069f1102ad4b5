// Which backend carries the requests, decided once when the library first
// needs a device.
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>

#include "bridgelib/DeviceControl.h"

namespace px720 {

namespace {

std::atomic<const DeviceControl*> g_backend{nullptr};
std::once_flag g_choice;

// PX720_VIRTUAL_CARDS=N with N in 1..16 asks for N virtual cards. A value
// that is set but not such a number selects no devices rather than real
// hardware: whoever set it did not mean to drive a machine.
const DeviceControl& Choose() {
  const char* cards = std::getenv("PX720_VIRTUAL_CARDS");
  if (!cards) return KernelDriverBackend();
  char* end = nullptr;
  const long count = std::strtol(cards, &end, 10);
  if (end == cards || *end != '\0' || count < 1 || count > 16) return NoDeviceBackend();
  return VirtualCardBackend(static_cast<int>(count));
}

FindResult FindNothing(unsigned, char*, std::size_t) { return FindResult::NoDevice; }
DeviceHandle OpenNothing(const char*, bool) { return kInvalidHandle; }
bool ControlNothing(DeviceHandle, std::uint32_t, void*, std::uint32_t, std::uint32_t, std::uint32_t*) {
  return false;
}
bool CloseNothing(DeviceHandle) { return false; }

constexpr DeviceControl kNoDevice{"none", FindNothing, OpenNothing, ControlNothing, CloseNothing};

}  // namespace

const DeviceControl& Backend() {
  std::call_once(g_choice, [] {
    if (!g_backend.load()) g_backend.store(&Choose());
  });
  return *g_backend.load();
}

void UseBackend(const DeviceControl& backend) {
  std::call_once(g_choice, [] {});
  g_backend.store(&backend);
}

const DeviceControl& NoDeviceBackend() { return kNoDevice; }

}  // namespace px720
