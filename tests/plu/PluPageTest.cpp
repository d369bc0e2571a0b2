#include "../shell/ShellFixture.h"

#include "monitor/MonitorPage.h"
#include "plu/PluMessages.h"
#include "plu/PluPage.h"
#include "protocol/RegisterCharset.h"
#include "support/ScriptedPeer.h"
#include "toolkit/LimitMark.h"

#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

using Payload = ScriptedPeer::Payload;

Payload RecordReply(int n) {
    Payload p(PluRecordReplySize, 0);
    p[0] = PluReadCode;
    p[1] = uint8_t(n & 0xFF);
    p[2] = uint8_t(n >> 8);
    p[3] = 'R';
    p[18] = 0x99; // 0.99
    p[19] = 0x42;
    return p;
}

// The PLU page of the program, with a scripted register on COM1.
class PluPageTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(peer.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, peer.DevicePath());
        peer.SetResponder(
            [](const Payload& got) { return std::vector<Payload>{RecordReply(got[1] + 256 * got[2])}; });
        Shell().RegisterCharset = RegisterCharsets::Default;
        Window().ShowPage(Page());
    }

    [[nodiscard]] PluPage* Page() const { return Window().ProgSheet(); }
    [[nodiscard]] PluTable& Table() const { return forms->DataForm().Table(); }
    QLineEdit* Edit(const char* name) const { return Control<QLineEdit>(name); }
    void Type(const char* field, const QString& text) {
        QWidget* target = std::string_view(field) == "Department"
                              ? Control<QComboBox>("Department")->lineEdit()
                              : static_cast<QWidget*>(Edit(field));
        QTest::keyClicks(target, text);
    }
    void Retype(const char* field, const QString& text) {
        Edit(field)->clear();
        Type(field, text);
    }
    [[nodiscard]] bool Checked(const char* name) const { return Control<QRadioButton>(name)->isChecked(); }

    ScriptedPeer peer;
};

TEST_F(PluPageTest, TypingANumberShowsItsEntryAndEmptyingItClearsThePage) {
    Table()[12].SetDescription("MILK");
    Table()[12].Price = 1.5;
    Table()[12].Flags = 0xC3;
    Table()[12].Stock = 40;
    Edit("PLUNum")->clear();
    Type("PLUNum", "12");
    EXPECT_EQ(Edit("Description")->text(), QStringLiteral("MILK"));
    EXPECT_EQ(Edit("Price")->text(), QStringLiteral("1.50"));
    EXPECT_EQ(Control<QComboBox>("Department")->currentText(), QStringLiteral("3"));
    EXPECT_TRUE(Checked("Active"));
    EXPECT_TRUE(Checked("ProgStock"));
    EXPECT_FALSE(Edit("Stock")->isReadOnly());
    EXPECT_EQ(Edit("Stock")->text(), QStringLiteral("40"));

    Type("PLUNum", "345");
    EXPECT_EQ(Edit("PLUNum")->text(), QStringLiteral("1234")) << "four characters at most";
    Edit("PLUNum")->selectAll();
    QTest::keyClick(Edit("PLUNum"), Qt::Key_Backspace);
    EXPECT_TRUE(Edit("Description")->text().isEmpty());
    for (const char* button : {"PutPLU", "ReadOneBtn", "WriteOnECR"})
        EXPECT_FALSE(Control<QPushButton>(button)->isEnabled()) << button;
    EXPECT_FALSE(Checked("Active") || Checked("Inactive") || Checked("ProgStock") || Checked("UnProgStock"));
    Type("PLUNum", "a");
    EXPECT_TRUE(Edit("PLUNum")->text().isEmpty()) << "letters are refused";
}

TEST_F(PluPageTest, ActiveStateFollowsTheDepartment) {
    Table()[4].Flags = 0x40; // active without a department
    Page()->ShowTableRecord(4);
    EXPECT_TRUE(Checked("Inactive"));
    EXPECT_TRUE(Control<QComboBox>("Department")->currentText().isEmpty());

    Type("Department", "0");
    EXPECT_TRUE(Control<QComboBox>("Department")->currentText().isEmpty()) << "0 is no department";
    Type("Department", "3");
    EXPECT_TRUE(Checked("Active"));
    QTest::mouseClick(Control<QRadioButton>("Inactive"), Qt::LeftButton);
    EXPECT_TRUE(Control<QComboBox>("Department")->currentText().isEmpty());
    QTest::mouseClick(Control<QRadioButton>("Active"), Qt::LeftButton);
    EXPECT_TRUE(Checked("Inactive")) << "no department, no active PLU";
}

