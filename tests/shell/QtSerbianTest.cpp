#include "ShellFixture.h"

#include "toolkit/MessageBoxes.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>

namespace {

struct QtCase {
    const char* Context;
    const char* Source;
    const char* Serbian;
};

// Qt's own texts in the program's dialogs (the file dialog, the message
// boxes' buttons) speak Serbian in the Serbian window and English in the
// English one.
TEST_F(ShellTest, QtsOwnDialogTextsFollowTheWindowsLanguage) {
    const QtCase cases[] = {
        {"QFileDialog", "File &name:", "&Ime datoteke:"},
        {"QFileDialog", "Look in:", "Traži u:"},
        {"QFileDialog", "Save As", "Sačuvaj kao"},
        {"QFileDialog", "Files of type:", "Vrsta datoteka:"},
        {"QFileSystemModel", "Date Modified", "Datum izmene"},
        {"QPlatformTheme", "&Yes", "&Da"},
        {"QPlatformTheme", "&No", "&Ne"},
        {"QPlatformTheme", "Cancel", "Poništi"},
        {"QPlatformTheme", "OK", "U redu"},
    };
    const auto yesText = [this] {
        auto box = MessageBoxes::Build(&Window(), {QStringLiteral("t"), QStringLiteral("?"),
                                                   QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No});
        return box->button(QMessageBox::Yes)->text();
    };
    const auto fileNameLabel = [this] {
        QFileDialog dialog(&Window());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        return dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text();
    };
    for (const int lang : {ShellSettings::Serbian, ShellSettings::English, ShellSettings::Serbian}) {
        Shell().UiLanguage = lang;
        Window().ApplyLanguage(lang);
        SCOPED_TRACE(lang);
        for (const QtCase& c : cases) {
            const QString expected =
                lang == ShellSettings::Serbian ? QString::fromUtf8(c.Serbian) : QString::fromUtf8(c.Source);
            EXPECT_EQ(QCoreApplication::translate(c.Context, c.Source), expected);
        }
        EXPECT_EQ(yesText(), lang == ShellSettings::Serbian ? QStringLiteral("&Da") : QStringLiteral("&Yes"));
        EXPECT_EQ(fileNameLabel(), lang == ShellSettings::Serbian ? QStringLiteral("&Ime datoteke:")
                                                                  : QStringLiteral("File &name:"));
    }
}

} // namespace
