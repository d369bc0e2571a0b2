#include "ShellFixture.h"

#include "history/HistorySql.h"
#include "reports/DailyReports.h"
#include "reports/ReportDecoder.h"
#include "session/RegisterSession.h"
#include "shell/HintsPanel.h"
#include "shell/HistorySettingsDialog.h"
#include "shell/KeptSettings.h"
#include "shell/WindowHistory.h"
#include "sim/InProcessRegister.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>

namespace {

class WindowHistoryTest : public ShellTest {
  protected:
    void TearDown() override {
        // The store lets go of its files before the folder goes.
        if (forms)
            forms->History().Close();
        ShellTest::TearDown();
    }

    [[nodiscard]] WindowHistory& History() const { return forms->History(); }
    [[nodiscard]] QString Note() const { return Window().Hints()->Note(); }
    [[nodiscard]] QString DataDir() const { return workDir.path(); }

    [[nodiscard]] HistorySettingsDialog* Dialog() const {
        return Window().findChild<HistorySettingsDialog*>(QStringLiteral("HistorySettingsDialog"));
    }
    // Settings > Sales history..., typed and taken with OK.
    void SetHistory(const char* field, const QString& text) {
        Item("MnHistorySettings")->trigger();
        HistorySettingsDialog* dialog = Dialog();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
        auto* edit = dialog->findChild<QLineEdit*>(QLatin1String(field));
        ASSERT_NE(edit, nullptr);
        edit->setText(text);
        dialog->findChild<QPushButton*>(QStringLiteral("HistorySettingsOk"))->click();
    }
    void NameTheShop(const QString& name) {
        SetHistory("ShopNameEdit", name);
        ASSERT_TRUE(WaitUntil([&] { return Dialog() == nullptr; }));
    }
};

} // namespace

// The register sells, the window records: the data folder's history.sqlite
// holds the journal records and the receipts they make, under the shop name
// set in Settings.
TEST_F(WindowHistoryTest, ASimulatedSaleIsRecordedInTheDataFolder) {
    SimOptions options;
    options.Speed = 0;
    options.SellEveryMs = 20;
    InProcessRegister simulator(options);
    const QString device = simulator.Start();
    ASSERT_FALSE(device.isEmpty()) << simulator.ErrorString().toStdString();
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);

    NameTheShop(QStringLiteral("  Corner shop  "));
    EXPECT_EQ(History().Shop(), QStringLiteral("Corner shop"));
    ASSERT_TRUE(History().Open(QString(), DataDir())) << History().OpenError().toStdString();
    EXPECT_TRUE(Note().isEmpty()) << Note().toStdString();
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());

    const QString file = QDir(DataDir()).filePath(QStringLiteral("history.sqlite"));
    const auto scalar = [&](const char* sql) {
        HistoryConnection connection;
        QString error;
        if (!connection.OpenSqlite(file, error)) {
            ADD_FAILURE() << error.toStdString();
            return QVariant();
        }
        QSqlQuery query(connection.Database());
        if (!query.exec(QString::fromLatin1(sql)) || !query.next()) {
            ADD_FAILURE() << sql << ": " << query.lastError().text().toStdString();
            return QVariant();
        }
        return query.value(0);
    };
    // Whole receipts: the register began selling before the port was open.
    ASSERT_TRUE(WaitUntil(
        [&] {
            History().Store().Flush(2000);
            return scalar("SELECT COUNT(*) FROM receipts WHERE whole = 1").toInt() >= 2;
        },
        20000));
    // The daily status report the window fetches names the register.
    ASSERT_TRUE(forms->Session().Reports().RequestReport(StatusReportCode));
    ASSERT_TRUE(WaitUntil(
        [&] {
            History().Store().Flush(2000);
            return scalar("SELECT COUNT(*) FROM reports WHERE code = 'h'").toInt() == 1;
        },
        10000));
    Dispatcher().Disconnect();
    ASSERT_TRUE(History().Store().Flush(5000)) << History().Store().Status().ServerError.toStdString();
    EXPECT_GT(scalar("SELECT COUNT(*) FROM journal WHERE code = 'O'").toInt(), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM receipts WHERE shop <> 'Corner shop'").toInt(), 0);
    EXPECT_GT(scalar("SELECT SUM(total) FROM receipts WHERE whole = 1").toLongLong(), 0);
    EXPECT_EQ(scalar("SELECT shop FROM registers").toString(), QStringLiteral("Corner shop"));
    EXPECT_FALSE(scalar("SELECT fiscal_id FROM registers").toString().isEmpty());
    EXPECT_TRUE(Note().isEmpty()) << Note().toStdString();
}

