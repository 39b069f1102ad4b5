#pragma once
// The chart with its axes: holds the chart control and paints around it
// the tick marks and labels of both axes, "ms" and the Y unit. Exported
// as an image, this is what the user sees of the chart.
#include <QImage>
#include <QString>
#include <QWidget>

namespace zembra {

class CLineChartCtrl;

class ChartAxesPanel : public QWidget {
  Q_OBJECT

 public:
  // Room around the chart for the labels.
  static constexpr int kLeftMargin = 92;
  static constexpr int kTopMargin = 26;
  static constexpr int kRightMargin = 24;
  static constexpr int kBottomMargin = 30;

  explicit ChartAxesPanel(QWidget* parent = nullptr);

  CLineChartCtrl& Chart() { return *m_chart; }
  void SetUnit(const QString& unit);
  QString Unit() const { return m_unit; }
  // The chart and its labels as they are drawn now.
  QImage Snapshot();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CLineChartCtrl* m_chart;
  QString m_unit;
};

}  // namespace zembra
