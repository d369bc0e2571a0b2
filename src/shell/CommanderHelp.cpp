#include "shell/CommanderHelp.h"

#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "shell/Browser.h"
#include "toolkit/MessageBoxes.h"

#include <QCoreApplication>

namespace CommanderHelp {

namespace {
std::optional<QStringList>& GivenFolders() {
    static std::optional<QStringList> folders;
    return folders;
}
} // namespace

Choice FindHelpFile(const QDir& dir) {
    for (const char* name : {HtmFile, HtmlFile}) {
        if (dir.exists(QString::fromLatin1(name)))
            return {Kind::Html, dir.absoluteFilePath(QString::fromLatin1(name))};
    }
    if (dir.exists(QString::fromLatin1(HlpFile)))
        return {Kind::Hlp, dir.absoluteFilePath(QString::fromLatin1(HlpFile))};
    return {};
}

QStringList HelpFolders() {
    if (GivenFolders())
        return *GivenFolders();
    const QString programDir = QCoreApplication::applicationDirPath();
    QStringList folders{QDir::cleanPath(programDir + QStringLiteral("/../share/orvex-commander/help"))};
#if defined(ORVEX_BUILD_PROGRAM_DIR) && defined(ORVEX_SOURCE_HELP_DIR)
    if (QDir(programDir) == QDir(QStringLiteral(ORVEX_BUILD_PROGRAM_DIR)))
        folders << QStringLiteral(ORVEX_SOURCE_HELP_DIR);
#endif
    return folders;
}

void SetHelpFolders(std::optional<QStringList> folders) {
    GivenFolders() = std::move(folders);
}

Choice FindHelp(const QDir& workingDir, int lang) {
    if (Choice choice = FindHelpFile(workingDir); choice.Found != Kind::None)
        return choice;
    const QString language = lang == ShellSettings::English ? QStringLiteral("en") : QStringLiteral("sr");
    for (const QString& folder : HelpFolders()) {
        if (Choice choice = FindHelpFile(QDir(folder + QLatin1Char('/') + language));
            choice.Found != Kind::None)
            return choice;
    }
    return {};
}

QString MissingMessage(int lang) {
    return Captions::Help::CannotFindHelpFile.Text(lang) + QStringLiteral(": '") + QLatin1String(HlpFile) +
           QStringLiteral("' or '") + QLatin1String(HtmFile) + QStringLiteral("(l)'");
}

void Show(QWidget* parent) {
    const Choice choice = FindHelp(QDir::current(), Shell().UiLanguage);
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