// A history that cannot be opened (its file is a folder) leaves the program
// running without it, and the hint panel says why in the language shown,
// whatever page is up.
TEST_F(WindowHistoryTest, AHistoryThatCannotBeOpenedIsSaidAndTheProgramGoesOn) {
    ASSERT_TRUE(QDir(DataDir()).mkdir(QStringLiteral("history.sqlite")));
    Item("MnEnglish")->trigger();
    EXPECT_FALSE(History().Open(QString(), DataDir()));
    EXPECT_FALSE(History().IsOpen());
    EXPECT_FALSE(History().OpenError().isEmpty());
    EXPECT_TRUE(Note().startsWith(QStringLiteral("Sales history is off: "))) << Note().toStdString();
    EXPECT_TRUE(Note().contains(QStringLiteral("history.sqlite"))) << Note().toStdString();
    Item("MnSerbian")->trigger();
    EXPECT_TRUE(Note().startsWith(QStringLiteral("Istorija prodaje je isključena: ")))
        << Note().toStdString();
    Item("Monitor1")->trigger();
    EXPECT_EQ(Window().HintText(), QStringLiteral("Evidencija prodaje - (REG.)"));
    EXPECT_FALSE(Note().isEmpty());
    // Nothing was put in a box: the panel says it, the window stays usable.
    EXPECT_TRUE(boxes.empty());
    // A URL that is neither is said the same way.
    EXPECT_FALSE(History().Open(QStringLiteral("mysql://shop"), DataDir()));
    EXPECT_TRUE(Note().contains(QStringLiteral("mysql://shop"))) << Note().toStdString();
}

// The shop name and the history's place are kept settings; the shop name
// reaches the recorder.
TEST_F(WindowHistoryTest, TheShopNameIsKeptAndTheHistoryPlaceIsRead) {
    const QString path = QDir(DataDir()).filePath(QStringLiteral("kept.ini"));
    {
        auto* kept = new KeptSettings(std::make_unique<QSettings>(path, QSettings::IniFormat), *forms, {});
        kept->Restore();
        NameTheShop(QStringLiteral("Market 2"));
        kept->Save();
    }
    QSettings store(path, QSettings::IniFormat);
    EXPECT_EQ(store.value(QStringLiteral("ShopName")).toString(), QStringLiteral("Market 2"));
    store.setValue(QStringLiteral("History"), QStringLiteral(" postgresql://orvex@db.shop.lan/orvex "));
    store.sync();
    EXPECT_EQ(KeptSettings::KeptHistory(store), QStringLiteral("postgresql://orvex@db.shop.lan/orvex"));

    forms.reset();
    ResetShellSettings();
    forms = std::make_unique<FormSet>();
    forms->UserForm().FormActivate();
    EXPECT_TRUE(History().Shop().isEmpty());
    auto* kept = new KeptSettings(std::make_unique<QSettings>(path, QSettings::IniFormat), *forms, {});
    kept->Restore();
    EXPECT_EQ(History().Shop(), QStringLiteral("Market 2"));

    // Cancel leaves the name as it was.
    Item("MnHistorySettings")->trigger();
    HistorySettingsDialog* dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("ShopNameEdit"))->text(),
              QStringLiteral("Market 2"));
    dialog->findChild<QLineEdit*>(QStringLiteral("ShopNameEdit"))->setText(QStringLiteral("Other"));
    dialog->findChild<QPushButton*>(QStringLiteral("HistorySettingsCancel"))->click();
    EXPECT_EQ(History().Shop(), QStringLiteral("Market 2"));
}

