#include "tests/fuzz/FuzzScratch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/FuzzTarget.h"

namespace zembra::fuzz {
namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    // Memory-backed when the machine has it: fuzzing writes many files.
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/zembra-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) CheckFailed("scratch folder created", __FILE__, __LINE__);
    return pattern;
  }();
  return folder;
}

}  // namespace

std::string ScratchFile(const char* name, const std::uint8_t* data, std::size_t size) {
  const std::string path = Folder() + "/" + name;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) CheckFailed("scratch file opened", __FILE__, __LINE__);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) CheckFailed("scratch file written", __FILE__, __LINE__);
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return path;
}

}  // namespace zembra::fuzz
