// CIniStore: the file format written byte for byte, the reading rules for
// sections, keys and odd lines, number formats, and that a failed save
// never damages the file it was meant to replace.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <climits>
#include <csignal>

#include "TempFolder.h"
#include "common/IniStore.h"

namespace zembra {
namespace {

using test::Exists;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

// Loads `content` from a file and returns what Save writes back.
std::string RoundTrip(const TempFolder& folder, const std::string& content) {
  const std::string path = folder.Path("roundtrip.ini");
  if (!WriteBytes(path, content)) return "<unwritable>";
  CIniStore store(path);
  if (!store.LoadExisting()) return "<load failed>";
  if (!store.Save()) return "<save failed: " + store.LastError() + ">";
  return ReadBytes(path);
}

int CountEntries(const QString& folder) {
  return static_cast<int>(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size());
}

class IniStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_folder.IsValid()); }
  TempFolder m_folder;
};

// --- what Save writes -------------------------------------------------------

TEST_F(IniStoreTest, SaveWritesSectionsKeysAndBlankLinesWithCrLf) {
  const std::string path = m_folder.Path("scheme.qnd");
  CIniStore store(path);
  const std::string gbkSection = "\xb2\xce\xca\xfd";  // 参数
  EXPECT_TRUE(store.SetString("DriverVersion", "D0000", "V 1.0.0", true));
  EXPECT_TRUE(store.SetInt("DriverVersion", "CRC", 17202, true));
  EXPECT_TRUE(store.SetInt(gbkSection, "Neg", -42, true));
  EXPECT_TRUE(store.SetDouble(gbkSection, "Kp", 1500.0, true));
  EXPECT_TRUE(store.SetDouble(gbkSection, "Ki", 0.5, true));
  ASSERT_TRUE(store.Save()) << store.LastError();

  EXPECT_EQ(ReadBytes(path),
            "[DriverVersion]\r\nD0000=V 1.0.0\r\nCRC=17202\r\n\r\n"
            "[\xb2\xce\xca\xfd]\r\nNeg=-42\r\nKp=1.500000e+003\r\nKi=5.000000e-001\r\n\r\n");
}

TEST_F(IniStoreTest, SetStringOverwritesInPlaceAndAppendsNewKeysAtTheEnd) {
  const std::string path = m_folder.Path("order.ini");
  CIniStore store(path);
  store.SetString("s", "a", "1", true);
  store.SetString("t", "x", "9", true);
  store.SetString("s", "b", "2", true);
  store.SetString("s", "a", "3", true);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(path), "[s]\r\na=3\r\nb=2\r\n\r\n[t]\r\nx=9\r\n\r\n");
}

TEST_F(IniStoreTest, EmptyStoreSavesAnEmptyFile) {
  const std::string path = m_folder.Path("empty.ini");
  ASSERT_TRUE(WriteBytes(path, "old content\r\n"));
  CIniStore store(path);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(path), "");
}

// --- what loading reads -----------------------------------------------------

TEST_F(IniStoreTest, RepeatedKeyKeepsTheLastValueAndIsWrittenOnce) {
  const std::string path = m_folder.Path("repeat.ini");
  ASSERT_TRUE(WriteBytes(path, "[option]\r\na=1\r\na=2\r\n"));
  CIniStore store(path);
  ASSERT_TRUE(store.LoadExisting());
  EXPECT_EQ(store.GetInt("option", "a"), 2);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(path), "[option]\r\na=2\r\n\r\n");
}

TEST_F(IniStoreTest, SectionAndKeyLinesFollowTheReadingRules) {
  // Keys before any section land in the section with the empty name.
  EXPECT_EQ(RoundTrip(m_folder, "k=v\r\n[s]\r\na=1\r\n"), "[]\r\nk=v\r\n\r\n[s]\r\na=1\r\n\r\n");
  // Blanks belong to the key and the value.
  EXPECT_EQ(RoundTrip(m_folder, "[s]\r\n a = 1 \r\n"), "[s]\r\n a = 1 \r\n\r\n");
  // The key ends at the first "=".
  EXPECT_EQ(RoundTrip(m_folder, "[s]\r\na=b=c\r\n=empty key\r\n"), "[s]\r\na=b=c\r\n=empty key\r\n\r\n");
  // All leading "[" and trailing "]" go; "[]" names the empty section.
  EXPECT_EQ(RoundTrip(m_folder, "[[a]]\r\nx=1\r\n[]\r\ny=2\r\n"), "[a]\r\nx=1\r\n\r\n[]\r\ny=2\r\n\r\n");
  // A section without keys is not written back.
  EXPECT_EQ(RoundTrip(m_folder, "[none]\r\n[s]\r\na=1\r\n[tail]\r\n"), "[s]\r\na=1\r\n\r\n");
  // A repeated section name continues the first section of that name.
  EXPECT_EQ(RoundTrip(m_folder, "[s]\r\na=1\r\n[t]\r\nb=2\r\n[s]\r\nc=3\r\n"),
            "[s]\r\na=1\r\nc=3\r\n\r\n[t]\r\nb=2\r\n\r\n");
}