// Values above their limits used to be cut to the limit at the key release
// and stored and written so; they are kept as typed, marked with the limit,
// and neither Write on PC nor Write on ECR takes the page while one stands.
TEST_F(PluPageTest, AValueAboveItsUnitsLimitIsKeptMarkedAndNotStoredOrWritten) {
    Item("MnEnglish")->trigger();
    Table()[1].Price = 3.0;
    Page()->ShowTableRecord(1);
    Edit("PLUNum")->setText(QStringLiteral("1"));
    QTest::mouseClick(Control<QRadioButton>("ProgStock"), Qt::LeftButton);
    auto* units = Control<QComboBox>("Flags2Combo");
    units->setCurrentIndex(2); // kg
    Retype("Stock", "123456");
    EXPECT_EQ(Edit("Stock")->text(), QStringLiteral("123456"));
    EXPECT_TRUE(LimitMark::IsSet(Edit("Stock")));
    EXPECT_EQ(Edit("Stock")->toolTip(),
              QStringLiteral("Stock: 123456 is above the limit 99999.999. The PLU is "
                             "not stored or written until it is corrected."));
    units->setCurrentIndex(0); // item: 123456 pieces are allowed
    EXPECT_FALSE(LimitMark::IsSet(Edit("Stock")));
    units->setCurrentIndex(2);
    EXPECT_TRUE(LimitMark::IsSet(Edit("Stock")));
    Retype("Price", "1234567");
    EXPECT_EQ(Edit("Price")->text(), QStringLiteral("1234567"));
    EXPECT_TRUE(
        Edit("Price")->toolTip().startsWith(QStringLiteral("Price: 1234567 is above the limit 999999.99.")));

    Item("Mnv250")->trigger();
    QTest::mouseClick(Control<QRadioButton>("AllPLUData"), Qt::LeftButton);
    for (const char* action : {"ShortWritePC", "ShortWriteECR"}) {
        SCOPED_TRACE(action);
        boxes.clear();
        Item(action)->trigger();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].Text.startsWith(QStringLiteral("Price: 1234567 is above the limit")));
    }
    EXPECT_DOUBLE_EQ(Table()[1].Price, 3.0);
    EXPECT_EQ(Table()[1].Stock, 0u);
    EXPECT_TRUE(peer.QuietFor(100)) << "nothing goes to the register";
    // Stock only: the price is not taken, the stock still is refused.
    QTest::mouseClick(Control<QRadioButton>("StockOnly"), Qt::LeftButton);
    boxes.clear();
    Item("ShortWritePC")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].Text.startsWith(QStringLiteral("Stock: 123456")));
    // Corrected, it is stored; a record shown clears the marks.
    Retype("Stock", "12.5");
    EXPECT_FALSE(LimitMark::IsSet(Edit("Stock")));
    Item("ShortWritePC")->trigger();
    EXPECT_EQ(Table()[1].Stock, 12500u);
    Page()->ShowTableRecord(1);
    EXPECT_FALSE(LimitMark::IsSet(Edit("Price")));
    Item("MnSerbian")->trigger();
    Retype("Price", "1234567");
    EXPECT_TRUE(Edit("Price")->toolTip().startsWith(QString::fromUtf8("Cena: 1234567 je iznad granice")));
    QTest::mouseClick(Control<QRadioButton>("UnProgStock"), Qt::LeftButton);
    EXPECT_TRUE(Edit("Stock")->text().isEmpty());
    EXPECT_TRUE(Edit("Stock")->isReadOnly());
}

