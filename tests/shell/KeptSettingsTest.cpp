#include "shell/KeptSettings.h"
#include "ShellFixture.h"
#include "printing/TPLUPrintForm.h"
#include "protocol/RegisterCharset.h"
#include "serial/TCommPortDriver.h"
#include "session/RegisterSession.h"
#include "toolkit/FileDialogs.h"

#include <QCheckBox>
#include <QProcess>
#include <QSettings>

namespace {

class KeptSettingsTest : public ShellTest {
  protected:
    void TearDown() override {
        FileDialogs::SetLastFolder(false, {});
        FileDialogs::SetLastFolder(true, {});
        ShellTest::TearDown();
    }

    [[nodiscard]] QString StorePath() const {
        return QDir(workDir.path()).filePath(QStringLiteral("kept.ini"));
    }
    [[nodiscard]] std::unique_ptr<QSettings> Store() const {
        return std::make_unique<QSettings>(StorePath(), QSettings::IniFormat);
    }
    // The program ends and starts again, as from the menu: new windows, the same store.
    KeptSettings& Restart(KeptSettings::StartOptions options = {}) {
        forms.reset();
        ResetShellSettings();
        FileDialogs::SetLastFolder(false, {});
        FileDialogs::SetLastFolder(true, {});
        forms = std::make_unique<FormSet>();
        // As the program does: what is kept is read before the window first shows.
        auto* kept = new KeptSettings(Store(), *forms, options);
        kept->Restore();
        forms->UserForm().FormActivate();
        return *kept;
    }
    [[nodiscard]] const TCommPortDriver& Serial() const { return Dispatcher().RS232().Serial(); }
    void CloseWindow() {
        answer = QMessageBox::No;
        ASSERT_TRUE(Window().close());
    }
};

TEST_F(KeptSettingsTest, ChoicesMadeInOneRunAreThereInTheNext) {
    Restart();
    for (const char* item :
         {"MnEnglish", "LatCSet", "FS12", "WRYes", "MnSaleafter", "Mnv250", "mbr38400", "Com3"})
        Item(item)->trigger();
    Window().setGeometry(40, 50, 700, 520);
    TPLUPrintForm& print = forms->PLUPrintForm();
    print.findChild<QCheckBox*>(QStringLiteral("PLUPrice"))->setChecked(true);
    print.findChild<QCheckBox*>(QStringLiteral("PLUBarcode"))->setChecked(true);
    print.ChoiceNextClick();
    FileDialogs::SetLastFolder(false, QStringLiteral("/tmp/imports"));
    FileDialogs::SetLastFolder(true, QStringLiteral("/tmp/exports"));
    CloseWindow();

    Restart();
    EXPECT_EQ(Shell().UiLanguage, ShellSettings::English);
    EXPECT_EQ(Shell().RegisterCharset, RegisterCharsets::Latin);
    EXPECT_EQ(forms->Session().Settings().Charset, RegisterCharsets::Latin);
    EXPECT_EQ(Shell().TextFontSize, 12);
    EXPECT_TRUE(Shell().WordWrap);
    EXPECT_TRUE(Shell().SaleAfterScan);
    EXPECT_EQ(Shell().SoftwareVersion, 250);
    EXPECT_TRUE(Item("MnEnglish")->isChecked());
    EXPECT_TRUE(Item("FS12")->isChecked());
    EXPECT_EQ(BaudRateOf(Serial().ComPortSpeed()), 38400u);
    EXPECT_EQ(Serial().ComPort(), pnCOM3);
    EXPECT_EQ(Window().geometry().size(), QSize(700, 520));
    EXPECT_EQ(forms->PLUPrintForm().FieldChoices(), (QStringList{"PLUPrice", "PLUBarcode"}));
    EXPECT_TRUE(forms->PLUPrintForm().findChild<QCheckBox*>(QStringLiteral("PLUBarcode"))->isChecked());
    EXPECT_FALSE(forms->PLUPrintForm().findChild<QCheckBox*>(QStringLiteral("PLUStock"))->isChecked());
    EXPECT_EQ(FileDialogs::LastFolder(false), QStringLiteral("/tmp/imports"));
    EXPECT_EQ(FileDialogs::LastFolder(true), QStringLiteral("/tmp/exports"));
}

TEST_F(KeptSettingsTest, TheKeptPortAndSpeedAreTheLinesFromTheStartAndAreWrittenBackUnchanged) {
    {
        auto store = Store();
        store->setValue(QStringLiteral("Port"), QStringLiteral("COM3"));
        store->setValue(QStringLiteral("Speed"), 38400);
    }
    Restart();
    EXPECT_EQ(Serial().ComPort(), pnCOM3);
    EXPECT_EQ(BaudRateOf(Serial().ComPortSpeed()), 38400u);
    for (const char* shown : {"Com3", "mbr38400"})
        EXPECT_TRUE(Item(shown)->isChecked()) << shown;
    for (const char* notShown : {"Com1", "mbr19200"})
        EXPECT_FALSE(Item(notShown)->isChecked()) << notShown;
    CloseWindow();
    const auto store = Store();
    EXPECT_EQ(store->value(QStringLiteral("Port")).toString(), QStringLiteral("COM3"));
    EXPECT_EQ(store->value(QStringLiteral("Speed")).toInt(), 38400);
}

TEST_F(KeptSettingsTest, CommandLinePortAndSpeedWinForTheRunAndLeaveTheKeptOnes) {
    Restart();
    Item("Com2")->trigger();
    Item("mbr38400")->trigger();
    CloseWindow();

    Restart({true, 9600});
    EXPECT_EQ(Serial().ComPort(), pnCOM1);
    EXPECT_EQ(BaudRateOf(Serial().ComPortSpeed()), 9600u);
    EXPECT_TRUE(Item("mbr9600")->isChecked());
    CloseWindow();
    const auto store = Store();
    EXPECT_EQ(store->value(QStringLiteral("Port")).toString(), QStringLiteral("COM2"));
    EXPECT_EQ(store->value(QStringLiteral("Speed")).toInt(), 38400);
}

TEST_F(KeptSettingsTest, APortPickedInTheMenuIsKeptEvenWhenTheCommandLineNamedOne) {
    Restart({true, 9600});
    Item("Com4")->trigger();
    Item("mbr19200")->trigger();
    CloseWindow();
    const auto store = Store();
    EXPECT_EQ(store->value(QStringLiteral("Port")).toString(), QStringLiteral("COM4"));
    EXPECT_EQ(store->value(QStringLiteral("Speed")).toInt(), 19200);
}

TEST_F(KeptSettingsTest, ADeviceAndNonsenseInTheStore) {
    {
        auto store = Store();
        store->setValue(QStringLiteral("Port"), pty.DevicePath());
        store->setValue(QStringLiteral("Speed"), 12345);
        store->setValue(QStringLiteral("Language"), QStringLiteral("Klingon"));
        store->setValue(QStringLiteral("TextSize"), QStringLiteral("99"));
        store->setValue(QStringLiteral("Window/Geometry"), QByteArray("junk"));
    }
    Restart();
    EXPECT_EQ(Serial().ComPort(), ReplyDispatcher::DevicePortNumber);
    EXPECT_EQ(Serial().CurrentDeviceName(), pty.DevicePath());
    EXPECT_EQ(BaudRateOf(Serial().ComPortSpeed()), 19200u);
    EXPECT_EQ(Shell().UiLanguage, ShellSettings::Serbian);
    EXPECT_EQ(Shell().TextFontSize, 8);
    CloseWindow();
    EXPECT_EQ(Store()->value(QStringLiteral("Port")).toString(), pty.DevicePath());
}

// The program itself: --data-dir holds its files, --fresh leaves what is kept alone.
TEST(CommanderProgram, DataFolderHoldsTheFilesAndFreshTouchesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString kept = dir.filePath(QStringLiteral("config/orvex-commander/orvex-commander.ini"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(kept).path()));
    {
        QSettings store(kept, QSettings::IniFormat);
        store.setValue(QStringLiteral("Language"), QStringLiteral("English"));
    }
    const QByteArray before = [&] {
        QFile file(kept);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(QStringLiteral(ORVEX_COMMANDER_PROGRAM),
                  {QStringLiteral("--simulate"), QStringLiteral("--fresh"), QStringLiteral("--data-dir"),
                   QStringLiteral("shop/data"), QStringLiteral("--screenshot"), QStringLiteral("shots")});
    ASSERT_TRUE(program.waitForFinished(120000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("shop/data/pludb.dat"))));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("shop/data/ComOpts.ini"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("pludb.dat"))));
    // The pictures go where the caller named them, not into the data folder.
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("shots"))).isDir());
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST(CommanderProgram, RefusesWhatItCannotUse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile blocker(dir.filePath(QStringLiteral("afile")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const struct {
        QStringList Arguments;
        int Status;
        const char* Said;
    } cases[] = {
        {{QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("afile/sub"))}, 1, "data folder"},
        {{QStringLiteral("--port="), QStringLiteral("--fresh")}, 2, "--port needs a device"},
        {{QStringLiteral("--history="), QStringLiteral("--fresh")}, 2, "--history needs a URL"},
        {{QStringLiteral("--port"), QStringLiteral("/dev/ttyUSB9"), QStringLiteral("--speed"),
          QStringLiteral("1200")},
         2,
         "9600, 19200 or 38400"},
    };
    for (const auto& c : cases) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.start(QStringLiteral(ORVEX_COMMANDER_PROGRAM), c.Arguments);
        ASSERT_TRUE(program.waitForFinished(60000)) << c.Arguments.join(' ').toStdString();
        EXPECT_EQ(program.exitCode(), c.Status) << c.Arguments.join(' ').toStdString();
        EXPECT_TRUE(program.readAllStandardError().contains(c.Said)) << c.Said;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("pludb.dat"))));
    }
}

} // namespace
