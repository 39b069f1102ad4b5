#include "monitor/ViewNavigator.h"

#include <algorithm>
#include <cmath>

#include "monitor/AxisLabels.h"
#include "monitor/SampleStore.h"

namespace zembra {

void ViewNavigator::PanLeft() {
  const double step = m_scale.x.span / 2;
  m_scale.SetXRange(m_scale.x.min - step, m_scale.x.max - step);
}

void ViewNavigator::PanRight() {
  const double step = m_scale.x.span / 2;
  m_scale.SetXRange(m_scale.x.min + step, m_scale.x.max + step);
}

void ViewNavigator::PanUp() {
  const double step = m_scale.y.span / 10;
  m_scale.SetYRange(m_scale.y.max - step, m_scale.y.min - step);
}

void ViewNavigator::PanDown() {
  const double step = m_scale.y.span / 10;
  m_scale.SetYRange(m_scale.y.max + step, m_scale.y.min + step);
}

bool ViewNavigator::ZoomXIn() {
  if (m_scale.x.span < ChartScale::kMinXSpan) return false;
  m_scale.SetXRange(m_scale.x.min, m_scale.x.min + m_scale.x.span / 2);
  return true;
}

bool ViewNavigator::ZoomXOut() {
  if (m_scale.x.span < ChartScale::kMinXSpan) return false;
  m_scale.SetXRange(m_scale.x.min, m_scale.x.min + 2 * m_scale.x.span);
  return true;
}

bool ViewNavigator::ZoomYIn(YReference ref) {
  const AxisRange y = m_scale.y;
  if (y.span / 2 < ChartScale::kMinYSpan) return false;
  if (ref == YReference::Bottom) {
    m_scale.SetYRange(y.min + y.span / 2, y.min);
  } else {
    const double c = y.min + y.span / 2;
    m_scale.SetYRange(c + y.span / 4, c - y.span / 4);
  }
  return true;
}

bool ViewNavigator::ZoomYOut(YReference ref) {
  const AxisRange y = m_scale.y;
  if (y.span < ChartScale::kMinYSpan) return false;
  if (ref == YReference::Bottom) {
    m_scale.SetYRange(y.min + 2 * y.span, y.min);
  } else {
    const double c = y.min + y.span / 2;
    m_scale.SetYRange(c + y.span, c - y.span);
  }
  return true;
}

void ViewNavigator::ApplyBaseLine(std::int32_t base, YReference ref) {
  const double span = m_scale.y.span;
  if (ref == YReference::Centre)
    m_scale.SetYRange(base + span / 2, base - span / 2);
  else
    m_scale.SetYRange(base + span, base);
}

bool ViewNavigator::ApplyYSpan(std::uint32_t span, YReference ref) {
  if (span < ChartScale::kMinYSpan) return false;
  if (ref == YReference::Centre) {
    const double c = m_scale.y.min + m_scale.y.span / 2;
    const double half = span / 2;  // whole units: an odd span loses one
    m_scale.SetYRange(c + half, c - half);
  } else {
    m_scale.SetYRange(m_scale.y.min + span, m_scale.y.min);
  }
  return true;
}

bool ViewNavigator::ApplyXSpan(std::uint32_t span) {
  if (span < ChartScale::kMinXSpan) return false;
  m_scale.SetXRange(m_scale.x.min, m_scale.x.min + span);
  return true;
}

void ViewNavigator::Origin(YReference ref) {
  const double xSpan = m_scale.x.span;
  const double ySpan = m_scale.y.span;
  m_scale.SetXRange(0, xSpan);
  if (ref == YReference::Centre)
    m_scale.SetYRange(ySpan / 2, -ySpan / 2);
  else
    m_scale.SetYRange(ySpan, 0);
}

void ViewNavigator::Capture(const MonitorSample& newest) {
  const AxisRange page = SampleStore::PageContaining(newest.time, m_scale.x.span);
  const double ySpan = m_scale.y.span;
  m_scale.SetYRange(newest.value + ySpan / 2, newest.value - ySpan / 2);
  m_scale.SetXRange(page.min, page.max);
}

bool ViewNavigator::ZoomTo(const ChartSelection& selection) {
  // Single precision, as the selection itself.
  const float left = std::min(selection.x1, selection.x2);
  const float right = std::max(selection.x1, selection.x2);
  const float top = std::max(selection.y1, selection.y2);
  const float bottom = std::min(selection.y1, selection.y2);
  const auto xMin = static_cast<float>(m_scale.x.min);
  const auto xSpan = static_cast<float>(m_scale.x.span);
  const auto yMin = static_cast<float>(m_scale.y.min);
  const auto ySpan = static_cast<float>(m_scale.y.span);
  const float newXMin = left * xSpan + xMin;
  const float newXMax = right * xSpan + xMin;
  const float newYMax = top * ySpan + yMin;
  const float newYMin = bottom * ySpan + yMin;
  if (!(newXMax - newXMin > ChartScale::kMinXSpan) && !(newYMax - newYMin > ChartScale::kMinYSpan)) return false;
  m_scale.SetYRange(newYMax, newYMin);
  m_scale.SetXRange(newXMin, newXMax);
  return true;
}

void ViewNavigator::FitRoundY(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high)) return;
  if (low > high) std::swap(low, high);
  const double margin = std::max(10.0, (high - low) * 0.25);
  const double wanted = (high - low) + 2 * margin;
  constexpr int rows = AxisLabels::kYTicks;
  // From the largest power of ten that is not too coarse, up the 1-2-5
  // steps until the rows, counted from a whole row below, reach the top.
  double decade = std::pow(10.0, std::floor(std::log10(wanted / rows)));
  for (int step = 0;; ++step) {
    const double row = decade * (step % 3 == 0 ? 1.0 : step % 3 == 1 ? 2.0 : 5.0);
    const double bottom = std::floor((low - margin) / row) * row;
    if (bottom + rows * row >= high + margin || step > 60) {
      m_scale.SetYRange(bottom + rows * row, bottom);
      return;
    }
    if (step % 3 == 2) decade *= 10.0;
  }
}

}  // namespace zembra
