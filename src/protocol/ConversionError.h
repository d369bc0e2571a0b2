#pragma once

#include <QString>
#include <stdexcept>

// A value that cannot be converted to or from a register field. The message is
// the exact text the user sees in the program's error box.
class ConversionError : public std::runtime_error {
  public:
    explicit ConversionError(const QString& message) : std::runtime_error(message.toStdString()) {}

    [[nodiscard]] QString Message() const { return QString::fromStdString(what()); }
};
