#include "monitor/SampleStore.h"

#include <algorithm>
#include <cmath>

namespace zembra {

void SampleStore::Clear() {
  for (List& list : m_lists) list.clear();
}

bool SampleStore::Empty() const {
  return std::all_of(m_lists.begin(), m_lists.end(), [](const List& l) { return l.empty(); });
}

std::uint64_t SampleStore::SpikeLimit(SpikeFactors factors, std::uint32_t elapsedMs) {
  // In 64 bits: a fast motor with a fine encoder would wrap a 32-bit
  // product and hide plausible samples behind a tiny limit.
  const auto speed = static_cast<std::uint64_t>(std::max<std::int32_t>(0, factors.maxSpeed));
  const auto resolution = static_cast<std::uint64_t>(std::max<std::int32_t>(0, factors.encoderResolution));
  return speed * resolution * elapsedMs / 1000 * 1000;
}

AxisRange SampleStore::PageContaining(std::uint32_t time, double span) {
  AxisRange page;
  if (span <= 0.0) return {static_cast<double>(time), static_cast<double>(time), 0.0};
  const double n = std::trunc(time / span);
  page.min = n * span;
  page.max = (n + 1.0) * span;
  page.span = span;
  return page;
}

SampleResult SampleStore::Add(MonitorSeries series, double value, std::uint32_t now, const AxisRange& view) {
  List& list = m_lists[Index(series)];
  SampleResult result;
  if (list.empty()) {
    result.sample = {value, 0, now};
    list.push_back(result.sample);
    result.outcome = SampleOutcome::First;
    return result;
  }
  const MonitorSample last = list.back();
  const std::uint32_t elapsed = now - last.tick;  // wraps with the counter
  result.sample = {value, last.time + elapsed, now};
  if (elapsed > kTimeoutMs) {
    result.outcome = SampleOutcome::TimedOut;
    return result;
  }
  if (elapsed == 0) {
    result.outcome = SampleOutcome::SameTick;
    return result;
  }
  list.push_back(result.sample);
  // The oldest sample makes room for the newest; times keep counting from
  // the session's first sample.
  if (list.size() > kCapacity) list.pop_front();

  const std::uint64_t limit = SpikeLimit(m_factors, elapsed);
  const double change = std::fabs(value - last.value);
  if (limit == 0 || change > static_cast<double>(limit)) {
    result.outcome = SampleOutcome::HeldBack;
  } else if (result.sample.time > view.max) {
    result.outcome = SampleOutcome::NextPage;
    result.page = PageContaining(result.sample.time, view.span);
  } else {
    result.outcome = SampleOutcome::Draw;
  }
  return result;
}

void SampleStore::Replay(MonitorSeries series, double min, double max,
                         const std::function<void(ReplayStep, const MonitorSample&)>& visit) const {
  bool started = false;
  for (const MonitorSample& s : m_lists[Index(series)]) {
    if (!started) {
      if (s.time < min) continue;
      if (s.time > max) return;
      visit(ReplayStep::Move, s);
      started = true;
    } else {
      // Times only grow, so nothing after this one is shown either.
      if (s.time > max) return;
      visit(ReplayStep::Line, s);
    }
  }
}

}  // namespace zembra
