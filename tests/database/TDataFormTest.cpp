#include "../shell/ShellFixture.h"

#include "database/PluTableModel.h"
#include "plu/PluPage.h"
#include "plu/PluTransfer.h"
#include "shell/TDLForm.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"
#include "toolkit/LimitMark.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

// The database window of the program over a table of varied PLUs.
class DataFormTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        Item("MnEnglish")->trigger();
        PluTable& table = Table();
        table.FillDefaults();
        for (int n = 0; n < PluTable::Size; ++n) {
            PluRecord& e = table[n];
            if (n % 3 == 0)
                e.Flags = uint8_t(FlagActive | (1 + n % 9));
            e.Price = 1.0 + n;
            e.Stock = uint32_t(n % 50);
            if (n % 100 == 0)
                e.SetBarcode(QByteArray("385") + QByteArray::number(n));
        }
        table[7].SetDescription("MILK");
        table[8].SetDescription("MILKA");
        Data().FormFill();
    }

    [[nodiscard]] TDataForm& Data() const { return forms->DataForm(); }
    [[nodiscard]] PluTable& Table() const { return Data().Table(); }
    template <typename T> T* On(const char* name) const {
        T* control = Data().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void Open() {
        Item("PLUDBShow")->trigger();
        ASSERT_TRUE(Data().isVisible());
    }
    [[nodiscard]] int CurrentRow() const { return Data().Grid()->currentIndex().row(); }
    [[nodiscard]] QString LastBox() const { return boxes.empty() ? QString() : boxes.back().Text; }
    void ApplySetting(int field, const QString& value, const char* from, const char* to,
                      bool activeOnly = false) {
        if (!On<QFrame>("SetsPanel")->isVisible())
            On<QPushButton>("ShowSets")->click();
        On<QComboBox>("FieldComboBox")->setCurrentIndex(field);
        auto* valueBox = On<QComboBox>("ValueComboBox");
        if (valueBox->isEditable())
            valueBox->setEditText(value);
        else
            valueBox->setCurrentIndex(valueBox->findText(value));
        On<QLineEdit>("FromPLU")->setText(QString::fromLatin1(from));
        On<QLineEdit>("ToPLU")->setText(QString::fromLatin1(to));
        (activeOnly ? On<QRadioButton>("MWRActive") : On<QRadioButton>("MWRAll"))->setChecked(true);
        On<QPushButton>("OKButton")->click();
    }
    static constexpr int Department = 0, Deactivate = 1, Price = 2, NetPrice = 3, Unit = 4, Stock = 5,
                         Initialise = 6;
};

TEST_F(DataFormTest, ModelShowsEveryPluReadOnlyAndFollowsTheTable) {
    PluTableModel& model = *Data().GridModel();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester searchTester(Data().SearchModel(),
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 10000);
    EXPECT_EQ(model.columnCount(), 11);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Description 2"));
    EXPECT_EQ(model.index(12, 1).data().toString(), QStringLiteral("COD   12"));
    EXPECT_EQ(model.index(9, 3).data().toString(), QLocale::system().toString(10.0, 'f', 2));
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_EQ(Data().Grid()->editTriggers(), QAbstractItemView::NoEditTriggers);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    Table()[12].SetDescription("BREAD");
    emit Window().ProgSheet()->GridRowChanged(12);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 12);
    EXPECT_EQ(model.index(12, 1).data().toString(), QStringLiteral("BREAD"));

    // A foreign unit code is kept as "item" once the entry is changed, and a
    // range read's stale grid is refilled when shown.
    Table()[13].Unit = 12;
    Table()[13].ConstCheck = 5;
    forms->Session().PlusChanged(13, 13);
    emit forms->Session().TableStale();
    EXPECT_TRUE(Data().GridStale());
    Open();
    EXPECT_FALSE(Data().GridStale());
    EXPECT_EQ(Table()[13].Unit, 0);
    EXPECT_EQ(Table()[13].ConstCheck, 0);
    EXPECT_EQ(model.index(13, 6).data().toString(), QStringLiteral("item"));

    Item("MnSerbian")->trigger();
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Opis"));
    EXPECT_EQ(model.index(0, 7).data().toString(), QStringLiteral("(Aktivno)  "));
}

