#include "shell/FailedSaveQuery.h"

#include "common/Captions.h"
#include "database/PluDatabaseFile.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"

namespace {

constexpr Caption NotSaved{"The PLU database was not saved:\n%1\n\nTry again, save it to another file, quit "
                           "without saving (the changes of this run are lost), or go back to the program?",
                           "PLU baza nije sačuvana:\n%1\n\nPokušati ponovo, sačuvati je u drugu datoteku, "
                           "izaći bez čuvanja (izmene iz ovog rada se gube) ili se vratiti u program?"};
constexpr Caption TryAgain{"Try again", "Pokušaj ponovo"};
constexpr Caption SaveElsewhere{"Save to another file...", "Sačuvaj u drugu datoteku..."};
constexpr Caption QuitWithoutSaving{"Quit without saving", "Izađi bez čuvanja"};
constexpr Caption BackToProgram{"Back to the program", "Nazad u program"};
constexpr Caption DatabaseFilter{"PLU database (*.dat);;All Files (*)", "PLU baza (*.dat);;Sve datoteke (*)"};

} // namespace

FailedSaveOutcome AskAfterFailedSave(QWidget* parent, const PluTable& table, const QString& directory,
                                     QString message) {
    for (;;) {
        const MessageRequest request{Captions::Closing::PluProgramWarning.Text(),
                                     NotSaved.Text().arg(message),
                                     QMessageBox::Warning,
                                     QMessageBox::Retry | QMessageBox::Save | QMessageBox::Discard |
                                         QMessageBox::Cancel,
                                     QMessageBox::Cancel,
                                     {{QMessageBox::Retry, TryAgain.Text()},
                                      {QMessageBox::Save, SaveElsewhere.Text()},
                                      {QMessageBox::Discard, QuitWithoutSaving.Text()},
                                      {QMessageBox::Cancel, BackToProgram.Text()}}};
        DatabaseFileResult saved;
        switch (MessageBoxes::Show(parent, request)) {
        case QMessageBox::Retry:
            saved = SaveDatabase(table, directory);
            break;
        case QMessageBox::Save: {
            const QString path =
                FileDialogs::SaveFileName(parent, {true, DatabaseFilter.Text(), QStringLiteral("dat")});
            if (path.isEmpty())
                continue;
            saved = SaveDatabaseTo(table, path);
            break;
        }
        case QMessageBox::Discard:
            return FailedSaveOutcome::QuitWithoutSaving;
        default:
            return FailedSaveOutcome::Back;
        }
        if (saved.Ok)
            return FailedSaveOutcome::Saved;
        message = saved.Detail.isEmpty() ? saved.Message
                                         : QStringLiteral("%1\n%2").arg(saved.Message, saved.Detail);
    }
}
