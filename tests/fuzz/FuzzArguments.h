#pragma once
// A command line from fuzz bytes: NUL separates the arguments, each byte
// is one Latin-1 character, and the program's name comes first.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace zembra::fuzz {

inline QStringList ArgumentsFromBytes(const QString& program, const std::uint8_t* data, std::size_t size) {
  QStringList arguments{program};
  QString current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments << current;
      current.clear();
    } else {
      current += QChar(data[i]);
    }
  }
  arguments << current;
  return arguments;
}

}  // namespace zembra::fuzz