// A place typed in Settings opens the history there at once and is kept for
// the next run; one that cannot be used is refused in the dialog, which stays.
TEST_F(WindowHistoryTest, ThePlaceChosenInSettingsOpensTheHistoryThereAndIsKept) {
    const QString path = QDir(DataDir()).filePath(QStringLiteral("kept.ini"));
    auto* kept = new KeptSettings(std::make_unique<QSettings>(path, QSettings::IniFormat), *forms, {});
    kept->Restore();
    ASSERT_TRUE(History().Open(QString(), DataDir()));
    kept->Save();
    EXPECT_FALSE(QSettings(path, QSettings::IniFormat).contains(QStringLiteral("History")))
        << "a place nobody chose is not kept";

    Item("MnSerbian")->trigger();
    SetHistory("HistoryPlaceEdit", QStringLiteral("mysql://shop"));
    HistorySettingsDialog* dialog = Dialog();
    ASSERT_NE(dialog, nullptr) << "a refused place closed the dialog";
    auto* refusal = dialog->findChild<QLabel*>(QStringLiteral("HistoryPlaceRefusal"));
    EXPECT_TRUE(refusal->isVisible());
    EXPECT_TRUE(refusal->text().startsWith(QStringLiteral("Ovo mesto ne može da se koristi: ")))
        << refusal->text().toStdString();
    EXPECT_TRUE(History().Url().isEmpty());
    EXPECT_TRUE(History().IsOpen());

    const QString file = QDir(DataDir()).filePath(QStringLiteral("elsewhere.sqlite"));
    dialog->findChild<QLineEdit*>(QStringLiteral("HistoryPlaceEdit"))
        ->setText(QStringLiteral("sqlite:") + file);
    dialog->findChild<QPushButton*>(QStringLiteral("HistorySettingsOk"))->click();
    ASSERT_TRUE(WaitUntil([&] { return Dialog() == nullptr; }));
    EXPECT_TRUE(History().IsOpen()) << History().OpenError().toStdString();
    EXPECT_EQ(History().Store().Target().File, file);
    EXPECT_TRUE(QFile::exists(file));
    kept->Save();
    EXPECT_EQ(KeptSettings::KeptHistory(*std::make_unique<QSettings>(path, QSettings::IniFormat)),
              QStringLiteral("sqlite:") + file);
}

// The Settings item and its dialog follow the language.
TEST_F(WindowHistoryTest, TheSettingsItemAndDialogSpeakBothLanguages) {
    const struct {
        const char* Item;
        const char* Text;
        const char* Title;
        const char* Ok;
    } cases[] = {{"MnEnglish", "Sales history...", "Sales history", "OK"},
                 {"MnSerbian", "Istorija prodaje...", "Istorija prodaje", "U redu"}};
    for (const auto& c : cases) {
        Item(c.Item)->trigger();
        EXPECT_EQ(Item("MnHistorySettings")->text(), QString::fromUtf8(c.Text));
        Item("MnHistorySettings")->trigger();
        HistorySettingsDialog* dialog = Dialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(c.Title));
        EXPECT_EQ(dialog->findChild<QPushButton*>(QStringLiteral("HistorySettingsOk"))->text(),
                  QString::fromUtf8(c.Ok));
        dialog->reject();
        ASSERT_TRUE(WaitUntil([&] { return Dialog() == nullptr; }));
    }
}

// A PostgreSQL server that cannot be reached: the rows wait in the spool on
// this PC and the hint panel says how many, in both languages.
TEST_F(WindowHistoryTest, RowsWaitingForAnUnreachableServerAreShownInTheHintPanel) {
    const QString uri = qEnvironmentVariable("ORVEX_TEST_PG_URI");
    if (uri.isEmpty())
        GTEST_SKIP() << "ORVEX_TEST_PG_URI is not set: no PostgreSQL cluster to test against "
                        "(./orvex test starts one)";
    // A socket folder where no server runs.
    QTemporaryDir nowhere;
    ASSERT_TRUE(nowhere.isValid());
    const QString away = QStringLiteral("postgresql://orvex@/orvex?host=%1&port=5999").arg(nowhere.path());
    Item("MnEnglish")->trigger();
    ASSERT_TRUE(History().Open(away, DataDir())) << History().OpenError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir(DataDir()).filePath(QStringLiteral("history-spool.sqlite"))));
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());
    for (const char* record : {"40 02 00000007", "4F 000000000300 00000007 0001 04 05 09 0B 0C EA 07"})
        pty.Write(Framed(record));
    // Two journal records and the receipt they close.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Note().startsWith(QStringLiteral("Sales history: 3 rows wait on this PC for "
                                                    "postgresql://orvex@"));
        },
        10000))
        << Note().toStdString();
    EXPECT_TRUE(Note().contains(nowhere.path())) << Note().toStdString();
    Item("MnSerbian")->trigger();
    EXPECT_TRUE(Note().contains(QStringLiteral("redova čeka na ovom računaru"))) << Note().toStdString();
    Dispatcher().Disconnect();
}
