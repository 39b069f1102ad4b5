// The INI store against what a machine floor brings: files far too large,
// pipes and devices instead of files, binary bytes and foreign line ends,
// and a process killed in the middle of a save, many times over. A file is
// either the old one or the new one, whole; a load never hangs or crashes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "common/IniStore.h"
#include "tests/common/TempFolder.h"

namespace zembra {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

TEST(IniStoreRobustness, FilesBeyondTheLimitAreRefusedWithoutReadingThem) {
  TempFolder folder;
  const std::string path = folder.Path("huge.qnd");
  ASSERT_TRUE(WriteBytes(path, "[option]\r\nk=1\r\n"));
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(CIniStore::kMaxFileSize) + 1), 0);
  CIniStore store(path);
  EXPECT_FALSE(store.LoadExisting());
  EXPECT_NE(store.LastError().find("too large"), std::string::npos);
  // Exactly at the limit still loads.
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(CIniStore::kMaxFileSize)), 0);
  CIniStore atLimit(path);
  EXPECT_TRUE(atLimit.LoadExisting());
  EXPECT_EQ(atLimit.GetInt("option", "k"), 1);
}

TEST(IniStoreRobustness, PipesAndDevicesAreRefusedAtOnce) {
  TempFolder folder;
  const std::string fifo = folder.Path("pipe.qnd");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Nobody writes to the pipe: a blocking open would never return.
  CIniStore pipe(fifo);
  EXPECT_FALSE(pipe.LoadExisting());
  EXPECT_FALSE(pipe.LoadOrCreate());
  CIniStore endless("/dev/zero");
  EXPECT_FALSE(endless.LoadExisting());
  EXPECT_EQ(endless.LastError(), "Not a regular file.");
}

TEST(IniStoreRobustness, BinaryBytesAndLineFeedsLoadWithoutHarm) {
  TempFolder folder;
  const std::string path = folder.Path("odd.qnd");
  std::string bytes = "[option]\nspeed=3000\n";
  bytes += std::string("\x00\xff\xfe[\x01=\x02\n", 8);
  bytes += "[option]\nnext=7";  // no line end at the very end
  ASSERT_TRUE(WriteBytes(path, bytes));
  CIniStore store(path);
  ASSERT_TRUE(store.LoadExisting());
  EXPECT_EQ(store.GetInt("option", "speed"), 3000);
  EXPECT_EQ(store.GetInt("option", "next"), 7);
}

// A child saves two different stores over one file, alternately, until it
// is killed at a random moment; the file must then be one of the two whole.
TEST(IniStoreRobustness, AKilledSaveLeavesTheOldOrTheNewFileWhole) {
  TempFolder folder;
  const std::string path = folder.Path("scheme.qnd");
  auto fill = [](CIniStore& store, const char* value) {
    for (int i = 0; i < 3000; ++i) store.SetString("option", "key" + std::to_string(i), value, true);
  };
  std::string expectedA, expectedB;
  {
    CIniStore a(folder.Path("a.qnd"));
    fill(a, "aaaaaaaa");
    ASSERT_TRUE(a.Save());
    expectedA = ReadBytes(folder.Path("a.qnd"));
    CIniStore b(folder.Path("b.qnd"));
    fill(b, "bbbbbbbbbbbbbbbb");
    ASSERT_TRUE(b.Save());
    expectedB = ReadBytes(folder.Path("b.qnd"));
  }
  ASSERT_TRUE(WriteBytes(path, expectedA));
  std::mt19937 random(20261209);
  for (int round = 0; round < 40; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        CIniStore store(path);
        fill(store, i % 2 ? "aaaaaaaa" : "bbbbbbbbbbbbbbbb");
        store.Save();
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string now = ReadBytes(path);
    ASSERT_TRUE(now == expectedA || now == expectedB) << "round " << round << ": " << now.size() << " bytes";
  }
}

}  // namespace
}  // namespace zembra