TEST_F(PluPageTest, WriteOnPcStoresThePageByTheWriteScope) {
    Table()[8].NetPrice = 9.0;
    Page()->ShowTableRecord(8);
    Edit("PLUNum")->setText(QStringLiteral("8"));
    Edit("Description")->clear();
    Type("Department", "2");
    Retype("Price", "2.5");
    Retype("Cost", "1.25");
    Type("Description2", "two");
    Control<QComboBox>("Flags2Combo")->setCurrentIndex(2);
    QTest::mouseClick(Control<QRadioButton>("ProgStock"), Qt::LeftButton);
    Retype("Stock", "1.5");
    Type("Barcode", "385");
    Item("ShortWritePC")->trigger(); // F7

    const PluRecord& entry = Table()[8];
    EXPECT_EQ(entry.DescriptionText(), DefaultDescription(8)) << "an empty description gets the default name";
    EXPECT_EQ(entry.Description2Text(), "two");
    EXPECT_DOUBLE_EQ(entry.Price, 2.5);
    EXPECT_DOUBLE_EQ(entry.NetPrice, 1.25);
    EXPECT_EQ(entry.Flags, 0x80 | 0x40 | 0x10 | 2);
    EXPECT_EQ(entry.Unit, 2);
    EXPECT_EQ(entry.BarcodeText(), "385");
    EXPECT_EQ(entry.Stock, 0u) << "constant fields only";
    EXPECT_TRUE(Shell().DatabaseChanged);
    EXPECT_TRUE(peer.QuietFor(50)) << "nothing goes to the register";

    // Stock only: the stock changes and nothing else.
    Item("Mnv250")->trigger();
    QTest::mouseClick(Control<QRadioButton>("StockOnly"), Qt::LeftButton);
    EXPECT_EQ(Page()->WriteScope(), 0);
    Retype("Price", "7");
    Page()->PutPLUClick();
    EXPECT_EQ(entry.Stock, 1500u);
    EXPECT_DOUBLE_EQ(entry.Price, 2.5);
}

TEST_F(PluPageTest, ANumberFieldThatIsNoNumberStopsTheStoreWithTheConversionError) {
    Page()->ShowTableRecord(3);
    Edit("PLUNum")->setText(QStringLiteral("3"));
    Type("Price", "1,2,3");
    Page()->PutPLUClick();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, QStringLiteral("Orvex Commander"));
    EXPECT_TRUE(boxes[0].Text.contains(QStringLiteral("1,2,3")));
}

TEST_F(PluPageTest, AWeighingBarcodeKeepsOnlyItsHeaderAndCode) {
    Page()->ShowTableRecord(2);
    Type("Barcode", "21123456");
    EXPECT_EQ(Edit("Barcode")->text(), QStringLiteral("2112345"));
    QTest::keyClick(Edit("Barcode"), Qt::Key_Backspace);
    EXPECT_EQ(Edit("Barcode")->text(), QStringLiteral("211234"));
    Type("Barcode", "\\5");
    EXPECT_EQ(Edit("Barcode")->text(), QStringLiteral("2112345")) << "a backslash is refused, a digit not";
}

TEST_F(PluPageTest, UniquenessCheckKeepsTheOldBarcodeAndNamesTheOwner) {
    Table()[5].SetBarcode("385000");
    Table()[9].SetBarcode("111");
    Item("BarcMnOn")->trigger();
    Page()->ShowTableRecord(9);
    Edit("PLUNum")->setText(QStringLiteral("9"));
    Edit("Barcode")->setText(QStringLiteral("385000"));
    Retype("Description", "bread");
    Page()->PutPLUClick();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("This barcode already exists, PLU Code: 5"));
    EXPECT_EQ(Table()[9].BarcodeText(), "111");
    EXPECT_EQ(Table()[9].DescriptionText(), "BREAD") << "typed in capitals; the other fields are stored";

    Item("BarcMnOff")->trigger();
    Page()->PutPLUClick();
    EXPECT_EQ(Table()[9].BarcodeText(), "385000");
}

TEST_F(PluPageTest, BarcodeLabelTogglesTheScannerMode) {
    auto* label = Control<QLabel>("BarcodeLabel");
    TRS232Form& rs232 = forms->Session().RS232();
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_TRUE(rs232.BarcodeEntry());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
    emit rs232.BarcodeLine("3850001");
    EXPECT_EQ(Edit("Barcode")->text(), QStringLiteral("3850001"));
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_FALSE(rs232.BarcodeEntry());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("BARCODE ENTRY MODE!"));
    EXPECT_EQ(boxes[1].Text, QStringLiteral("END OF BARCODE ENTRY MODE!"));
}