TEST_F(DataFormTest, JumpsByNumberAndByDescription) {
    Open();
    auto* code = On<QLineEdit>("PLUCode");
    auto* descr = On<QLineEdit>("GridDescr");
    QTest::keyClicks(code, QStringLiteral("125"));
    EXPECT_EQ(CurrentRow(), 125);
    EXPECT_EQ(Data().Grid()->currentIndex().column(), 1);
    EXPECT_EQ(descr->text(), QStringLiteral("COD  125"));
    QTest::keyClick(code, Qt::Key_Return);
    EXPECT_TRUE(code->text().isEmpty());
    EXPECT_EQ(CurrentRow(), 125);
    // Letters and navigation keys do not reach the number.
    QTest::keyClicks(code, QStringLiteral("4a"));
    EXPECT_EQ(code->text(), QStringLiteral("4"));
    QTest::keyClick(code, Qt::Key_Home);
    QTest::keyClick(code, Qt::Key_Delete);
    EXPECT_TRUE(code->text().isEmpty());

    // The copied description is the field's own text: typing on from it works.
    Table()[126].SetDescription("MILKy"); // a letter the field's rule refuses, from a file
    code->setText(QStringLiteral("126"));
    QTest::keyClick(descr, Qt::Key_End);
    QTest::keyClicks(descr, QStringLiteral("A"));
    EXPECT_EQ(descr->text(), QStringLiteral("MILKyA"));
    QTest::keyClick(descr, Qt::Key_Backspace);
    QTest::keyClick(descr, Qt::Key_Backspace);
    EXPECT_EQ(CurrentRow(), 7);
    descr->clear();
    QTest::keyClicks(descr, QStringLiteral("MILKA"));
    EXPECT_EQ(CurrentRow(), 8);
    descr->clear();
    EXPECT_EQ(CurrentRow(), 0);
    QTest::keyClicks(descr, QStringLiteral("MIL"));
    EXPECT_EQ(CurrentRow(), 7);
    QTest::keyClicks(descr, QStringLiteral("X"));
    EXPECT_EQ(CurrentRow(), 7); // nothing matches: the selection stays
    descr->clear();
    QTest::keyClicks(descr, QStringLiteral("CO"));
    EXPECT_EQ(CurrentRow(), 0);

    // The PLU page's button brings the window up on the page's PLU.
    Data().hide();
    Window().ProgSheet()->PLUNum()->setText(QStringLiteral("4321"));
    Window().ProgSheet()->ShowDBClick();
    EXPECT_TRUE(Data().isVisible());
    EXPECT_EQ(CurrentRow(), 4321);
}

TEST_F(DataFormTest, SearchByBarcodeAndDescriptionWithTheCount) {
    Open();
    auto* find = On<QPushButton>("FindPLUs");
    find->click();
    EXPECT_FALSE(On<QFrame>("StandardPanel")->isVisible());
    EXPECT_EQ(find->text(), QStringLiteral("Hide search"));
    auto* barcode = On<QLineEdit>("SearchBarcdEdit");
    barcode->setFocus();
    QTest::keyClicks(barcode, QStringLiteral("3851"));
    QTest::keyClick(barcode, Qt::Key_Return);
    // 3851 00, 3851 000 ... 3851 900: PLUs 100 and 1000 to 1900 by hundreds
    EXPECT_EQ(LastBox(), QStringLiteral("11 PLU(s) were found!"));
    const PluTableModel& found = *Data().SearchModel();
    ASSERT_EQ(found.rowCount(), 11);
    EXPECT_EQ(found.index(0, 0).data().toString(), QStringLiteral("100"));
    EXPECT_EQ(found.index(1, 9).data().toString(), QStringLiteral("3851000"));

    auto* descr = On<QLineEdit>("SearchDescrEdit");
    descr->setFocus();
    QTest::keyClicks(descr, QStringLiteral("MILK"));
    On<QPushButton>("SearchBtn")->click();
    EXPECT_EQ(LastBox(), QStringLiteral("2 PLU(s) were found!"));
    EXPECT_EQ(found.rowCount(), 2);
    QTest::keyClicks(descr, QStringLiteral("Y"));
    QTest::keyClick(descr, Qt::Key_Return);
    EXPECT_EQ(LastBox(), QStringLiteral("Not found!"));
    EXPECT_EQ(found.rowCount(), 0);

    QTest::keyClick(descr, Qt::Key_Escape);
    EXPECT_TRUE(On<QFrame>("StandardPanel")->isVisible());
    EXPECT_EQ(find->text(), QStringLiteral("Search..."));
}

