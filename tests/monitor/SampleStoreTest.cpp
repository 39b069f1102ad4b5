// Sample handling without a widget: time stamps from the first sample,
// equal ticks, the time-out, the spike limit, the page of time, the cap
// that keeps the newest samples, the tick counter's wrap, and replay.
#include <gtest/gtest.h>

#include <vector>

#include "monitor/SampleStore.h"

namespace zembra {
namespace {

constexpr AxisRange kView{0.0, 20000.0, 20000.0};
constexpr auto kSpeed = MonitorSeries::Speed;

TEST(SampleStoreStamps, FirstSampleIsTimeZeroAndLaterOnesCountFromIt) {
  SampleStore store;
  EXPECT_EQ(store.Add(kSpeed, 5, 70000, kView).outcome, SampleOutcome::First);
  SampleResult second = store.Add(kSpeed, 7, 70100, kView);
  EXPECT_EQ(second.outcome, SampleOutcome::Draw);
  EXPECT_EQ(second.sample.time, 100u);
  EXPECT_EQ(store.Add(kSpeed, 8, 70250, kView).sample.time, 250u);
  ASSERT_EQ(store.Samples(kSpeed).size(), 3u);
  EXPECT_EQ(store.Samples(kSpeed)[0], (MonitorSample{5, 0, 70000}));
  // Each list has its own first sample.
  EXPECT_EQ(store.Add(MonitorSeries::Current, 1, 70300, kView).outcome, SampleOutcome::First);
  EXPECT_EQ(store.Samples(MonitorSeries::Current)[0].time, 0u);
}

TEST(SampleStoreStamps, SameTickIsDroppedAndA1501msGapTimesOut) {
  SampleStore store;
  store.Add(kSpeed, 5, 1000, kView);
  EXPECT_EQ(store.Add(kSpeed, 6, 1000, kView).outcome, SampleOutcome::SameTick);
  EXPECT_EQ(store.Add(kSpeed, 6, 2500, kView).outcome, SampleOutcome::Draw);  // 1500 ms: still in time
  EXPECT_EQ(store.Add(kSpeed, 6, 4001, kView).outcome, SampleOutcome::TimedOut);
  EXPECT_EQ(store.Samples(kSpeed).size(), 2u);  // neither dropped sample was stored
}

TEST(SampleStoreStamps, TickWrapIsJustAnotherMillisecond) {
  SampleStore store;
  store.Add(kSpeed, 5, 0xFFFFFF9Cu, kView);  // 100 ms before the wrap
  SampleResult after = store.Add(kSpeed, 6, 50, kView);
  EXPECT_EQ(after.outcome, SampleOutcome::Draw);
  EXPECT_EQ(after.sample.time, 150u);
  // The time-out still holds across the wrap ...
  SampleStore late;
  late.Add(kSpeed, 5, 0xFFFFFF00u, kView);
  EXPECT_EQ(late.Add(kSpeed, 6, 1245, kView).outcome, SampleOutcome::TimedOut);  // 1501 ms later
  // ... and so does the equal-tick rule.
  EXPECT_EQ(store.Add(kSpeed, 7, 50, kView).outcome, SampleOutcome::SameTick);
}

TEST(SampleStoreSpikes, LimitFollowsTheFactorsAndTheElapsedTime) {
  EXPECT_EQ(SampleStore::SpikeLimit({30000, 4}, 100), 12000000u);
  EXPECT_EQ(SampleStore::SpikeLimit({30000, 4}, 1), 120000u);
  EXPECT_EQ(SampleStore::SpikeLimit({3, 4}, 10), 0u);        // rounded down to whole thousands
  EXPECT_EQ(SampleStore::SpikeLimit({6000, 40000}, 1500), 360000000000u);  // beyond 32 bits
  EXPECT_EQ(SampleStore::SpikeLimit({-5, 4}, 100), 0u);

  SampleStore store;
  store.Add(kSpeed, 0, 100, kView);
  EXPECT_EQ(store.Add(kSpeed, 120000, 101, kView).outcome, SampleOutcome::Draw);
  EXPECT_EQ(store.Add(kSpeed, 0, 102, kView).outcome, SampleOutcome::Draw);
  EXPECT_EQ(store.Add(kSpeed, 120001, 103, kView).outcome, SampleOutcome::HeldBack);
  EXPECT_EQ(store.Samples(kSpeed).size(), 4u);  // held back, but kept

  store.SetSpikeFactors({0, 4});  // no limit at all: nothing is drawn
  EXPECT_EQ(store.Add(kSpeed, 120001, 200, kView).outcome, SampleOutcome::HeldBack);
}

TEST(SampleStorePages, ASampleAtTheRightEdgeStaysAndOneMillisecondLaterTurnsThePage) {
  SampleStore store;
  const AxisRange view{0.0, 1000.0, 1000.0};
  store.Add(kSpeed, 1, 5000, view);
  EXPECT_EQ(store.Add(kSpeed, 1, 5900, view).outcome, SampleOutcome::Draw);
  EXPECT_EQ(store.Add(kSpeed, 1, 6000, view).outcome, SampleOutcome::Draw);  // time 1000 = xMax
  SampleResult next = store.Add(kSpeed, 1, 6001, view);
  EXPECT_EQ(next.outcome, SampleOutcome::NextPage);
  EXPECT_EQ(next.page.min, 1000.0);
  EXPECT_EQ(next.page.max, 2000.0);

  const AxisRange page = SampleStore::PageContaining(45678, 20000);
  EXPECT_EQ(page.min, 40000.0);
  EXPECT_EQ(page.max, 60000.0);
  EXPECT_EQ(page.span, 20000.0);
}

TEST(SampleStoreCap, AFullListDropsItsOldestSampleAndKeepsTheTimes) {
  SampleStore store;
  const AxisRange wide{0.0, 1e9, 1e9};
  std::uint32_t tick = 0xFFF00000u;  // wraps on the way
  for (std::size_t i = 0; i < SampleStore::kCapacity; ++i) store.Add(kSpeed, static_cast<double>(i), tick += 10, wide);
  store.Add(MonitorSeries::Position, 1, tick, wide);
  ASSERT_EQ(store.Samples(kSpeed).size(), SampleStore::kCapacity);
  EXPECT_EQ(store.Samples(kSpeed).front().time, 0u);

  store.Add(kSpeed, 60000, tick += 10, wide);  // the 60001st
  const SampleStore::List& list = store.Samples(kSpeed);
  ASSERT_EQ(list.size(), SampleStore::kCapacity);
  EXPECT_EQ(list.front().value, 1.0);  // only the oldest went
  EXPECT_EQ(list.front().time, 10u);
  EXPECT_EQ(list.back().value, 60000.0);
  EXPECT_EQ(list.back().time, 600000u);  // still counted from the session's first sample
  EXPECT_EQ(store.Samples(MonitorSeries::Position).size(), 1u);
}

TEST(SampleStoreReplay, StartsAtTheFirstVisibleSampleAndStopsAtTheRightEdge) {
  SampleStore store;
  const AxisRange wide{0.0, 1e9, 1e9};
  store.SetSpikeFactors({0, 0});  // every later sample held back: replay still draws them
  for (std::uint32_t t = 0; t <= 500; t += 100) store.Add(kSpeed, t, 1000 + t, wide);
  std::vector<std::pair<ReplayStep, std::uint32_t>> steps;
  auto record = [&](ReplayStep step, const MonitorSample& s) { steps.emplace_back(step, s.time); };

  store.Replay(kSpeed, 150, 400, record);
  const std::vector<std::pair<ReplayStep, std::uint32_t>> expected{
      {ReplayStep::Move, 200}, {ReplayStep::Line, 300}, {ReplayStep::Line, 400}};
  EXPECT_EQ(steps, expected);

  steps.clear();
  store.Replay(kSpeed, 600, 900, record);  // nothing in view
  store.Replay(MonitorSeries::Current, 0, 900, record);  // nothing stored
  EXPECT_TRUE(steps.empty());
  store.Replay(kSpeed, 450, 460, record);  // the first sample at or after min is beyond max
  EXPECT_TRUE(steps.empty());
}

}  // namespace
}  // namespace zembra