TEST_F(PluPageTest, F8WithAnEmptyNumberDoesNothingAndF9ReadsPluZero) {
    Edit("PLUNum")->clear();
    Item("ShortWriteECR")->trigger();
    EXPECT_TRUE(peer.QuietFor(100));
    EXPECT_FALSE(Shell().DatabaseChanged);

    Item("ShortReadECR")->trigger();
    ASSERT_EQ(peer.Received().size(), 1u);
    EXPECT_EQ(Hex(peer.Received()[0]), Hex(Bytes("5B 00 00")));
    EXPECT_EQ(Table()[0].DescriptionText(), "R");
    EXPECT_EQ(Edit("Description")->text(), QStringLiteral("R")) << "the received record is shown";
    EXPECT_EQ(Edit("Price")->text(), QStringLiteral("0.99"));
}

TEST_F(PluPageTest, FunctionKeysActOnlyOnThePluPage) {
    Window().ShowPage(Window().MonitorSheet());
    Item("ShortReadECR")->trigger();
    EXPECT_TRUE(peer.QuietFor(100));
}

TEST_F(PluPageTest, WriteOnEcrSendsThePageAndShowsTheRegistersVersion) {
    Page()->ShowTableRecord(6);
    Edit("PLUNum")->setText(QStringLiteral("6"));
    Retype("Description", "TEA");
    Page()->WriteOnECRClick();
    ASSERT_EQ(peer.Received().size(), 1u);
    EXPECT_EQ(Hex(Payload(peer.Received()[0].begin(), peer.Received()[0].begin() + 6)),
              Hex(Bytes("5C 06 00 54 45 41")));
    EXPECT_EQ(Table()[6].DescriptionText(), "R");
}

TEST_F(PluPageTest, ARangeReadSwapsItsButtonsAndShowsProgressWhileItRuns) {
    Edit("FromNPlu")->setText(QStringLiteral("10"));
    Edit("ToNPlu")->setText(QStringLiteral("19"));
    bool cancelShown = false;
    bool readAllHidden = false;
    bool putDisabled = false;
    QString progress;
    peer.SetResponder([&](const Payload& got) {
        const int n = got[1] + 256 * got[2];
        if (n == 15) {
            cancelShown = Control<QPushButton>("CancelRead")->isVisibleTo(Page());
            readAllHidden = !Control<QPushButton>("ReadAll")->isVisibleTo(Page());
            putDisabled = !Control<QPushButton>("PutPLU")->isEnabled();
            progress = Control<QLabel>("TransferProgress")->text();
            QTimer::singleShot(0, Control<QPushButton>("CancelRead"), &QPushButton::click);
        }
        return std::vector<Payload>{RecordReply(n)};
    });
    QTest::mouseClick(Control<QPushButton>("ReadAll"), Qt::LeftButton);

    EXPECT_TRUE(cancelShown);
    EXPECT_TRUE(readAllHidden);
    EXPECT_TRUE(putDisabled);
    EXPECT_TRUE(progress.startsWith(QStringLiteral("5 od 10"))) << progress.toStdString();
    EXPECT_LE(peer.Received().size(), 7u) << "cancel ends the range";
    EXPECT_FALSE(Control<QPushButton>("CancelRead")->isVisibleTo(Page()));
    EXPECT_TRUE(Control<QPushButton>("ReadAll")->isVisibleTo(Page()));
    EXPECT_TRUE(Control<QPushButton>("PutPLU")->isEnabled());
    EXPECT_FALSE(Control<QFrame>("StatusPanel")->isVisibleTo(Page()));
}

TEST_F(PluPageTest, RangeFieldsKeepFromNotAboveTo) {
    auto* from = Edit("FromNPlu");
    auto* to = Edit("ToNPlu");
    from->clear();
    to->clear();
    Type("ToNPlu", "20");
    Type("FromNPlu", "30");
    QFocusEvent focusOut(QEvent::FocusOut);
    QApplication::sendEvent(from, &focusOut);
    EXPECT_EQ(from->text(), QStringLiteral("20"));
    to->setText(QStringLiteral("5"));
    QApplication::sendEvent(to, &focusOut);
    EXPECT_EQ(to->text(), QStringLiteral("20"));
}

