// The interface to the bridge's kernel driver on Linux.
#pragma once

#include <sys/ioctl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bridgelib/DeviceControl.h"

namespace px720 {

inline constexpr const char* kDriverClassFolder = "/sys/class/px720";
inline constexpr const char* kDeviceFolder = "/dev";

// What one ioctl carries: the control code and the record (input and
// output in one buffer). The driver sets `returned` to the number of bytes
// it wrote back.
struct KernelRequest {
  std::uint32_t controlCode;
  std::uint32_t inSize;
  std::uint32_t outSize;
  std::uint32_t returned;
  std::uint64_t buffer;  // address of the DriverRequest record
};

inline constexpr unsigned long kIoctlRequest = _IOWR('X', 0x36, KernelRequest);

// The device nodes of the driver's devices in a stable (natural) order of
// their names: deviceFolder/<name> for each entry of classFolder.
std::vector<std::string> ListDeviceNodes(const std::string& classFolder, const std::string& deviceFolder);

}  // namespace px720
