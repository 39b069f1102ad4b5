#pragma once

namespace zembra {

// A rectangle dragged on the chart, as fractions of the plot: x from the
// left edge, y from the bottom edge; the drag start first, the release
// second. Neither ordered nor clamped: the receiver decides what it means.
struct ChartSelection {
  float x1 = 0.0f;
  float y1 = 0.0f;
  float x2 = 0.0f;
  float y2 = 0.0f;
};

}  // namespace zembra
