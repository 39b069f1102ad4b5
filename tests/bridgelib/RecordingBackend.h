// A device-control backend for tests: it records every request the bridge
// library sends and answers like a small, scriptable bridge driver.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "bridgelib/DeviceControl.h"

namespace test {

struct RecordedRequest {
  px720::DeviceHandle handle = px720::kInvalidHandle;
  std::uint32_t code = 0;
  std::uint32_t inSize = 0;
  std::uint32_t outSize = 0;
  std::uint32_t function = 0;
  std::uint32_t address = 0;
  std::uint32_t length = 0;
  std::vector<std::uint8_t> data;  // the input's data bytes (up to inSize - 12)
  bool recordOnCallersStack = false;
};

class RecordingBackend {
 public:
  static RecordingBackend& Instance();
  const px720::DeviceControl& Table() const;

  // Back to one device "/dev/px720-0" with I/O base 0xE000, memory base
  // 0xF0000000, interrupt line 11, no scripts, nothing recorded.
  void Reset();

  // --- the scripted driver ---
  std::vector<std::string> devices;
  std::uint32_t ioBase = 0xE000;
  std::uint32_t memBase = 0xF0000000;
  std::uint32_t intLine = 11;
  std::uint8_t driverVersion = 7;
  std::set<std::uint32_t> failingFunctions;  // these function codes fail
  // Byte returned by reads at an absolute port or memory address (default 0).
  std::map<std::uint32_t, std::uint8_t> readBytes;
  // Called for every request before the default answer; return true when
  // it answered (set ok and returned), false to fall through.
  std::function<bool(const RecordedRequest&, std::uint8_t* buffer, bool& ok, std::uint32_t& returned)> script;

  // --- what happened ---
  std::vector<RecordedRequest> Requests() const;
  std::vector<RecordedRequest> RequestsOf(std::uint32_t function) const;
  void ClearRequests();
  int Opens() const;
  std::vector<px720::DeviceHandle> ClosedHandles() const;
  std::vector<px720::DeviceHandle> OpenHandles() const;

  // Called by the trampolines.
  px720::FindResult Find(unsigned index, char* path, std::size_t size);
  px720::DeviceHandle Open(const char* path);
  bool Control(px720::DeviceHandle handle, std::uint32_t code, void* buffer, std::uint32_t inSize,
               std::uint32_t outSize, std::uint32_t* returned);
  bool Close(px720::DeviceHandle handle);

 private:
  RecordingBackend();
  mutable std::mutex m_lock;
  std::vector<RecordedRequest> m_requests;
  std::set<px720::DeviceHandle> m_open;
  std::vector<px720::DeviceHandle> m_closed;
  px720::DeviceHandle m_nextHandle = 100;
  int m_opens = 0;
};

}  // namespace test
