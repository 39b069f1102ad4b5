#pragma once
// What the console writer needs from the text control it writes into.
// Texts use the edit-control line-end convention ("\r\n").
#include <QString>

namespace zembra {

class ConsoleSurface {
 public:
  virtual ~ConsoleSurface() = default;
  virtual int LineCount() const = 0;
  // Empties the control and drops any text still waiting to be appended.
  virtual void Clear() = 0;
  virtual void Append(const QString& text) = 0;
  virtual void ScrollToEnd() = 0;
};

}  // namespace zembra
