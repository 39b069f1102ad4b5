#include "common/IniStore.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace zembra {
namespace {

constexpr const char* kErrorOpen = "Unable to open ini file.";
constexpr const char* kErrorRead = "Unable to read ini file.";
constexpr const char* kErrorNoSection = "Unable to locate specified key.";
constexpr const char* kErrorNoKey = "Unable to locate specified value.";
constexpr const char* kErrorLineBreak = "Line breaks cannot be stored.";
constexpr const char* kErrorKeyEquals = "A key cannot contain '='.";
constexpr const char* kErrorNotAFile = "Not a regular file.";
constexpr const char* kErrorTooLarge = "The file is too large for a settings or scheme file (more than 16 MB).";
constexpr const char* kLineEnd = "\r\n";

std::string SaveError(const char* step, int error) {
  return std::string("Unable to save ini file (") + step + "): " + std::strerror(error);
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

enum class ReadResult { Complete, Failed, TooLarge };

// Reads the whole file so that a read error part way never leaves a half
// loaded store that a later Save would write back short. A file that grows
// beyond the limit while being read is refused like a large one.
ReadResult ReadWholeFile(int fd, std::string& out) {
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return ReadResult::Complete;
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadResult::Failed;
    }
    if (out.size() + static_cast<size_t>(n) > CIniStore::kMaxFileSize) return ReadResult::TooLarge;
    out.append(buffer, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Numbers in the files use '.' whatever locale the GUI toolkit installed.
locale_t ClassicLocale() {
  static locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

CIniStore::CIniStore(std::string path) : m_path(std::move(path)) {}

bool CIniStore::LoadOrCreate() { return Load(true); }

bool CIniStore::LoadExisting() { return Load(false); }

bool CIniStore::Load(bool createIfMissing) {
  struct stat st {};
  if (::stat(m_path.c_str(), &st) != 0) {
    if (!createIfMissing) return false;
    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
  }

  // Without O_NONBLOCK a named pipe would hold the open until a writer came.
  int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    m_lastError = kErrorOpen;
    return false;
  }
  // A device or pipe could be endless, a directory is no file.
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    m_lastError = S_ISDIR(st.st_mode) ? kErrorOpen : kErrorNotAFile;
    return false;
  }
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
    ::close(fd);
    m_lastError = kErrorTooLarge;
    return false;
  }
  std::string content;
  const ReadResult read = ReadWholeFile(fd, content);
  ::close(fd);
  if (read != ReadResult::Complete) {
    m_lastError = read == ReadResult::TooLarge ? kErrorTooLarge : kErrorRead;
    return false;
  }

  std::string currentSection;
  std::string_view rest(content);
  while (!rest.empty()) {
    size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ParseLine(line, currentSection);
  }
  return true;
}

void CIniStore::ParseLine(std::string_view line, std::string& currentSection) {
  if (line.empty()) return;
  if (line.front() == '[' && line.back() == ']') {
    // The section itself appears only once a key follows it.
    size_t first = line.find_first_not_of('[');
    if (first == std::string_view::npos) {
      currentSection.clear();
      return;
    }
    line.remove_prefix(first);
    size_t last = line.find_last_not_of(']');
    currentSection.assign(last == std::string_view::npos ? std::string_view() : line.substr(0, last + 1));
    return;
  }
  size_t equals = line.find('=');
  // A line that is neither a section nor a key carries nothing to keep.
  if (equals == std::string_view::npos) return;
  Store(currentSection, line.substr(0, equals), line.substr(equals + 1), true);
}

bool CIniStore::Store(std::string_view section, std::string_view key, std::string_view value, bool create) {
  int s = FindSection(section);
  if (s < 0) {
    if (!create) return false;
    m_sections.push_back(Section{std::string(section), {}});
    s = static_cast<int>(m_sections.size()) - 1;
  }
  auto& entries = m_sections[static_cast<size_t>(s)].entries;
  int e = FindEntry(s, key);
  if (e < 0) {
    if (!create) return false;
    entries.push_back(Entry{std::string(key), {}});
    e = static_cast<int>(entries.size()) - 1;
  }
  entries[static_cast<size_t>(e)].value.assign(value);
  return true;
}

std::string CIniStore::Serialise() const {
  std::string out;
  for (const Section& section : m_sections) {
    if (section.entries.empty()) continue;
    out += '[';
    out += section.name;
    out += ']';
    out += kLineEnd;
    for (const Entry& entry : section.entries) {
      out += entry.key;
      out += '=';
      out += entry.value;
      out += kLineEnd;
    }
    out += kLineEnd;
  }
  return out;
}

std::string CIniStore::SaveTarget() const {
  // Replace what a link points at, not the link itself.
  std::string target = m_path;
  struct stat linkStat {};
  if (::lstat(m_path.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
    if (char* resolved = ::realpath(m_path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  return target;
}

int CIniStore::CreateTemporary(const std::string& folder, std::string& temporary) {
  static std::atomic<unsigned> s_counter{0};
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder + "/.inisave." + std::to_string(::getpid()) + "." + std::to_string(s_counter++);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) m_lastError = SaveError("create", errno);
  return fd;
}

bool CIniStore::CanSave() {
  const std::string target = SaveTarget();
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    m_lastError = SaveError("rename", EISDIR);
    return false;
  }
  std::string temporary;
  const int fd = CreateTemporary(FolderOf(target), temporary);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(temporary.c_str());
  return true;
}

bool CIniStore::Save() {
  const std::string target = SaveTarget();
  const std::string folder = FolderOf(target);
  std::string temporary;
  int fd = CreateTemporary(folder, temporary);
  if (fd < 0) return false;

  auto fail = [&](const char* step) {
    int error = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    m_lastError = SaveError(step, error);
    return false;
  };

  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    // Keep the permissions the user gave the file; failing that is no reason to lose the save.
    (void)::fchmod(fd, old.st_mode & 07777);
  }
  if (!WriteAll(fd, Serialise())) return fail("write");
  if (::fsync(fd) != 0) return fail("sync");
  int closing = fd;
  fd = -1;
  if (::close(closing) != 0) return fail("close");
  if (::rename(temporary.c_str(), target.c_str()) != 0) return fail("rename");

  // Make the rename itself durable; the file is already complete either way.
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    (void)::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

int CIniStore::FindSection(std::string_view section) const {
  for (size_t i = 0; i < m_sections.size(); ++i) {
    if (m_sections[i].name == section) return static_cast<int>(i);
  }
  return -1;
}

int CIniStore::FindEntry(int sectionIndex, std::string_view key) const {
  if (sectionIndex < 0 || static_cast<size_t>(sectionIndex) >= m_sections.size()) return -1;
  const auto& entries = m_sections[static_cast<size_t>(sectionIndex)].entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].key == key) return static_cast<int>(i);
  }
  return -1;
}

