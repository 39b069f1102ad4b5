// The kernel-driver backend: devices found in a stable order, anything
// that is not the driver's character device refused, and a machine without
// the driver failing opens cleanly.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bridgelib/KernelDriverControl.h"
#include "bridgelib/PX720DLL.h"

namespace fs = std::filesystem;

namespace {

class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/px720-class-XXXXXX";
    m_path = mkdtemp(name);
  }
  ~TempFolder() { fs::remove_all(m_path); }
  const fs::path& Path() const { return m_path; }

 private:
  fs::path m_path;
};

TEST(KernelDriverControl, DevicesComeInNaturalOrderOfTheirNames) {
  TempFolder classFolder;
  for (const char* name : {"px720-10", "px720-2", "px720-0", ".hidden", "px720-1"}) {
    fs::create_directory(classFolder.Path() / name);
  }
  EXPECT_EQ(px720::ListDeviceNodes(classFolder.Path(), "/dev"),
            (std::vector<std::string>{"/dev/px720-0", "/dev/px720-1", "/dev/px720-2", "/dev/px720-10"}));
  EXPECT_TRUE(px720::ListDeviceNodes(classFolder.Path() / "missing", "/dev").empty());
}

TEST(KernelDriverControl, RefusesWhatIsNotTheDriver) {
  const px720::DeviceControl& backend = px720::KernelDriverBackend();
  TempFolder folder;
  const auto regular = folder.Path() / "not-a-device";
  std::ofstream(regular) << "x";
  EXPECT_EQ(backend.open(regular.c_str(), false), px720::kInvalidHandle);
  EXPECT_EQ(backend.open((folder.Path() / "missing").c_str(), false), px720::kInvalidHandle);

  // A character device of another driver opens but refuses the request.
  const px720::DeviceHandle handle = backend.open("/dev/null", false);
  ASSERT_NE(handle, px720::kInvalidHandle);
  DriverRequest record{};
  record.function = PX720_FN_GET_DRIVER_VERSION;
  std::uint32_t returned = 12345;
  EXPECT_FALSE(backend.control(handle, px720::kControlCode, &record, sizeof record, sizeof record, &returned));
  EXPECT_EQ(returned, 12345u);
  EXPECT_TRUE(backend.close(handle));
  EXPECT_FALSE(backend.control(px720::kInvalidHandle, px720::kControlCode, &record, sizeof record,
                               sizeof record, &returned));
}

TEST(KernelDriverControl, WithoutTheDriverOpeningFailsCleanly) {
  if (fs::exists(px720::kDriverClassFolder)) GTEST_SKIP() << "a bridge driver is installed here";
  px720::UseBackend(px720::KernelDriverBackend());
  char path[128];
  EXPECT_EQ(px720::KernelDriverBackend().findDevice(0, path, sizeof path), px720::FindResult::NoDevice);
  EXPECT_EQ(PX720mOpenDevice(0, 1, 1), INVALID_HANDLE_VALUE);
  EXPECT_EQ(PX720GetDrvVersion(), 0u);
  EXPECT_EQ(PX720DelayUS(10), 0);
  EXPECT_EQ(PX720CloseDevice(), 0);
}

}  // namespace