TEST_F(DataFormTest, SettingsOverARangeRefreshGridAndPluPage) {
    Open();
    for (const auto& [n, stock] : {std::pair{1, 5u}, {2, 0u}, {3, 7u}})
        Table()[n].Stock = stock;
    auto* page = Window().ProgSheet();
    page->PLUNum()->setText(QStringLiteral("2"));
    page->ShowTableRecord(2);
    QSignalSpy changed(Data().GridModel(), &QAbstractItemModel::dataChanged);

    ApplySetting(Unit, QStringLiteral("kg"), "1", "3");
    EXPECT_TRUE(boxes.empty()) << LastBox().toStdString();
    EXPECT_EQ(Data().GridModel()->index(1, 10).data().toString(), QStringLiteral("5.000"));
    EXPECT_EQ(Data().GridModel()->index(3, 10).data().toString(), QStringLiteral("7.000"));
    EXPECT_EQ(Window().findChild<QComboBox*>(QStringLiteral("Flags2Combo"))->currentText(),
              QStringLiteral("kg"));
    EXPECT_TRUE(Shell().DatabaseChanged);
    EXPECT_FALSE(changed.isEmpty());

    ApplySetting(Price, QStringLiteral("2.5"), "0", "9999", true);
    EXPECT_EQ(Table()[3].Price, 2.5);
    EXPECT_EQ(Table()[2].Price, 3.0);
    EXPECT_EQ(Table()[9999].Price, 2.5);

    // A To pasted beyond the table is taken to its end, a minus From to 0.
    ApplySetting(NetPrice, QStringLiteral("4"), "-5", "99999");
    EXPECT_EQ(Table()[0].NetPrice, 4.0);
    EXPECT_EQ(Table()[9999].NetPrice, 4.0);
    EXPECT_EQ(Window().findChild<QLineEdit*>(QStringLiteral("Cost"))->text(), QStringLiteral("4.00"));

    // A value beyond the field's limit used to be cut to the limit as it was
    // typed, and OK then priced the range at 999999.99: it is kept, marked,
    // and refused.
    On<QComboBox>("FieldComboBox")->setCurrentIndex(Price);
    QLineEdit* value = On<QComboBox>("ValueComboBox")->lineEdit();
    value->clear();
    QTest::keyClicks(value, QStringLiteral("1234567"));
    EXPECT_EQ(value->text(), QStringLiteral("1234567"));
    EXPECT_TRUE(LimitMark::IsSet(value));
    EXPECT_EQ(value->toolTip(),
              QStringLiteral(
                  "1234567 is above the largest value 999999.99: OK changes no PLU until it is corrected."));
    boxes.clear();
    On<QPushButton>("OKButton")->click();
    EXPECT_EQ(LastBox(), QStringLiteral("1234567 is above the largest value 999999.99: no PLU was changed."));
    EXPECT_EQ(Table()[3].Price, 2.5);
    QTest::keyClick(value, Qt::Key_Backspace);
    EXPECT_FALSE(LimitMark::IsSet(value));

    // A price of 0 used to change nothing without a word.
    Item("MnSerbian")->trigger();
    boxes.clear();
    ApplySetting(Price, QStringLiteral("0"), "1", "3");
    EXPECT_EQ(LastBox(), QString::fromUtf8("Cena 0 se ne postavlja: kasa ne može da prodaje PLU sa cenom 0. "
                                           "Unesite cenu veću od 0; nijedan PLU nije promenjen."));
    EXPECT_EQ(Table()[3].Price, 2.5);
}

TEST_F(DataFormTest, UnitChangeThatWouldOverflowNamesThePlusAndKeepsThem) {
    Open();
    Table()[20].Stock = 100000;
    Table()[22].Stock = 250000;
    ApplySetting(Unit, QStringLiteral("kg"), "20", "23");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(LastBox().contains(QStringLiteral("20, 22"))) << LastBox().toStdString();
    EXPECT_EQ(Table()[20].Unit, 0);
    EXPECT_EQ(Table()[20].Stock, 100000u);
    EXPECT_EQ(Table()[21].Unit, 2);
    EXPECT_EQ(Table()[21].Stock, 21000u);
}

