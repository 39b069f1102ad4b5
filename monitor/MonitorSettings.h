#pragma once
// The settings of the monitoring page as the user enters them.
#include <QString>
#include <cstdint>

namespace zembra {

// What each poll asks the drive for.
enum class MonitorContent : int { Speed = 0, Position = 1, Current = 2, UserCommand = 3 };

// How the Run button moves the motor.
enum class RunMode : int { Speed = 0, AbsolutePosition = 1, RelativePosition = 2 };

// Where the Y base line sits in the view.
enum class YReference : int { Bottom = 0, Centre = 1 };

struct MonitorSettings {
  MonitorContent content = MonitorContent::Speed;
  QString userCommand;
  // The next poll as soon as the previous answer arrives, instead of every
  // tick of the page's timer.
  bool fastSampling = false;
  RunMode runMode = RunMode::Speed;
  std::int32_t speed = 0;
  std::int32_t absoluteTarget = 0;
  std::int32_t relativeDistance = 0;
  YReference yReference = YReference::Centre;
  std::int32_t yBaseLine = 0;
  std::uint32_t ySpan = 1000;
  std::uint32_t xSpan = 20000;
};

}  // namespace zembra
