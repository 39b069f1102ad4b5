#include "platform/WindowRuntime.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <QTimerEvent>
#include <map>
#include <mutex>
#include <unordered_map>

// Qt's event queue is locked inside Qt, where ThreadSanitizer cannot see
// it; these tell it that posting an event happens before handling it.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define ZEMBRA_HANDOFF_RELEASE(p) __tsan_release(p)
#define ZEMBRA_HANDOFF_ACQUIRE(p) __tsan_acquire(p)
#else
#define ZEMBRA_HANDOFF_RELEASE(p) static_cast<void>(p)
#define ZEMBRA_HANDOFF_ACQUIRE(p) static_cast<void>(p)
#endif

namespace zembra {
namespace {

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kTimerControlEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct MessageEvent : QEvent {
  MessageEvent(HWND h, WindowMessage m) : QEvent(kMessageEvent), hwnd(h), message(std::move(m)) {}
  HWND hwnd;
  WindowMessage message;
};

struct TimerKey {
  HWND hwnd;
  std::uint32_t id;
  bool operator<(const TimerKey& o) const { return hwnd != o.hwnd ? hwnd < o.hwnd : id < o.id; }
};

struct TimerControlEvent : QEvent {
  TimerControlEvent(TimerKey k, std::uint64_t g) : QEvent(kTimerControlEvent), key(k), generation(g) {}
  TimerKey key;
  std::uint64_t generation;
};

struct TimerEntry {
  std::uint64_t generation = 0;  // bumped by every set and kill
  bool active = false;
  std::uint32_t periodMs = 0;
  int qtTimerId = 0;             // 0 while no Qt timer runs for it
  std::uint64_t qtGeneration = 0;
};

// Lives on the GUI thread; owns every Qt timer and receives every posted
// message, so delivery order is the order of posting.
class Dispatcher : public QObject {
 public:
  bool event(QEvent* e) override;

 protected:
  void timerEvent(QTimerEvent* e) override;
};

class Registry {
 public:
  static Registry& Get() {
    static Registry* registry = new Registry;  // outlives every window
    return *registry;
  }

  HWND Register(MessageWindow* w) {
    std::lock_guard lock(m_mutex);
    HWND h = ++m_lastHandle;
    if (h == 0) h = ++m_lastHandle;
    m_windows[h] = w;
    return h;
  }

  void Unregister(HWND h) {
    std::vector<int> qtTimers;
    {
      std::lock_guard lock(m_mutex);
      m_windows.erase(h);
      for (auto it = m_timers.lower_bound({h, 0}); it != m_timers.end() && it->first.hwnd == h;) {
        if (it->second.qtTimerId) {
          qtTimers.push_back(it->second.qtTimerId);
          m_byQtId.erase(it->second.qtTimerId);
        }
        it = m_timers.erase(it);
      }
    }
    if (IsGuiThread()) {
      for (int id : qtTimers) DispatcherObject()->killTimer(id);
    }
  }

  MessageWindow* Find(HWND h) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(h);
    return it == m_windows.end() ? nullptr : it->second;
  }

  Dispatcher* DispatcherObject() {
    std::call_once(m_dispatcherOnce, [this] {
      m_dispatcher = new Dispatcher;
      if (auto* app = QCoreApplication::instance()) m_dispatcher->moveToThread(app->thread());
    });
    return m_dispatcher;
  }

  void SetTimer(HWND h, std::uint32_t id, std::uint32_t ms) {
    std::uint64_t generation;
    {
      std::lock_guard lock(m_mutex);
      ++m_calls[id].sets;
      if (!m_windows.count(h)) return;
      TimerEntry& e = m_timers[{h, id}];
      e.generation = ++m_lastGeneration;
      e.active = true;
      e.periodMs = ms;
      generation = e.generation;
    }
    ApplyOrPost({h, id}, generation);
  }

  void KillTimer(HWND h, std::uint32_t id) {
    std::uint64_t generation;
    {
      std::lock_guard lock(m_mutex);
      ++m_calls[id].kills;
      auto it = m_timers.find({h, id});
      if (it == m_timers.end() || !it->second.active) return;
      it->second.active = false;
      it->second.generation = ++m_lastGeneration;
      generation = it->second.generation;
    }
    ApplyOrPost({h, id}, generation);
  }

  TimerCallCounts Calls(std::uint32_t id) {
    std::lock_guard lock(m_mutex);
    auto it = m_calls.find(id);
    return it == m_calls.end() ? TimerCallCounts{} : it->second;
  }

  bool IsTimerRunning(HWND h, std::uint32_t id) {
    std::lock_guard lock(m_mutex);
    auto it = m_timers.find({h, id});
    return it != m_timers.end() && it->second.active;
  }

