#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>

// orvexctl's commands, for the help and for telling a known command.
struct CommandHelp {
    const char* Name;
    const char* Usage;
    const char* About;
};
[[nodiscard]] const std::span<const CommandHelp> CtlCommands();
inline constexpr const char* GlobalUsage =
    "orvexctl [--port DEV | --simulate] [--speed BPS] [--lang en|sr] [--charset cyrillic|latin] "
    "[--timeout MS] [--trace FILE] [--data-dir DIR] [--history URL] [--shop NAME] COMMAND";

// A command line taken apart: the words in order and the options with their values.
struct CommandLine {
    QStringList Words;
    QMap<QString, QString> Options;
    [[nodiscard]] bool Has(const char* option) const { return Options.contains(QLatin1String(option)); }
    [[nodiscard]] QString Value(const char* option) const { return Options.value(QLatin1String(option)); }
};

// Parses the arguments (without the program name); on an error, why in error.
[[nodiscard]] CommandLine ParseCommandLine(const QStringList& args, QString& error);

// A whole decimal number, nothing for anything else.
[[nodiscard]] std::optional<int> Number(const QString& text);