std::string CIniStore::GetString(std::string_view section, std::string_view key) {
  int s = FindSection(section);
  if (s < 0) {
    m_lastError = kErrorNoSection;
    return {};
  }
  int e = FindEntry(s, key);
  if (e < 0) {
    m_lastError = kErrorNoKey;
    return {};
  }
  return m_sections[static_cast<size_t>(s)].entries[static_cast<size_t>(e)].value;
}

int CIniStore::GetInt(std::string_view section, std::string_view key) {
  const std::string text = GetString(section, key);
  long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double CIniStore::GetDouble(std::string_view section, std::string_view key) {
  const std::string text = GetString(section, key);
  return ::strtod_l(text.c_str(), nullptr, ClassicLocale());
}

bool CIniStore::SetString(std::string_view section, std::string_view key, std::string_view value, bool create) {
  // A line break would split the entry into other lines on the next load.
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) {
    m_lastError = kErrorLineBreak;
    return false;
  }
  if (key.find('=') != std::string_view::npos) {
    m_lastError = kErrorKeyEquals;
    return false;
  }
  return Store(section, key, value, create);
}

bool CIniStore::SetInt(std::string_view section, std::string_view key, int value, bool create) {
  return SetString(section, key, std::to_string(value), create);
}

bool CIniStore::SetDouble(std::string_view section, std::string_view key, double value, bool create) {
  return SetString(section, key, FormatDouble(value), create);
}

std::string CIniStore::FormatDouble(double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
  std::string text(buffer, result.ptr);
  size_t e = text.find('e');
  if (e == std::string::npos || e + 2 > text.size()) return text;  // inf, nan
  const size_t digits = text.size() - (e + 2);
  if (digits < 3) text.insert(e + 2, 3 - digits, '0');
  return text;
}

}  // namespace zembra
