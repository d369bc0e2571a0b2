#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// The help files, looked up by fixed names: first in the working directory of
// the moment (the data folder), an HTML file for the browser first, else the
// old help file; then in the help folders the program ships, in the folder of
// the window's language.
namespace CommanderHelp {
inline constexpr const char* HtmFile = "orvexcmd.htm";
inline constexpr const char* HtmlFile = "orvexcmd.html";
inline constexpr const char* HlpFile = "orvexcmd.hlp";

enum class Kind { Html, Hlp, None };
struct Choice {
    Kind Found = Kind::None;
    QString Path;
};
[[nodiscard]] Choice FindHelpFile(const QDir& dir);
// The shipped help folders, each with an "en" and an "sr" folder: the
// installed one beside the program, then the source tree's when the program
// runs from its build tree.
[[nodiscard]] QStringList HelpFolders();
// Tests name the folders themselves; std::nullopt brings back the program's own.
void SetHelpFolders(std::optional<QStringList> folders);
// The working directory first, then the help folders in the language.
[[nodiscard]] Choice FindHelp(const QDir& workingDir, int lang);
// "Cannot find help file: 'orvexcmd.hlp' or 'orvexcmd.htm(l)'" in the language.
[[nodiscard]] QString MissingMessage(int lang);
// Help > Commander Help.
void Show(QWidget* parent);
} // namespace CommanderHelp