  // GUI thread: bring the Qt timer in line with the entry, unless a later
  // set or kill has superseded this request.
  void ApplyTimer(TimerKey key, std::uint64_t generation) {
    Dispatcher* d = DispatcherObject();
    int toKill = 0;
    std::uint32_t period = 0;
    bool start = false;
    {
      std::lock_guard lock(m_mutex);
      auto it = m_timers.find(key);
      if (it == m_timers.end() || it->second.generation != generation) return;
      TimerEntry& e = it->second;
      if (e.qtTimerId) {
        toKill = e.qtTimerId;
        m_byQtId.erase(e.qtTimerId);
        e.qtTimerId = 0;
      }
      start = e.active;
      period = e.periodMs;
      if (!start) m_timers.erase(it);
    }
    if (toKill) d->killTimer(toKill);
    if (!start) return;
    int qtId = d->startTimer(static_cast<int>(period), Qt::PreciseTimer);
    std::lock_guard lock(m_mutex);
    auto it = m_timers.find(key);
    if (it == m_timers.end() || it->second.generation != generation) {
      // Superseded while starting: the newer request will start its own.
      QMetaObject::invokeMethod(d, [d, qtId] { d->killTimer(qtId); }, Qt::QueuedConnection);
      return;
    }
    it->second.qtTimerId = qtId;
    it->second.qtGeneration = generation;
    m_byQtId[qtId] = {key, generation};
  }

  // GUI thread: a Qt timer fired. Deliver only if the entry it was started
  // for is still the current, active one.
  void OnQtTimer(int qtId) {
    TimerKey key{};
    {
      std::lock_guard lock(m_mutex);
      auto q = m_byQtId.find(qtId);
      if (q == m_byQtId.end()) {
        DispatcherObject()->killTimer(qtId);
        return;
      }
      key = q->second.first;
      auto it = m_timers.find(key);
      if (it == m_timers.end() || !it->second.active || it->second.generation != q->second.second) return;
    }
    if (MessageWindow* w = Find(key.hwnd)) w->OnTimer(key.id);
  }

 private:
  void ApplyOrPost(TimerKey key, std::uint64_t generation) {
    if (IsGuiThread()) {
      ApplyTimer(key, generation);
    } else {
      auto* event = new TimerControlEvent(key, generation);
      ZEMBRA_HANDOFF_RELEASE(event);
      QCoreApplication::postEvent(DispatcherObject(), event, Qt::HighEventPriority);
    }
  }

  std::mutex m_mutex;
  HWND m_lastHandle = 0;
  std::uint64_t m_lastGeneration = 0;
  std::unordered_map<HWND, MessageWindow*> m_windows;
  std::map<TimerKey, TimerEntry> m_timers;
  std::unordered_map<int, std::pair<TimerKey, std::uint64_t>> m_byQtId;
  std::unordered_map<std::uint32_t, TimerCallCounts> m_calls;
  std::once_flag m_dispatcherOnce;
  Dispatcher* m_dispatcher = nullptr;
};

bool Dispatcher::event(QEvent* e) {
  ZEMBRA_HANDOFF_ACQUIRE(e);
  if (e->type() == kMessageEvent) {
    auto* me = static_cast<MessageEvent*>(e);
    if (MessageWindow* w = Registry::Get().Find(me->hwnd)) w->OnMessage(me->message);
    return true;
  }
  if (e->type() == kTimerControlEvent) {
    auto* te = static_cast<TimerControlEvent*>(e);
    Registry::Get().ApplyTimer(te->key, te->generation);
    return true;
  }
  return QObject::event(e);
}

void Dispatcher::timerEvent(QTimerEvent* e) { Registry::Get().OnQtTimer(e->timerId()); }

const std::string& EmptyString() {
  static const std::string empty;
  return empty;
}

}  // namespace

Payload MakePayload(std::string bytes) { return std::make_shared<const std::string>(std::move(bytes)); }

const std::string& WindowMessage::Text() const { return payload ? *payload : EmptyString(); }

MessageWindow::MessageWindow() : m_hwnd(Registry::Get().Register(this)) {}

MessageWindow::~MessageWindow() { Registry::Get().Unregister(m_hwnd); }

std::intptr_t MessageWindow::OnMessage(const WindowMessage&) { return 0; }

void MessageWindow::OnTimer(std::uint32_t) {}

bool IsGuiThread() {
  auto* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

bool PostMessage(HWND hwnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam, Payload payload) {
  Registry& r = Registry::Get();
  if (!hwnd || !r.Find(hwnd) || !QCoreApplication::instance()) return false;
  auto* event = new MessageEvent(hwnd, WindowMessage{msg, wParam, lParam, std::move(payload)});
  ZEMBRA_HANDOFF_RELEASE(event);
  QCoreApplication::postEvent(r.DispatcherObject(), event);
  return true;
}

std::intptr_t SendMessage(HWND hwnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                          Payload payload) {
  if (!IsGuiThread()) {
    PostMessage(hwnd, msg, wParam, lParam, std::move(payload));
    return 0;
  }
  MessageWindow* w = Registry::Get().Find(hwnd);
  if (!w) return 0;
  return w->OnMessage(WindowMessage{msg, wParam, lParam, std::move(payload)});
}

bool IsWindow(HWND hwnd) { return hwnd && Registry::Get().Find(hwnd) != nullptr; }

void SetTimer(HWND hwnd, std::uint32_t timerId, std::uint32_t periodMs) {
  Registry::Get().SetTimer(hwnd, timerId, periodMs);
}

void KillTimer(HWND hwnd, std::uint32_t timerId) { Registry::Get().KillTimer(hwnd, timerId); }

bool IsTimerRunning(HWND hwnd, std::uint32_t timerId) { return Registry::Get().IsTimerRunning(hwnd, timerId); }

TimerCallCounts TimerCalls(std::uint32_t timerId) { return Registry::Get().Calls(timerId); }

}  // namespace zembra
