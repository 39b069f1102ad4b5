#pragma once
// Numbers of the private window messages and fixed timer ids that cross
// subsystems. Keeping them in one place keeps two windows from ever
// reusing the same number for different meanings.
#include <cstdint>

namespace zembra {

constexpr std::uint32_t WM_USER = 0x0400;

enum WindowMessageId : std::uint32_t {
  WM_CLOSE_REQUEST = 0x0010,          // orderly close of a window
  WM_PAGE_LEAVING = WM_USER + 15,     // page host -> page being left by a click
  WM_DRIVE_TEXT = WM_USER + 101,      // link -> console view
  WM_DRIVE_REPLY = WM_USER + 119,     // receive thread -> waiting window
  WM_MON_SAMPLE = WM_USER + 130,      // monitoring page -> itself
  WM_STATUS_PANEL = WM_USER + 131,    // main frame -> status panel
  WM_PAGE_NOTIFY = WM_USER + 133,     // main frame -> parameter page
  WM_PAGE_ACTIVATED = WM_USER + 136,  // page host -> page just shown by a click
  WM_MON_TIMEOUT = WM_USER + 137,     // monitoring page -> itself
  WM_PORT_LOST = WM_USER + 140,       // receive thread -> link owner: the port vanished
  WM_REQUEST_DONE = WM_USER + 141,    // link requester -> itself: run a completion
  WM_SINK_FLUSH = WM_USER + 500,      // console text sink -> itself
  WM_CHART_SELECT = WM_USER + 521,    // chart -> monitoring page
};

enum TimerId : std::uint32_t {
  TIMER_CURSOR_READOUT = 1354,
  TIMER_DRVTYP = 1360,
  TIMER_VERSION = 1361,
  TIMER_STATUS_CHAIN = 1362,
  TIMER_REPLY = 1364,  // the link alone starts and kills it (link/ReplyTimer)
  TIMER_REQUEST_RETRY = 1366,
  TIMER_MONITOR_POLL = 1368,
  TIMER_STATUS_POLL = 1371,
  TIMER_PANEL_REFRESH = 1372,
  TIMER_STEP_TEST = 1374,  // the step test's schedule and its watch for silence
  TIMER_HELP_CLOSE_1 = 3270,
  TIMER_HELP_CLOSE_2 = 3271,
  TIMER_SINK_FLUSH = 4711,
};

// WM_DRIVE_TEXT lParam: low word 1 = the payload is an echoed/sent text,
// 0 = the payload is a received frame; high word = frame type.
enum DriveTextKind : std::uint16_t { kDriveTextFrame = 0, kDriveTextString = 1 };

constexpr std::intptr_t MakeLParam(std::uint16_t low, std::uint16_t high) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(high) << 16) | low);
}
constexpr std::uint16_t LowWord(std::intptr_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
constexpr std::uint16_t HighWord(std::intptr_t v) {
  return static_cast<std::uint16_t>((static_cast<std::uint32_t>(v) >> 16) & 0xFFFF);
}

}  // namespace zembra
