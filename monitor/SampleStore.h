#pragma once
// The samples of one monitoring session, one list per chart series, and
// the decisions taken for each new sample: its time stamp, whether it came
// too late, whether it is plausible enough to draw, whether it needs the
// next page of time, and which stored samples a view shows again.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

#include "monitor/ChartScale.h"
#include "monitor/MonitorSample.h"

namespace zembra {

enum class MonitorSeries : int { Reference = 0, Speed = 1, Position = 2, Current = 3, Command = 4 };

// Maximum speed and encoder resolution, from the parameter page.
struct SpikeFactors {
  std::int32_t maxSpeed = 30000;
  std::int32_t encoderResolution = 4;
};

enum class SampleOutcome {
  First,       // the list's first sample: the curve starts here
  TimedOut,    // too long after the previous one: monitoring ends, not stored
  SameTick,    // arrived in the same millisecond as the previous one: dropped
  HeldBack,    // stored, but a jump too large to be real: not drawn now
  Draw,        // stored and joined to the curve
  NextPage,    // stored beyond the view's right edge: the view turns a page
};

struct SampleResult {
  SampleOutcome outcome = SampleOutcome::First;
  MonitorSample sample;
  AxisRange page;  // the new X range, for NextPage
};

// How a replay reaches one sample: the curve starts, or continues.
enum class ReplayStep { Move, Line };

class SampleStore {
 public:
  static constexpr int kSeriesCount = 5;
  static constexpr std::size_t kCapacity = 60000;
  static constexpr std::uint32_t kTimeoutMs = 1500;

  using List = std::deque<MonitorSample>;

  void Clear();
  void SetSpikeFactors(SpikeFactors factors) { m_factors = factors; }
  SpikeFactors Factors() const { return m_factors; }

  // Takes the value of `series` that arrived at tick `now`; `view` is the
  // X range shown, which decides whether the sample turns the page. Ticks
  // are compared by their wrapping difference, so the counter passing zero
  // is just another millisecond.
  SampleResult Add(MonitorSeries series, double value, std::uint32_t now, const AxisRange& view);

  const List& Samples(MonitorSeries series) const { return m_lists[Index(series)]; }
  bool Empty() const;

  // The largest change a sample may make `elapsedMs` after the previous one
  // and still be drawn; a multiple of 1000.
  static std::uint64_t SpikeLimit(SpikeFactors factors, std::uint32_t elapsedMs);
  // The page of time (X range one span wide, starting at a whole multiple
  // of the span) that holds `time`.
  static AxisRange PageContaining(std::uint32_t time, double span);

  // Walks the samples of `series` that the X range min..max shows: the
  // first at or after min starts the curve, later ones up to max join it.
  void Replay(MonitorSeries series, double min, double max,
              const std::function<void(ReplayStep, const MonitorSample&)>& visit) const;

 private:
  static std::size_t Index(MonitorSeries s) { return static_cast<std::size_t>(s); }

  std::array<List, kSeriesCount> m_lists;
  SpikeFactors m_factors;
};

}  // namespace zembra