TEST_F(IniStoreTest, LineEndingsAndLinesWithoutEquals) {
  // LF only, mixed, blank lines, and a last line without a line end.
  EXPECT_EQ(RoundTrip(m_folder, "[s]\na=1\r\n\n\r\nb=2"), "[s]\r\na=1\r\nb=2\r\n\r\n");
  // Lines that are neither sections nor keys are skipped, "[" alone included.
  EXPECT_EQ(RoundTrip(m_folder, "[s]\r\njunk\r\n[\r\na=1\r\n"), "[s]\r\na=1\r\n\r\n");
  // Only the CR of the line end goes; one inside the value stays.
  EXPECT_EQ(RoundTrip(m_folder, "[s]\r\na=x\ry\r\r\n"), "[s]\r\na=x\ry\r\r\n\r\n");
}

TEST_F(IniStoreTest, BytesThatAreNotValidGbkPassThroughUnchanged) {
  const std::string content = "[\xff\x80]\r\n\x81\x20=\xfe\xfe\x81\r\n\xb2\xce\xca\xfd=\xd6\xd0\r\n\r\n";
  EXPECT_EQ(RoundTrip(m_folder, content), content);

  CIniStore store(m_folder.Path("roundtrip.ini"));
  ASSERT_TRUE(store.LoadExisting());
  EXPECT_EQ(store.GetString("\xff\x80", "\xb2\xce\xca\xfd"), "\xd6\xd0");
  EXPECT_EQ(store.GetString("\xff\x80", "\x81\x20"), "\xfe\xfe\x81");
}

TEST_F(IniStoreTest, VeryLongLinesAreLoadedAndSavedWithEverythingAfterThem) {
  const std::string longValue(5000, 'x');
  std::string content = "[s]\r\nlong=" + longValue + "\r\nafter=1\r\n[t]\r\nlast=2\r\n";
  EXPECT_EQ(RoundTrip(m_folder, content), "[s]\r\nlong=" + longValue + "\r\nafter=1\r\n\r\n[t]\r\nlast=2\r\n\r\n");

  CIniStore store(m_folder.Path("roundtrip.ini"));
  ASSERT_TRUE(store.LoadExisting());
  EXPECT_EQ(store.GetString("s", "long"), longValue);
  EXPECT_EQ(store.GetInt("t", "last"), 2);
}

TEST_F(IniStoreTest, LoadingMergesIntoWhatTheStoreHolds) {
  const std::string path = m_folder.Path("merge.ini");
  ASSERT_TRUE(WriteBytes(path, "[s]\r\na=file\r\n"));
  CIniStore store(path);
  store.SetString("s", "a", "memory", true);
  store.SetString("s", "b", "kept", true);
  ASSERT_TRUE(store.LoadExisting());
  EXPECT_EQ(store.GetString("s", "a"), "file");
  EXPECT_EQ(store.GetString("s", "b"), "kept");
}

// --- LoadExisting / LoadOrCreate --------------------------------------------

TEST_F(IniStoreTest, LoadExistingOnAMissingFileFailsWithoutCreatingIt) {
  const std::string path = m_folder.Path("missing.ini");
  CIniStore store(path);
  EXPECT_FALSE(store.LoadExisting());
  EXPECT_EQ(store.LastError(), "");
  EXPECT_FALSE(Exists(path));
}

TEST_F(IniStoreTest, LoadOrCreateCreatesAMissingFileEmpty) {
  const std::string path = m_folder.Path("new.ini");
  CIniStore store(path);
  EXPECT_TRUE(store.LoadOrCreate());
  ASSERT_TRUE(Exists(path));
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(store.FindSection(""), -1);
}