TEST_F(PluPageTest, PluReportAsksFirstAndSendsTheRange) {
    Edit("FromNPlu")->setText(QStringLiteral("10"));
    Edit("ToNPlu")->setText(QStringLiteral("300"));
    answer = QMessageBox::No;
    QTest::mouseClick(Control<QPushButton>("PLUReport"), Qt::LeftButton);
    EXPECT_TRUE(peer.QuietFor(100));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, QStringLiteral("Orvex Warning!"));
    EXPECT_EQ(boxes[0].Text, QStringLiteral("This operation prints all available PLUs in the cash "
                                            "register.\nDo you want to continue?"));
    EXPECT_EQ(boxes[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(boxes[0].Buttons, QMessageBox::Yes | QMessageBox::No);

    answer = QMessageBox::Yes;
    QTest::mouseClick(Control<QPushButton>("PLUReport"), Qt::LeftButton);
    const auto frame = peer.NextFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(Hex(*frame), Hex(Bytes("6E 0A 00 2C 01")));
}

struct ScopeColourRow {
    const char* Name;
    const char* Button;
    int Scope;
    bool StockGreen;
    bool ConstantsGreen;
};

class PluPageScopeTest : public PluPageTest, public ::testing::WithParamInterface<ScopeColourRow> {};

TEST_P(PluPageScopeTest, WriteScopeMarksWhatWillBeWrittenAndNothingElse) {
    const ScopeColourRow& row = GetParam();
    Item("Mnv250")->trigger();
    auto* stockPanel = Control<QFrame>("StockPanel");
    auto* constsPanel = Control<QFrame>("PLUConstsPanel");
    const QColor lime(0, 255, 0);
    auto* timer = Page()->findChild<QTimer*>(QStringLiteral("ColorTimer"));
    ASSERT_NE(timer, nullptr);
    // The first click of the run: neither panel has been painted before.
    QTest::mouseClick(Control<QRadioButton>(row.Button), Qt::LeftButton);
    EXPECT_EQ(Page()->WriteScope(), row.Scope);
    EXPECT_EQ(stockPanel->palette().color(QPalette::Window) == lime, row.StockGreen);
    EXPECT_EQ(constsPanel->palette().color(QPalette::Window) == lime, row.ConstantsGreen);
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(WaitUntil(
        [&] {
            return constsPanel->palette().color(QPalette::Window) != lime &&
                   stockPanel->palette().color(QPalette::Window) != lime;
        },
        3000));
    EXPECT_TRUE(timer->isActive()) << "the timer runs on";
}

INSTANTIATE_TEST_SUITE_P(Scopes, PluPageScopeTest,
                         ::testing::Values(ScopeColourRow{"StockOnly", "StockOnly", 0, true, false},
                                           ScopeColourRow{"ConstantFields", "ConstantFields", 1, false, true},
                                           ScopeColourRow{"Both", "AllPLUData", 2, true, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PluPageStartTest, StockIsReadOnlyAndGreyAndTheBarcodeLabelBlackAtStart) {
    PluPage page;
    auto* stock = page.findChild<QLineEdit*>(QStringLiteral("Stock"));
    ASSERT_NE(stock, nullptr);
    EXPECT_TRUE(stock->isReadOnly());
    EXPECT_EQ(stock->palette().color(QPalette::Base), QColor(Qt::lightGray));
    auto* label = page.findChild<QLabel*>(QStringLiteral("BarcodeLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_FALSE(page.BarcodeEntryMode());
    EXPECT_EQ(page.WriteScope(), 1);
}

struct PasteRow {
    const char* Name;
    const char* Field;
    int Charset;
    const char* Before;
    const char* Pasted;
    const char* After;
};

class PluPagePasteTest : public PluPageTest, public ::testing::WithParamInterface<PasteRow> {};

// Pasted text meets the same rules as typed text: what no key could have put
// into the field does not get in by the clipboard either.
TEST_P(PluPagePasteTest, PastedTextMeetsTheFieldsKeyRules) {
    const PasteRow& row = GetParam();
    Shell().RegisterCharset = row.Charset;
    QLineEdit* field = std::string_view(row.Field) == "Department"
                           ? Control<QComboBox>("Department")->lineEdit()
                           : Edit(row.Field);
    field->setText(QString::fromUtf8(row.Before));
    field->setFocus();
    field->end(false);
    QApplication::clipboard()->setText(QString::fromUtf8(row.Pasted));
    field->paste();
    EXPECT_EQ(field->text(), QString::fromUtf8(row.After));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PluPagePasteTest,
    ::testing::Values(
        PasteRow{"DescriptionPlain", "Description", RegisterCharsets::Default, "", "MILK 2", "MILK 2"},
        PasteRow{"DescriptionNoRegisterForm", "Description", RegisterCharsets::Default, "", "MILK~", ""},
        PasteRow{"DescriptionOldTextStaysEditable", "Description", RegisterCharsets::Default, "A~", "B",
                 "A~B"},
        PasteRow{"Description2CodePage", "Description2", RegisterCharsets::Cyrillic, "", "чај", "чај"},
        PasteRow{"Description2NotInCodePage", "Description2", RegisterCharsets::Cyrillic, "x", "Čaj", "x"},
        PasteRow{"PluNumberLetters", "PLUNum", RegisterCharsets::Default, "1", "ab", "1"},
        PasteRow{"PriceLetters", "Price", RegisterCharsets::Default, "", "abc", ""},
        PasteRow{"PriceAboveTheLimitIsKept", "Price", RegisterCharsets::Default, "", "12345678", "12345678"},
        PasteRow{"DepartmentZero", "Department", RegisterCharsets::Default, "", "0", ""},
        PasteRow{"DepartmentTwelve", "Department", RegisterCharsets::Default, "", "12", "12"},
        PasteRow{"DepartmentAboveFifteen", "Department", RegisterCharsets::Default, "1", "6", "1"},
        PasteRow{"BarcodeBackslash", "Barcode", RegisterCharsets::Default, "", "12\\3", ""},
        PasteRow{"BarcodeDigits", "Barcode", RegisterCharsets::Default, "", "3850001", "3850001"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PluPageTest, HiddenFieldsHoldTheRecordsCountsWithoutAnExponent) {
    Table()[3].Total = 12345678.9;
    Table()[3].Quantity = 1500;
    Table()[3].Flags = FlagDecimalQty;
    Table()[3].VarCheck = 7;
    Page()->ShowTableRecord(3);
    EXPECT_EQ(Edit("Total")->text(), QStringLiteral("12345678.9"));
    EXPECT_EQ(Edit("Quantity")->text(), QStringLiteral("1.500"));
    EXPECT_EQ(Edit("VarCheck")->text(), QStringLiteral("7"));
    EXPECT_EQ(Edit("ConstCheck")->text(), QStringLiteral("0"));
    EXPECT_FALSE(Edit("Total")->isVisibleTo(Page()));
}

TEST_F(PluPageTest, ARangeFromBelowZeroStartsAtPluZero) {
    Edit("FromNPlu")->setText(QStringLiteral("-2"));
    Edit("ToNPlu")->setText(QStringLiteral("1"));
    QTest::mouseClick(Control<QPushButton>("ReadAll"), Qt::LeftButton);
    std::vector<int> asked;
    for (const Payload& p : peer.Received())
        asked.push_back(p[1] + 256 * p[2]);
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));
    EXPECT_EQ(Table()[1].DescriptionText(), "R");
}

TEST_F(PluPageTest, ARangeReadShowsTheFreshEntryOfTheShownPlu) {
    Table()[11].SetDescription("OLD");
    Edit("PLUNum")->clear();
    Type("PLUNum", "11");
    ASSERT_EQ(Edit("Description")->text(), QStringLiteral("OLD"));
    Edit("FromNPlu")->setText(QStringLiteral("10"));
    Edit("ToNPlu")->setText(QStringLiteral("12"));
    QTest::mouseClick(Control<QPushButton>("ReadAll"), Qt::LeftButton);
    ASSERT_EQ(Table()[11].DescriptionText(), "R");
    EXPECT_EQ(Edit("Description")->text(), QStringLiteral("R"));
    EXPECT_EQ(Edit("Price")->text(), QStringLiteral("0.99"));
    // So a write on the PC keeps what was read.
    Page()->PutPLUClick();
    EXPECT_EQ(Table()[11].DescriptionText(), "R");
    EXPECT_DOUBLE_EQ(Table()[11].Price, 0.99);
}

TEST_F(PluPageTest, TypingAPluNumberDuringARangeTransferLeavesTheRecordButtonsOff) {
    Edit("FromNPlu")->setText(QStringLiteral("10"));
    Edit("ToNPlu")->setText(QStringLiteral("12"));
    bool enabledDuring = true;
    peer.SetResponder([&](const Payload& got) {
        const int n = got[1] + 256 * got[2];
        if (n == 11) {
            Edit("PLUNum")->clear();
            Type("PLUNum", "5");
            enabledDuring = Control<QPushButton>("PutPLU")->isEnabled() ||
                            Control<QPushButton>("ReadOneBtn")->isEnabled() ||
                            Control<QPushButton>("WriteOnECR")->isEnabled();
        }
        return std::vector<Payload>{RecordReply(n)};
    });
    QTest::mouseClick(Control<QPushButton>("ReadAll"), Qt::LeftButton);
    EXPECT_FALSE(enabledDuring);
    for (const char* button : {"PutPLU", "ReadOneBtn", "WriteOnECR"})
        EXPECT_TRUE(Control<QPushButton>(button)->isEnabled()) << button;
}

TEST_F(PluPageTest, AReadReplyIsShownUnderItsOwnNumber) {
    Table()[26].SetDescription("OTHER");
    Edit("PLUNum")->setText(QStringLiteral("25"));
    peer.SetResponder([&](const Payload& got) {
        // The user moves on to PLU 26 while 25 is awaited.
        Edit("PLUNum")->setText(QStringLiteral("26"));
        return std::vector<Payload>{RecordReply(got[1] + 256 * got[2])};
    });
    Item("ShortReadECR")->trigger();
    EXPECT_EQ(Edit("PLUNum")->text(), QStringLiteral("25"));
    EXPECT_EQ(Edit("Description")->text(), QStringLiteral("R"));
    Page()->PutPLUClick();
    EXPECT_EQ(Table()[26].DescriptionText(), "OTHER") << "PLU 25's record must not land in 26";
}

TEST_F(PluPageTest, ClosingTheWindowDuringARangeReadEndsItAtOnce) {
    peer.SetResponder([](const Payload&) { return std::vector<Payload>{}; });
    QTimer::singleShot(200, &Window(), [&] { EXPECT_TRUE(Window().FormCloseQuery()); });
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(Control<QPushButton>("ReadAll"), Qt::LeftButton);
    EXPECT_LT(clock.elapsed(), ReplyDispatcher::TransferTimeout) << "no further attempt after the close";
    EXPECT_EQ(peer.Received().size(), 1u);
    EXPECT_FALSE((&forms->Session().Transfer())->IsRunning());
    ASSERT_EQ(boxes.size(), 1u) << "no no-response warning on the way out";
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Prenos PLU nije završen: stigao je do PLU 0, preneto PLU: 0."));
    EXPECT_FALSE(Dispatcher().IsOpen());
    EXPECT_TRUE(peer.QuietFor(200));
}

TEST_F(PluPageTest, ShowDbShowsTheDatabaseWindow) {
    Control<QToolButton>("ShowDB")->click();
    EXPECT_TRUE(forms->DataForm().isVisible());
    forms->DataForm().hide();
}

} // namespace

// Navigation and editing keys are no typed characters: every filtered field
// lets Tab move on, and Home, Delete and the arrows edit as anywhere else.
TEST_F(PluPageTest, NavigationAndEditingKeysKeepTheirMeaningInEveryFilteredField) {
    Window().show();
    Window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
    Page()->ShowTableRecord(0);
    QLineEdit* department = Control<QComboBox>("Department")->lineEdit();
    for (QLineEdit* field : {Edit("PLUNum"), department, Edit("Price"), Edit("Cost"), Edit("Stock"),
                             Edit("Description"), Edit("Barcode"), Edit("FromNPlu"), Edit("ToNPlu")}) {
        const std::string name =
            field->objectName().toStdString() + (field == department ? "Department" : "");
        // Keys in PLUNum show other entries, which set the stock state again.
        if (field == Edit("Stock"))
            Control<QRadioButton>("ProgStock")->click();
        ASSERT_TRUE(field->isEnabled() && !field->isReadOnly()) << name;
        field->setText(field == department ? QStringLiteral("7") : QStringLiteral("123"));
        field->setFocus();
        ASSERT_TRUE(WaitUntil([&] { return field->hasFocus(); })) << name;
        QTest::keyClick(field, Qt::Key_Home);
        QTest::keyClick(field, Qt::Key_Delete);
        EXPECT_EQ(field->text(), field == department ? QString() : QStringLiteral("23")) << name;
        QTest::keyClick(field, Qt::Key_End);
        QTest::keyClick(field, Qt::Key_Left);
        QTest::keyClick(field, Qt::Key_Backspace);
        if (field != department) {
            EXPECT_EQ(field->text(), QStringLiteral("3")) << name;
        }
        QTest::keyClick(field, Qt::Key_Tab);
        EXPECT_FALSE(field->hasFocus()) << name << ": Tab leaves the field";
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_FALSE(field->hasFocus()) << name << ": Shift+Tab leaves the field";
    }
}

// What a newcomer types first: a plain description in Latin capitals and
// digits, or in Cyrillic, under the default Cyrillic charset.
TEST_F(PluPageTest, DescriptionTakesLettersDigitsAndCyrillicUnderTheCyrillicCharset) {
    Shell().RegisterCharset = RegisterCharsets::Cyrillic;
    for (const QString& typed :
         {QStringLiteral("mleko 1l"), QStringLiteral("COD   12"), QString::fromUtf8("млеко 1л")}) {
        Edit("Description")->clear();
        // Key by key with its text, as a keyboard with a Cyrillic layout sends it.
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, Edit("Description"), Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        EXPECT_EQ(Edit("Description")->text(), typed.toUpper());
    }
    Edit("Description")->clear();
    Type("Description", QStringLiteral("a~b"));
    EXPECT_EQ(Edit("Description")->text(), QStringLiteral("AB"))
        << "what the register cannot show is refused";
    Edit("Price")->setText(QStringLiteral("0.00"));
    Edit("Price")->setFocus();
    QTest::keyClick(Edit("Price"), Qt::Key_Home);
    QTest::keyClick(Edit("Price"), Qt::Key_Delete);
    EXPECT_EQ(Edit("Price")->text(), QStringLiteral(".00"));
}

// A department the list does not offer (10 to 15, from a file or the
// register) is shown whole and written back as it was.
TEST_F(PluPageTest, DepartmentsAboveNineAreShownAndKept) {
    Table()[5].Flags = FlagActive | 12;
    Table()[5].SetDescription("BREAD");
    Edit("PLUNum")->clear();
    Type("PLUNum", "5");
    EXPECT_EQ(Control<QComboBox>("Department")->currentText(), QStringLiteral("12"));
    EXPECT_TRUE(Checked("Active"));
    Item("ShortWritePC")->trigger(); // F7
    EXPECT_EQ(Table()[5].Department(), 12);
    EXPECT_EQ(Table()[5].Flags & FlagActive, FlagActive);
}

// One click of "Write all to ECR" would replace the register's programming of
// the whole range: it asks first, naming how many PLUs and which, No by
// default; only Yes sends.
TEST_F(PluPageTest, WriteAllAsksFirstWithTheCountAndTheRange) {
    Item("MnEnglish")->trigger();
    Edit("FromNPlu")->setText(QStringLiteral("3"));
    Edit("ToNPlu")->setText(QStringLiteral("7"));
    Table()[4].Flags = FlagActive | 1;
    Table()[6].Flags = FlagActive | 2;
    peer.SetResponder(
        [](const Payload& got) { return std::vector<Payload>{RecordReply(got[1] + 256 * got[2])}; });
    answer = QMessageBox::No;
    Control<QPushButton>("SerialProgStart")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Write 5 PLUs (PLU 3 to 7) from the PC to the register?\nThe "
                                            "register's programming of these PLUs will be replaced."));
    EXPECT_EQ(boxes[0].Default, QMessageBox::No);
    EXPECT_TRUE(peer.QuietFor(100)) << "No sends nothing";

    Control<QRadioButton>("WRActive")->click();
    answer = QMessageBox::Yes;
    Control<QPushButton>("SerialProgStart")->click();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].Text.startsWith(QStringLiteral("Write 2 PLUs (PLU 3 to 7)")))
        << "only the active ones";
    ASSERT_TRUE(WaitUntil([&] { return peer.Received().size() >= 2; }));
}
