// Requests to the bridge's kernel driver. The driver registers a device
// class "px720"; its devices appear as /sys/class/px720/<name> with the node
// /dev/<name>. Each request is one ioctl carrying the same DriverRequest
// record the driver would see on any platform.
#include "bridgelib/KernelDriverControl.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace px720 {

namespace {

// Natural order: "px720-2" before "px720-10".
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
      const std::string ta = na.substr(std::min(na.find_first_not_of('0'), na.size()));
      const std::string tb = nb.substr(std::min(nb.find_first_not_of('0'), nb.size()));
      if (ta.size() != tb.size()) return ta.size() < tb.size();
      if (ta != tb) return ta < tb;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

FindResult FindDevice(unsigned index, char* path, std::size_t size) {
  const auto nodes = ListDeviceNodes(kDriverClassFolder, kDeviceFolder);
  if (index >= nodes.size()) return FindResult::NoDevice;
  const std::string& node = nodes[index];
  if (node.size() + 1 > size) return FindResult::PathTooLong;
  std::memcpy(path, node.c_str(), node.size() + 1);
  return FindResult::Found;
}

DeviceHandle Open(const char* path, bool) {
  const int fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return kInvalidHandle;
  struct stat info {};
  // Anything but the driver's character device would take our ioctls for
  // something else entirely.
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
    ::close(fd);
    return kInvalidHandle;
  }
  return fd;
}

bool Control(DeviceHandle handle, std::uint32_t code, void* buffer, std::uint32_t inSize,
             std::uint32_t outSize, std::uint32_t* returned) {
  if (handle < 0) return false;
  KernelRequest request{};
  request.controlCode = code;
  request.inSize = inSize;
  request.outSize = outSize;
  request.buffer = reinterpret_cast<std::uintptr_t>(buffer);
  int result;
  do {
    result = ::ioctl(static_cast<int>(handle), kIoctlRequest, &request);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return false;
  *returned = request.returned;
  return true;
}

bool Close(DeviceHandle handle) { return handle >= 0 && ::close(static_cast<int>(handle)) == 0; }

constexpr DeviceControl kKernelDriver{"kernel driver", FindDevice, Open, Control, Close};

}  // namespace

std::vector<std::string> ListDeviceNodes(const std::string& classFolder, const std::string& deviceFolder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(classFolder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  for (auto& name : names) name = deviceFolder + "/" + name;
  return names;
}

const DeviceControl& KernelDriverBackend() { return kKernelDriver; }

}  // namespace px720
