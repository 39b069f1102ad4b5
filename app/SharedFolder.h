#pragma once
#include <QString>

namespace zembra {

// The folder the drive tools share ("Quen Shared" under the user's data
// location). Created at start-up; a failure to create it is not an error.
class SharedFolder {
 public:
  static QString Path();
  static bool Create();
};

}  // namespace zembra
