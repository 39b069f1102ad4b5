#include "tests/bridgelib/RecordingBackend.h"

#include <cstring>

namespace test {

namespace {

px720::FindResult FindTrampoline(unsigned index, char* path, std::size_t size) {
  return RecordingBackend::Instance().Find(index, path, size);
}
px720::DeviceHandle OpenTrampoline(const char* path, bool) { return RecordingBackend::Instance().Open(path); }
bool ControlTrampoline(px720::DeviceHandle handle, std::uint32_t code, void* buffer, std::uint32_t inSize,
                       std::uint32_t outSize, std::uint32_t* returned) {
  return RecordingBackend::Instance().Control(handle, code, buffer, inSize, outSize, returned);
}
bool CloseTrampoline(px720::DeviceHandle handle) { return RecordingBackend::Instance().Close(handle); }

const px720::DeviceControl kTable{"recording", FindTrampoline, OpenTrampoline, ControlTrampoline,
                                  CloseTrampoline};

std::uint32_t Get32(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, 4);
  return value;
}

}  // namespace

RecordingBackend& RecordingBackend::Instance() {
  static RecordingBackend backend;
  return backend;
}

RecordingBackend::RecordingBackend() { Reset(); }

const px720::DeviceControl& RecordingBackend::Table() const { return kTable; }

void RecordingBackend::Reset() {
  std::lock_guard lock(m_lock);
  devices = {"/dev/px720-0"};
  ioBase = 0xE000;
  memBase = 0xF0000000;
  intLine = 11;
  driverVersion = 7;
  failingFunctions.clear();
  readBytes.clear();
  script = nullptr;
  m_requests.clear();
  m_closed.clear();
  m_opens = 0;
}

std::vector<RecordedRequest> RecordingBackend::Requests() const {
  std::lock_guard lock(m_lock);
  return m_requests;
}

std::vector<RecordedRequest> RecordingBackend::RequestsOf(std::uint32_t function) const {
  std::vector<RecordedRequest> matching;
  for (const auto& request : Requests()) {
    if (request.function == function) matching.push_back(request);
  }
  return matching;
}

void RecordingBackend::ClearRequests() {
  std::lock_guard lock(m_lock);
  m_requests.clear();
}

int RecordingBackend::Opens() const {
  std::lock_guard lock(m_lock);
  return m_opens;
}

std::vector<px720::DeviceHandle> RecordingBackend::ClosedHandles() const {
  std::lock_guard lock(m_lock);
  return m_closed;
}

std::vector<px720::DeviceHandle> RecordingBackend::OpenHandles() const {
  std::lock_guard lock(m_lock);
  return {m_open.begin(), m_open.end()};
}

px720::FindResult RecordingBackend::Find(unsigned index, char* path, std::size_t size) {
  std::lock_guard lock(m_lock);
  if (index >= devices.size()) return px720::FindResult::NoDevice;
  if (devices[index].size() + 1 > size) return px720::FindResult::PathTooLong;
  std::memcpy(path, devices[index].c_str(), devices[index].size() + 1);
  return px720::FindResult::Found;
}

px720::DeviceHandle RecordingBackend::Open(const char*) {
  std::lock_guard lock(m_lock);
  ++m_opens;
  m_open.insert(++m_nextHandle);
  return m_nextHandle;
}

bool RecordingBackend::Close(px720::DeviceHandle handle) {
  std::lock_guard lock(m_lock);
  m_closed.push_back(handle);
  return m_open.erase(handle) == 1;
}

bool RecordingBackend::Control(px720::DeviceHandle handle, std::uint32_t code, void* buffer,
                               std::uint32_t inSize, std::uint32_t outSize, std::uint32_t* returned) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  RecordedRequest request;
  request.handle = handle;
  request.code = code;
  request.inSize = inSize;
  request.outSize = outSize;
  request.function = Get32(bytes);
  request.address = Get32(bytes + 4);
  request.length = Get32(bytes + 8);
  request.data.assign(bytes + 12, bytes + inSize);
  // A record on the caller's stack lies just above this frame; heap
  // records are far away.
  const auto here = reinterpret_cast<std::uintptr_t>(&request);
  const auto at = reinterpret_cast<std::uintptr_t>(buffer);
  request.recordOnCallersStack = at > here && at - here < (1u << 20);

  std::unique_lock lock(m_lock);
  m_requests.push_back(request);
  if (!m_open.count(handle)) return false;
  if (script) {
    auto hook = script;
    lock.unlock();
    bool ok = false;
    std::uint32_t answered = 0;
    if (hook(request, bytes, ok, answered)) {
      if (ok) *returned = answered;
      return ok;
    }
    lock.lock();
  }
  if (failingFunctions.count(request.function)) return false;

  std::uint8_t* data = bytes + 12;
  auto setAddress = [&](std::uint32_t value) { std::memcpy(bytes + 4, &value, 4); };
  switch (request.function) {
    case 1: data[0] = driverVersion; break;
    case 4: setAddress(ioBase); break;
    case 5: ioBase = request.address; break;
    case 6: setAddress(memBase); break;
    case 7: memBase = request.address == 0xFFFFFFFFu ? 0xF8000000u : request.address; break;
    case 8: setAddress(intLine); break;
    case 9: intLine = request.address == 0xFFFFFFFFu ? 5u : request.address; break;
    case 16: case 17: case 18: case 24: case 25: case 26: case 32:
      for (std::uint32_t i = 0; i < request.length && 12 + i < outSize; ++i) {
        auto it = readBytes.find(request.address + i);
        data[i] = it == readBytes.end() ? 0 : it->second;
      }
      break;
    default: break;
  }
  *returned = outSize;
  return true;
}

}  // namespace test
