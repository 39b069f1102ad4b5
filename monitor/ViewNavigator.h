#pragma once
// What the view buttons do to the chart's ranges: pan, zoom, zoom to a
// dragged rectangle, the axis settings, origin and capture. Each ends with
// the range setters, so the minimum spans always hold; the page redraws
// and replays afterwards.
#include <cstdint>
#include <optional>

#include "monitor/ChartScale.h"
#include "monitor/ChartSelection.h"
#include "monitor/MonitorSample.h"
#include "monitor/MonitorSettings.h"

namespace zembra {

class ViewNavigator {
 public:
  explicit ViewNavigator(ChartScale& scale) : m_scale(scale) {}

  void PanLeft();
  void PanRight();
  void PanUp();
  void PanDown();
  // Each returns false when the current span does not allow it.
  bool ZoomXIn();
  bool ZoomXOut();
  bool ZoomYIn(YReference ref);
  bool ZoomYOut(YReference ref);

  void ApplyBaseLine(std::int32_t base, YReference ref);
  // False (view unchanged) below the minimum spans.
  bool ApplyYSpan(std::uint32_t span, YReference ref);
  bool ApplyXSpan(std::uint32_t span);
  void Origin(YReference ref);
  // The page of time that holds `newest`, centred on its value.
  void Capture(const MonitorSample& newest);
  // False when the rectangle is too small in both directions to be a view.
  bool ZoomTo(const ChartSelection& selection);
  // A Y range that holds low..high with room for an overshoot on either
  // side, on a scale whose grid rows fall on round numbers (1, 2 or 5
  // times a power of ten per row).
  void FitRoundY(double low, double high);

 private:
  ChartScale& m_scale;
};

}  // namespace zembra
