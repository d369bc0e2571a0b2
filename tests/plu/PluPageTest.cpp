#include "../shell/ShellFixture.h"

#include "monitor/MonitorPage.h"
#include "plu/PluMessages.h"
#include "plu/PluPage.h"
#include "protocol/RegisterCharset.h"
#include "support/ScriptedPeer.h"

#include <QComboBox>
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

TEST_F(PluPageTest, StockIsCappedByTheUnit) {
    Page()->ShowTableRecord(1);
    QTest::mouseClick(Control<QRadioButton>("ProgStock"), Qt::LeftButton);
    auto* units = Control<QComboBox>("Flags2Combo");
    units->setCurrentIndex(2); // kg
    Retype("Stock", "123456");
    EXPECT_EQ(Edit("Stock")->text(), QStringLiteral("99999.999"));
    units->setCurrentIndex(0); // item
    Retype("Stock", "123456");
    EXPECT_EQ(Edit("Stock")->text(), QStringLiteral("123456"));
    Retype("Price", "1234567");
    EXPECT_EQ(Edit("Price")->text(), QStringLiteral("999999.99"));
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
    TRS232Form& rs232 = forms->RS232Form();
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
    EXPECT_EQ(boxes[0].Icon, QMessageBox::Warning);

    answer = QMessageBox::Yes;
    QTest::mouseClick(Control<QPushButton>("PLUReport"), Qt::LeftButton);
    const auto frame = peer.NextFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(Hex(*frame), Hex(Bytes("6E 0A 00 2C 01")));
}

TEST_F(PluPageTest, WriteScopeMarksWhatWillBeWritten) {
    Item("Mnv250")->trigger();
    auto* stockPanel = Control<QFrame>("StockPanel");
    auto* constsPanel = Control<QFrame>("PLUConstsPanel");
    const QColor before = constsPanel->palette().color(QPalette::Window);
    QTest::mouseClick(Control<QRadioButton>("AllPLUData"), Qt::LeftButton);
    EXPECT_EQ(Page()->WriteScope(), 2);
    EXPECT_EQ(stockPanel->palette().color(QPalette::Window), QColor(0, 255, 0));
    EXPECT_EQ(constsPanel->palette().color(QPalette::Window), QColor(0, 255, 0));
    auto* timer = Page()->findChild<QTimer*>(QStringLiteral("ColorTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(
        WaitUntil([&] { return constsPanel->palette().color(QPalette::Window) != QColor(0, 255, 0); }, 3000));
    EXPECT_NE(before, QColor(0, 255, 0));
}

TEST_F(PluPageTest, ShowDbShowsTheDatabaseWindow) {
    Control<QToolButton>("ShowDB")->click();
    EXPECT_TRUE(forms->DataForm().isVisible());
    forms->DataForm().hide();
}

} // namespace
