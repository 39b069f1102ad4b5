#pragma once
// A small INI-style file kept in memory: ordered sections of ordered
// key/value pairs, all text. Names and values are raw bytes (GBK in the
// program's files) and are never trimmed, escaped or case-folded, so files
// written by earlier versions of the program round-trip byte for byte.
//
// One store serves one operation: construct with a path, load, get/set,
// optionally Save, destroy. Not thread-safe; never shared.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zembra {

class CIniStore {
 public:
  // Larger files are refused: no settings or scheme file comes near it,
  // and reading one would only stall the program.
  static constexpr std::size_t kMaxFileSize = 16u * 1024 * 1024;

  // `path` is the file's full path in the file system's own bytes.
  explicit CIniStore(std::string path);

  // Reads the file, creating it empty first when it does not exist. False
  // when it cannot be created or read. Loading merges into what the store
  // already holds.
  bool LoadOrCreate();
  // Reads the file; false when it does not exist, cannot be read, is not
  // a regular file (a pipe, a device) or is larger than kMaxFileSize.
  bool LoadExisting();

  // Writes the whole store, replacing the file. The new content goes to a
  // temporary file in the same folder that is flushed to disk and then
  // renamed over the target, so the old file survives any failure. False
  // (and LastError says why) when the file was not written.
  bool Save();
  // Whether Save() could put a file at the path: its folder takes a new
  // file and nothing but a regular file is there. Changes nothing.
  bool CanSave();

  // Index of the first section / key with exactly this name, or -1.
  int FindSection(std::string_view section) const;
  int FindEntry(int sectionIndex, std::string_view key) const;

  // The value, or the empty string (and LastError set) when not found.
  std::string GetString(std::string_view section, std::string_view key);
  // Leading decimal part of the value; 0 when there is none. Out-of-range
  // numbers saturate at the int limits.
  int GetInt(std::string_view section, std::string_view key);
  // Leading floating-point part of the value (any exponent width), read
  // with '.' as the decimal point whatever the process locale; 0 when
  // there is none.
  double GetDouble(std::string_view section, std::string_view key);

  // Stores the value. With `create`, a missing section is appended at the
  // end and a missing key at the end of its section; without it, a missing
  // section or key gives false.
  bool SetString(std::string_view section, std::string_view key, std::string_view value, bool create);
  // Writes "%d".
  bool SetInt(std::string_view section, std::string_view key, int value, bool create);
  // Writes "%e" with an exponent of at least three digits (1500 ->
  // "1.500000e+003"), the form files of the program have always held.
  bool SetDouble(std::string_view section, std::string_view key, double value, bool create);

  const std::string& LastError() const { return m_lastError; }
  const std::string& Path() const { return m_path; }

  // The text SetDouble stores for `value`.
  static std::string FormatDouble(double value);

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  bool Load(bool createIfMissing);
  std::string SaveTarget() const;
  // A new file beside the target, opened for writing; -1 (and LastError)
  // when the folder takes none.
  int CreateTemporary(const std::string& folder, std::string& temporary);
  void ParseLine(std::string_view line, std::string& currentSection);
  bool Store(std::string_view section, std::string_view key, std::string_view value, bool create);
  std::string Serialise() const;

  std::string m_path;
  std::vector<Section> m_sections;
  std::string m_lastError;
};

}  // namespace zembra