TEST_F(DataFormTest, InitialiseAndDeactivateAskWithTheCountAndNoLeavesAll) {
    Open();
    const PluTable before = Table();
    answer = QMessageBox::No;
    ApplySetting(Initialise, {}, "0", "99", true);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Default, QMessageBox::No);
    EXPECT_EQ(boxes[0].Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(boxes[0].Text.startsWith(QStringLiteral("Initialise 34 PLU(s) from 0 to 99?")))
        << boxes[0].Text.toStdString();
    EXPECT_TRUE(std::ranges::equal(Table().Bytes(), before.Bytes()));

    answer = QMessageBox::Yes;
    ApplySetting(Deactivate, {}, "10", "19");
    EXPECT_TRUE(boxes.back().Text.startsWith(QStringLiteral("Deactivate 10 PLU(s) from 10 to 19?")));
    for (int n = 10; n <= 19; ++n)
        EXPECT_EQ(Table()[n].Flags & (FlagActive | FlagDepartmentMask), 0) << n;
    EXPECT_TRUE(Table()[9].Flags & FlagActive);

    ApplySetting(Initialise, {}, "0", "8", true);
    EXPECT_TRUE(boxes.back().Text.startsWith(QStringLiteral("Initialise 3 PLU(s)")));
    EXPECT_EQ(Data().GridModel()->index(6, 1).data().toString(), QStringLiteral("COD    6"));
    EXPECT_EQ(Table()[7].DescriptionText(), QByteArray("MILK")); // inactive: untouched

    // A refused value says so and changes nothing.
    const PluTable kept = Table();
    ApplySetting(Stock, QStringLiteral("-3"), "0", "9999");
    EXPECT_TRUE(LastBox().contains(QStringLiteral("below zero")));
    EXPECT_TRUE(std::ranges::equal(Table().Bytes(), kept.Bytes()));
}