TEST_F(IniStoreTest, LoadOrCreateLeavesAnExistingFileAlone) {
  const std::string path = m_folder.Path("keep.ini");
  ASSERT_TRUE(WriteBytes(path, "[s]\r\na=1\r\n"));
  CIniStore store(path);
  EXPECT_TRUE(store.LoadOrCreate());
  EXPECT_EQ(store.GetInt("s", "a"), 1);
  EXPECT_EQ(ReadBytes(path), "[s]\r\na=1\r\n");
}

TEST_F(IniStoreTest, LoadOrCreateInAMissingFolderFails) {
  const std::string path = m_folder.Path("no/such/folder/x.ini");
  CIniStore store(path);
  EXPECT_FALSE(store.LoadOrCreate());
  EXPECT_EQ(store.LastError(), "");
  EXPECT_FALSE(Exists(path));
}

TEST_F(IniStoreTest, APathThatIsAFolderCannotBeOpened) {
  ASSERT_TRUE(QDir(m_folder.Folder()).mkdir("folder.ini"));
  CIniStore store(m_folder.Path("folder.ini"));
  EXPECT_FALSE(store.LoadExisting());
  EXPECT_EQ(store.LastError(), "Unable to open ini file.");
}

// --- lookups and values -----------------------------------------------------

TEST_F(IniStoreTest, LookupsMatchBytesExactlyAndReportWhatIsMissing) {
  CIniStore store(m_folder.Path("x.ini"));
  store.SetString("Sec", "Key", "v", true);
  store.SetString("Other", "Key", "w", true);
  EXPECT_EQ(store.FindSection("Other"), 1);
  EXPECT_EQ(store.FindSection("sec"), -1);
  EXPECT_EQ(store.FindSection("Sec "), -1);
  EXPECT_EQ(store.FindEntry(0, "Key"), 0);
  EXPECT_EQ(store.FindEntry(0, "key"), -1);
  EXPECT_EQ(store.FindEntry(-1, "Key"), -1);
  EXPECT_EQ(store.FindEntry(2, "Key"), -1);

  EXPECT_EQ(store.GetString("Nope", "Key"), "");
  EXPECT_EQ(store.LastError(), "Unable to locate specified key.");
  EXPECT_EQ(store.GetString("Sec", "Nope"), "");
  EXPECT_EQ(store.LastError(), "Unable to locate specified value.");
  EXPECT_EQ(store.GetInt("Sec", "Nope"), 0);
  EXPECT_EQ(store.GetDouble("Nope", "Key"), 0.0);
}

TEST_F(IniStoreTest, SetWithoutCreateChangesOnlyWhatExists) {
  CIniStore store(m_folder.Path("x.ini"));
  store.SetString("s", "a", "1", true);
  EXPECT_FALSE(store.SetString("t", "a", "2", false));
  EXPECT_FALSE(store.SetInt("s", "b", 2, false));
  EXPECT_EQ(store.FindSection("t"), -1);
  EXPECT_EQ(store.FindEntry(0, "b"), -1);
  EXPECT_EQ(store.LastError(), "");
  EXPECT_TRUE(store.SetString("s", "a", "3", false));
  EXPECT_EQ(store.GetString("s", "a"), "3");
}

