// Requests to the virtual cards: the whole card and its driver run inside
// this process, so tests and demos need no hardware.
#include <cstdlib>
#include <cstring>
#include <string>

#include "bridgelib/DeviceControl.h"
#include "sim/pcicard/VirtualPciWorld.h"

namespace px720 {

namespace {

using zembra::sim::VirtualPciWorld;

VirtualPciWorld& World() {
  // Made by VirtualCardBackend before this backend is ever used.
  return *VirtualPciWorld::ProcessIfMade();
}

FindResult FindDevice(unsigned index, char* path, std::size_t size) {
  if (index >= static_cast<unsigned>(World().CardCount())) return FindResult::NoDevice;
  const std::string device = World().DevicePath(static_cast<int>(index));
  if (device.size() + 1 > size) return FindResult::PathTooLong;
  std::memcpy(path, device.c_str(), device.size() + 1);
  return FindResult::Found;
}

DeviceHandle Open(const char* path, bool) {
  const int card = World().CardOfPath(path);
  return card < 0 ? kInvalidHandle : World().Open(card);
}

bool Control(DeviceHandle handle, std::uint32_t code, void* buffer, std::uint32_t inSize,
             std::uint32_t outSize, std::uint32_t* returned) {
  return World().Control(handle, code, static_cast<std::uint8_t*>(buffer), inSize, outSize, returned);
}

bool Close(DeviceHandle handle) { return World().Close(handle); }

constexpr DeviceControl kVirtualCards{"virtual cards", FindDevice, Open, Control, Close};

}  // namespace

// PX720_VIRTUAL_ECHO=1 puts an echo node on the virtual bus.
const DeviceControl& VirtualCardBackend(int cards) {
  VirtualPciWorld& world = VirtualPciWorld::Process(cards);
  const char* echo = std::getenv("PX720_VIRTUAL_ECHO");
  if (echo && std::strcmp(echo, "1") == 0) world.SetEchoNode(true);
  return kVirtualCards;
}

}  // namespace px720