TEST_F(DataFormTest, SettingsReachPludbDatThroughTheCloseQuery) {
    Open();
    ApplySetting(Department, QStringLiteral("4"), "100", "199");
    ApplySetting(Stock, QStringLiteral("12"), "100", "199");
    On<QPushButton>("DataClose")->click();
    EXPECT_FALSE(Data().isVisible());
    EXPECT_TRUE(Window().FormCloseQuery());
    EXPECT_TRUE(FileHoldsTheTable());
    QFile file(QDir(workDir.path()).filePath(QStringLiteral("pludb.dat")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(file.seek(150 * 128));
    PluRecord stored;
    ASSERT_EQ(file.read(reinterpret_cast<char*>(&stored), sizeof stored), qint64(sizeof stored));
    EXPECT_EQ(stored.Flags, FlagActive | FlagStockProgrammed | 4);
    EXPECT_EQ(stored.Stock, 12u);
}

TEST_F(DataFormTest, CharsetPopupRedrawsStoredTexts) {
    Open();
    Table()[30].SetDescription("\xC8\xC0");
    auto* popup = Data().findChild<QMenu*>(QStringLiteral("LangPopupMenu"));
    ASSERT_NE(popup, nullptr);
    const auto item = [&](const char* name) { return popup->findChild<QAction*>(QString::fromLatin1(name)); };
    EXPECT_TRUE(item("MnCyrilic")->isChecked());
    EXPECT_EQ(Data().GridModel()->index(30, 1).data().toString(), QStringLiteral("ИА"));
    item("MnLatin")->trigger();
    EXPECT_EQ(Data().GridModel()->index(30, 1).data().toString(), QStringLiteral("ČŔ"));
    EXPECT_FALSE(item("MnCyrilic")->isChecked());
    item("MnCRAsciiletters")->trigger();
    EXPECT_EQ(Data().Grid()->font().family(), QStringLiteral("OrvexChars"));
    EXPECT_EQ(Data().GridModel()->index(30, 1).data().toString(), QString::fromLatin1("\xC8\xC0"));
}

TEST_F(DataFormTest, SettingsPanelAndValueBoxFollowTheField) {
    Open();
    auto* show = On<QPushButton>("ShowSets");
    show->click();
    EXPECT_TRUE(On<QFrame>("SetsPanel")->isVisible());
    EXPECT_EQ(show->text(), QStringLiteral("Hide PLU settings"));
    auto* field = On<QComboBox>("FieldComboBox");
    auto* value = On<QComboBox>("ValueComboBox");
    EXPECT_EQ(field->count(), 7);
    field->setCurrentIndex(Unit);
    EXPECT_FALSE(value->isEditable());
    EXPECT_EQ(value->count(), 8);
    EXPECT_EQ(value->itemText(2), QStringLiteral("kg"));
    field->setCurrentIndex(Deactivate);
    EXPECT_FALSE(value->isVisible());
    EXPECT_FALSE(On<QLabel>("ValueLabel")->isEnabled());
    field->setCurrentIndex(Stock);
    EXPECT_TRUE(value->isEditable());
    EXPECT_TRUE(value->isVisible());
    Item("MnSerbian")->trigger();
    EXPECT_EQ(show->text(), QStringLiteral("Sakrij setovanje PLU baze"));
    EXPECT_EQ(field->itemText(6), QStringLiteral("Inicijalizacija"));
    show->click();
    EXPECT_EQ(show->text(), QStringLiteral("Prikaži setovanje PLU baze"));
}

} // namespace

namespace {

// A simulated register at full speed on COM1, and the PLU page showing the range 30 to 50.
PluPage* ReadRangeFromSimulator(InProcessRegister& simulator, TUserForm& window) {
    const QString device = simulator.Start();
    EXPECT_FALSE(device.isEmpty()) << simulator.ErrorString().toStdString();
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    PluPage* page = window.ProgSheet();
    window.ShowPage(page);
    window.findChild<QLineEdit*>(QStringLiteral("FromNPlu"))->setText(QStringLiteral("30"));
    window.findChild<QLineEdit*>(QStringLiteral("ToNPlu"))->setText(QStringLiteral("50"));
    return page;
}

SimOptions FullSpeed() {
    SimOptions options;
    options.Speed = 0;
    return options;
}

// A range read from the simulated register, then the window: the grid shows
// what came from the register, refilled once when the window opens.
TEST_F(DataFormTest, RangeReadFromTheSimulatedRegisterShowsInTheGrid) {
    InProcessRegister simulator{FullSpeed()};
    PluPage* page = ReadRangeFromSimulator(simulator, Window());
    simulator.WithModel([](RegisterModel& model) {
        SimPlu plu = model.Plu(40);
        const QByteArray name("SIMPLU");
        std::ranges::fill(plu.Description, 0);
        std::copy(name.begin(), name.end(), plu.Description.begin());
        plu.Price = 12345;
        plu.Flags = SimPlu::FlagActive | 3;
        model.SetPlu(40, plu);
    });
    QSignalSpy stale(&forms->Session(), &RegisterSession::TableStale);
    page->ReadAllClick();
    ASSERT_TRUE(WaitUntil([&] { return !forms->Session().Transfer().IsRunning(); }, 20000));
    EXPECT_FALSE(stale.isEmpty());
    EXPECT_TRUE(Data().GridStale());
    Open();
    EXPECT_FALSE(Data().GridStale());
    const PluTableModel& model = *Data().GridModel();
    EXPECT_EQ(model.index(40, 1).data().toString(), QStringLiteral("SIMPLU"));
    EXPECT_EQ(model.index(40, 3).data().toString(), QStringLiteral("123.45"));
    EXPECT_EQ(model.index(40, 5).data().toString(), QStringLiteral("3"));
    EXPECT_EQ(model.index(51, 1).data().toString(), QStringLiteral("COD   51"));
    Dispatcher().Disconnect();
}

// A range read shows its count in the status form beside the window, and
// Escape (or Cancel) on the form stops the read where it is.
TEST_F(DataFormTest, RangeReadShowsItsCountInTheStatusFormWhichCancelsIt) {
    InProcessRegister simulator{FullSpeed()};
    PluPage* page = ReadRangeFromSimulator(simulator, Window());
    TDLForm& status = forms->DLForm();
    PluTransfer& transfer = forms->Session().Transfer();
    EXPECT_FALSE(status.isVisible());

    std::vector<QString> counts;
    bool shownThroughout = true;
    {
        QObject watch;
        QObject::connect(&transfer, &PluTransfer::Progress, &watch, [&](int, int, qint64) {
            shownThroughout = shownThroughout && status.isVisible();
            counts.push_back(status.CountText());
        });
        page->ReadAllClick();
    }
    EXPECT_TRUE(shownThroughout);
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.front(), QStringLiteral("0 / 21"));
    EXPECT_EQ(counts.back(), QStringLiteral("21 / 21"));
    EXPECT_EQ(transfer.Transferred(), 21);
    EXPECT_FALSE(status.isVisible());

    {
        QObject watch;
        QObject::connect(&transfer, &PluTransfer::Progress, &watch, [&](int done, int, qint64) {
            // The key arrives while the next PLU is awaited, as a user's would.
            if (done == 5)
                QTimer::singleShot(0, &status, [&status] { QTest::keyClick(&status, Qt::Key_Escape); });
        });
        page->ReadAllClick();
    }
    EXPECT_GE(transfer.Transferred(), 5);
    EXPECT_LT(transfer.Transferred(), 21);
    EXPECT_FALSE(status.isVisible());
    Dispatcher().Disconnect();
}

} // namespace
