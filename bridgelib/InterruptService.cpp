// Interrupt service: one thread per device keeps a wait posted in the driver
// and calls the caller's routine once per interrupt. Also the synchronous
// wait, its abort and the interrupt commands the driver keeps.
#include "bridgelib/InterruptService.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>

using namespace px720;

namespace {

std::atomic<std::uint32_t> g_lastThreadId{0};
thread_local std::uint32_t t_interruptThreadId = 0;

std::uint32_t NewThreadId() {
  std::uint32_t id;
  do {
    id = ++g_lastThreadId;
  } while (id == 0);
  return id;
}

// The nearest Linux has to a time-critical thread without real-time
// scheduling (which could starve the rest of the machine): the highest
// nice priority. Without the right to raise it the thread runs as it is.
void RaisePriority() {
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, tid, -20);
}

bool SendWaitOrAbort(DeviceHandle handle, std::uint32_t function) {
  DriverRequest record = MakeRecord(function, 0, 0);
  return SendFixed(handle, record);
}

void InterruptThreadMain(DeviceSlot* slot, std::uint32_t id, std::string path) {
  t_interruptThreadId = id;
  RaisePriority();
  const DeviceControl& backend = Backend();
  // A closed slot has nobody who could abort our wait later on.
  DeviceHandle own = kInvalidHandle;
  if (slot->handle.load() != kInvalidHandle) own = backend.open(path.c_str(), true);
  if (own != kInvalidHandle) {
    while (slot->routine.load() != nullptr) {
      const bool interrupted = SendWaitOrAbort(own, PX720_FN_WAIT_INTERRUPT);
      const PX720_INT_ROUTINE routine = slot->routine.load();
      if (!routine) break;
      if (interrupted) {
        routine();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    backend.close(own);
  }
  std::uint32_t expected = id;
  slot->threadId.compare_exchange_strong(expected, 0);
}

// The slot's main handle, or a temporary one on its path when the main
// handle is gone (a failed re-open), so a waiting thread can still be reached.
class AbortChannel {
 public:
  explicit AbortChannel(const DeviceSlot& slot) : m_slot(slot) {}
  ~AbortChannel() {
    if (m_temporary != kInvalidHandle) Backend().close(m_temporary);
  }
  void Abort() {
    DeviceHandle handle = m_slot.handle.load();
    if (handle == kInvalidHandle) {
      if (m_temporary == kInvalidHandle) m_temporary = Backend().open(m_slot.Path().c_str(), false);
      handle = m_temporary;
    }
    SendWaitOrAbort(handle, PX720_FN_ABORT_WAIT);
  }

 private:
  const DeviceSlot& m_slot;
  DeviceHandle m_temporary = kInvalidHandle;
};

}  // namespace

namespace px720 {

bool CalledFromOwnInterruptThread(const DeviceSlot& slot) {
  const std::uint32_t running = slot.threadId.load();
  return running != 0 && running == t_interruptThreadId;
}

bool StopInterruptThread(DeviceSlot& slot) {
  if (CalledFromOwnInterruptThread(slot)) return false;
  slot.routine.store(nullptr);
  if (slot.threadId.load() == 0) return true;
  // An abort that lands before the thread has posted its next wait is lost,
  // so keep aborting until the thread has seen the cleared routine and gone.
  AbortChannel channel(slot);
  while (slot.threadId.load() != 0) {
    channel.Abort();
    std::this_thread::yield();
  }
  return true;
}

}  // namespace px720

extern "C" {

int32_t PX720mSetIntRoutine(uint32_t index, PX720_INT_ROUTINE routine) {
  DeviceSlot* slot = SlotOf(index);
  // Checked before taking the lock: a caller holding it may be waiting for
  // this very thread to end.
  if (!slot || CalledFromOwnInterruptThread(*slot)) return 0;
  std::lock_guard serviceLock(slot->serviceLock);
  if (!StopInterruptThread(*slot)) return 0;
  if (!routine) return 1;
  slot->routine.store(routine);
  const std::uint32_t id = NewThreadId();
  // The id is in place before the thread can run, so a thread that ends at
  // once clears it and nobody waits for a thread that never was.
  slot->threadId.store(id);
  try {
    std::thread(InterruptThreadMain, slot, id, slot->Path()).detach();
  } catch (const std::exception&) {
    slot->routine.store(nullptr);
    slot->threadId.store(0);
    return 0;
  }
  return 1;
}
int32_t PX720SetIntRoutine(PX720_INT_ROUTINE routine) { return PX720mSetIntRoutine(0, routine); }

int32_t PX720mWaitInterrupt(uint32_t index) {
  DeviceSlot* slot = SlotOf(index);
  return slot && SendWaitOrAbort(slot->handle.load(), PX720_FN_WAIT_INTERRUPT) ? 1 : 0;
}
int32_t PX720WaitInterrupt(void) { return PX720mWaitInterrupt(0); }

int32_t PX720mAbortWaitInt(uint32_t index) {
  DeviceSlot* slot = SlotOf(index);
  return slot && SendWaitOrAbort(slot->handle.load(), PX720_FN_ABORT_WAIT) ? 1 : 0;
}
int32_t PX720AbortWaitInt(void) { return PX720mAbortWaitInt(0); }

int32_t PX720mWriteIntCommand(uint32_t index, const DriverRequest* record, uint32_t number) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot || !record) return 0;
  const auto size = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{record->length} + kHeaderSize, PX720_INT_COMMAND_MAX));
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size + kHeaderSize]);
  if (!buffer) return 0;
  const std::uint32_t header[3] = {
      number == 1 ? std::uint32_t{PX720_FN_WRITE_INT_COMMAND_1} : std::uint32_t{PX720_FN_WRITE_INT_COMMAND_2}, 0,
      size};
  std::memcpy(buffer.get(), header, sizeof header);
  std::memcpy(buffer.get() + kHeaderSize, record, size);
  return SendRequest(slot->handle.load(), buffer.get(), size + kHeaderSize, size + kHeaderSize) ? 1 : 0;
}
int32_t PX720WriteIntCommand(const DriverRequest* record, uint32_t number) {
  return PX720mWriteIntCommand(0, record, number);
}

int32_t PX720mReadIntCommand(uint32_t index, void* buffer, uint32_t number) {
  DeviceSlot* slot = SlotOf(index);
  if (!slot || !buffer) return 0;
  constexpr std::uint32_t kSize = PX720_INT_COMMAND_MAX + kHeaderSize;
  std::unique_ptr<std::uint8_t[]> record(new (std::nothrow) std::uint8_t[kSize]());
  if (!record) return 0;
  const std::uint32_t header[3] = {
      number == 1 ? std::uint32_t{PX720_FN_READ_INT_COMMAND_1} : std::uint32_t{PX720_FN_READ_INT_COMMAND_2}, 0,
      PX720_INT_COMMAND_MAX};
  std::memcpy(record.get(), header, sizeof header);
  std::uint32_t returned = 0;
  if (!SendRequest(slot->handle.load(), record.get(), kSize, kSize, &returned)) return 0;
  std::memcpy(buffer, record.get() + kHeaderSize, std::min<std::uint32_t>(returned, PX720_INT_COMMAND_MAX));
  return 1;
}
int32_t PX720ReadIntCommand(void* buffer, uint32_t number) { return PX720mReadIntCommand(0, buffer, number); }

}  // extern "C"
