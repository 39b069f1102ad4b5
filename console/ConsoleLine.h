#pragma once
// One piece of console text formed from a drive message. The text keeps
// the edit-control line-end convention ("\r\n" ends a line); the widget maps
// it to its own paragraphs when it appends.
#include <QString>

namespace zembra {

enum class ConsoleLineKind {
  Command,  // an echoed command: starts a new line
  Reply,    // a text reply: continues the command's line after the dots
  Sample,   // one sampling frame
  Notice,   // a text handed over with a sampling frame type
};

struct ConsoleLine {
  ConsoleLineKind kind = ConsoleLineKind::Command;
  QString text;
};

}  // namespace zembra
