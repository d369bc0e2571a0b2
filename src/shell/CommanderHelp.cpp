#include "shell/CommanderHelp.h"

#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "shell/Browser.h"
#include "toolkit/MessageBoxes.h"

namespace CommanderHelp {

Choice FindHelpFile(const QDir& dir) {
    for (const char* name : {HtmFile, HtmlFile}) {
        if (dir.exists(QString::fromLatin1(name)))
            return {Kind::Html, dir.absoluteFilePath(QString::fromLatin1(name))};
    }
    if (dir.exists(QString::fromLatin1(HlpFile)))
        return {Kind::Hlp, dir.absoluteFilePath(QString::fromLatin1(HlpFile))};
    return {};
}

QString MissingMessage(int lang) {
    return Captions::Help::CannotFindHelpFile.Text(lang) + QStringLiteral(": '") + QLatin1String(HlpFile) +
           QStringLiteral("' or '") + QLatin1String(HtmFile) + QStringLiteral("(l)'");
}

void Show(QWidget* parent) {
    const Choice choice = FindHelpFile(QDir::current());
    switch (choice.Found) {
    case Kind::Html:
        if (!Browser::Open(QUrl::fromLocalFile(choice.Path)))
            MessageBoxes::Plain(parent, QStringLiteral("Cannot open Internet Explorer"));
        break;
    case Kind::Hlp:
        // There is no Windows help viewer here; the desktop gets the file and
        // whatever it has registered for it.
        if (!Browser::Open(QUrl::fromLocalFile(choice.Path)))
            MessageBoxes::Plain(parent,
                                QStringLiteral("Cannot open help file '%1'").arg(QLatin1String(HlpFile)));
        break;
    case Kind::None:
        MessageBoxes::Plain(parent, MissingMessage(Shell().UiLanguage));
        break;
    }
}

} // namespace CommanderHelp