TEST_F(IniStoreTest, TextThatCannotBeReadBackIsRefused) {
  const std::string path = m_folder.Path("inject.ini");
  CIniStore store(path);
  EXPECT_FALSE(store.SetString("s", "a", "1\r\n[evil]\r\nx=2", true));
  EXPECT_FALSE(store.LastError().empty());
  EXPECT_FALSE(store.SetString("s\n", "a", "1", true));
  EXPECT_FALSE(store.SetString("s", "a=b", "1", true));
  EXPECT_EQ(store.FindSection("s"), -1);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(IniStoreTest, NumbersReadTheirLeadingNumericPart) {
  CIniStore store(m_folder.Path("x.ini"));
  const std::pair<const char*, int> ints[] = {
      {"12abc", 12}, {"abc", 0}, {"  -7", -7}, {"+5", 5}, {"", 0}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
  for (const auto& [text, expected] : ints) {
    store.SetString("n", "v", text, true);
    EXPECT_EQ(store.GetInt("n", "v"), expected) << text;
  }
  const std::pair<const char*, double> doubles[] = {{"1.500000e+003", 1500.0}, {"1.500000e+03", 1500.0},
                                                    {"5.000000e-001", 0.5},    {"1.000000e-120", 1e-120},
                                                    {"2.5xyz", 2.5},           {"x2.5", 0.0},
                                                    {" -3", -3.0}};
  for (const auto& [text, expected] : doubles) {
    store.SetString("n", "v", text, true);
    EXPECT_DOUBLE_EQ(store.GetDouble("n", "v"), expected) << text;
  }
}

TEST_F(IniStoreTest, DoublesAreWrittenWithAThreeDigitExponent) {
  EXPECT_EQ(CIniStore::FormatDouble(1500.0), "1.500000e+003");
  EXPECT_EQ(CIniStore::FormatDouble(0.5), "5.000000e-001");
  EXPECT_EQ(CIniStore::FormatDouble(1e-120), "1.000000e-120");
  EXPECT_EQ(CIniStore::FormatDouble(-2.5), "-2.500000e+000");
  EXPECT_EQ(CIniStore::FormatDouble(0.0), "0.000000e+000");
  EXPECT_EQ(CIniStore::FormatDouble(1.23456789e300), "1.234568e+300");

  CIniStore store(m_folder.Path("x.ini"));
  ASSERT_TRUE(store.SetDouble("s", "d", 0.5, true));
  EXPECT_EQ(store.GetString("s", "d"), "5.000000e-001");
  EXPECT_DOUBLE_EQ(store.GetDouble("s", "d"), 0.5);
}

// --- saving safely ----------------------------------------------------------

TEST_F(IniStoreTest, SaveIntoAPathUnderARegularFileFails) {
  const std::string blocker = m_folder.Path("plainfile");
  ASSERT_TRUE(WriteBytes(blocker, "not a folder"));
  CIniStore store(blocker + "/x.ini");
  store.SetString("s", "a", "1", true);
  EXPECT_FALSE(store.Save());
  EXPECT_FALSE(store.LastError().empty());
  EXPECT_EQ(ReadBytes(blocker), "not a folder");
}

// A file-size limit makes the write fail part way even for root, the way a
// full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit limit = m_old;
    limit.rlim_cur = bytes;
    m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
  }
  bool Active() const { return m_active; }

 private:
  rlimit m_old{};
  void (*m_oldHandler)(int) = nullptr;
  bool m_active = false;
};

TEST_F(IniStoreTest, AFailedWriteLeavesTheOldFileIntactAndNoLeftovers) {
  const std::string path = m_folder.Path("precious.qnd");
  const std::string original = "[s]\r\na=1\r\n\r\n";
  ASSERT_TRUE(WriteBytes(path, original));

  CIniStore store(path);
  ASSERT_TRUE(store.LoadExisting());
  store.SetString("s", "big", std::string(4096, 'y'), true);
  {
    FileSizeLimit limit(1024);
    ASSERT_TRUE(limit.Active());
    EXPECT_FALSE(store.Save());
  }
  EXPECT_NE(store.LastError().find("write"), std::string::npos) << store.LastError();
  EXPECT_EQ(ReadBytes(path), original);
  EXPECT_EQ(CountEntries(m_folder.Folder()), 1);

  // The same store saves fine once the disk has room again.
  ASSERT_TRUE(store.Save()) << store.LastError();
  EXPECT_EQ(ReadBytes(path).size(), original.size() + 4 + 4096 + 2);
  EXPECT_EQ(CountEntries(m_folder.Folder()), 1);
}

TEST_F(IniStoreTest, SaveKeepsTheFilesPermissionsAndLinks) {
  const std::string real = m_folder.Path("real.ini");
  const std::string link = m_folder.Path("link.ini");
  ASSERT_TRUE(WriteBytes(real, "[s]\r\na=1\r\n"));
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);

  CIniStore store(link);
  ASSERT_TRUE(store.LoadExisting());
  store.SetInt("s", "a", 2, true);
  ASSERT_TRUE(store.Save()) << store.LastError();

  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(real), "[s]\r\na=2\r\n\r\n");
  EXPECT_EQ(CountEntries(m_folder.Folder()), 2);
}

}  // namespace
}  // namespace zembra
