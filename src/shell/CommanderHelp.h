#pragma once

#include <QDir>
#include <QString>

class QWidget;

// The help files, looked up by fixed names in the working directory of the
// moment: an HTML file for the browser first, else the old help file.
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
// "Cannot find help file: 'orvexcmd.hlp' or 'orvexcmd.htm(l)'" in the language.
[[nodiscard]] QString MissingMessage(int lang);
// Help > Commander Help.
void Show(QWidget* parent);
} // namespace CommanderHelp
