#include "../shell/ShellFixture.h"

#include "barcodes/BarcodeTypeTable.h"
#include "header/HeaderPage.h"
#include "header/TMessageForm.h"
#include "sales/SaleConfirmation.h"
#include "sales/SalesPage.h"
#include "support/ScriptedPeer.h"
#include "toolkit/LimitMark.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

using Payload = ScriptedPeer::Payload;

// The fiscal printer page, the header page and the thanks editor with a
// scripted register on COM1 that answers nothing unless a test says so.
class SalesPageTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(peer.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, peer.DevicePath());
        Item("MnEnglish")->trigger();
        Item("Sales1")->trigger();
        forms->DataForm().Table()[7].SetDescription("MILK");
        forms->DataForm().Table()[40].SetBarcode("2112345");
        forms->DataForm().Table()[41].SetBarcode("21123450A7890");
        forms->Session().Barcodes().SetApplied(BarcodeTypeTable::Defaults());
    }
    QLineEdit* Edit(const char* name) const { return Control<QLineEdit>(name); }
    void Retype(const char* name, const QString& text) {
        Edit(name)->clear();
        QTest::keyClicks(Edit(name), text);
    }
    std::vector<Payload> Sent(int settleMs = 150) {
        (void)peer.QuietFor(settleMs);
        return peer.Received();
    }

    ScriptedPeer peer;
};

TEST_F(SalesPageTest, PluNumberFillsTheFieldsAndSaleSendsOnePieceThenEmpties) {
    EXPECT_FALSE(Control<QPushButton>("NormalSale")->isEnabled());
    Retype("SPLUCode", "7");
    EXPECT_EQ(Edit("SaleDescrEdit")->text(), "MILK");
    EXPECT_TRUE(Control<QPushButton>("NormalSale")->isEnabled());
    Edit("SPLUCode")->clear();
    EXPECT_FALSE(Control<QPushButton>("NormalSale")->isEnabled());
    QTest::keyClick(Edit("SPLUCode"), Qt::Key_Return);
    EXPECT_TRUE(Sent().empty());

    Retype("SPLUCode", "7");
    Item("ShortSale")->trigger();
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Hex(peer.Received()[0]), Hex(Bytes("3F 07 00 00 00 10 00 4E")));
    for (const char* name : {"SPLUCode", "SaleDescrEdit", "WgtPcs", "SalesBrcdLable"})
        EXPECT_TRUE(Edit(name)->text().isEmpty()) << name;

    Retype("SPLUCode", "7");
    Item("ShortCorrection")->trigger();
    ASSERT_EQ(Sent().size(), 2u);
    EXPECT_EQ(Hex(peer.Received()[1]), Hex(Bytes("3F 07 00 00 00 10 00 43")));
    EXPECT_EQ(Edit("SPLUCode")->text(), "7");
    QTest::keyClick(Edit("WgtPcs"), Qt::Key_Escape);
    ASSERT_EQ(Sent().size(), 3u);
    EXPECT_EQ(Hex(peer.Received()[2]), "5A");
}

// F3 to F6 used to sell from whichever page was showing.
TEST_F(SalesPageTest, FunctionKeysActOnlyOnTheShownEnabledSalesPage) {
    Retype("SPLUCode", "7");
    Item("PLUsProg")->trigger();
    for (const char* key : {"ShortSale", "ShortCorrection", "ShortSubtotal", "ShortCash"})
        Item(key)->trigger();
    EXPECT_TRUE(Sent().empty());
    Item("Sales1")->trigger();
    Window().SalesSheet()->SalesGroup()->setEnabled(false);
    Item("ShortSubtotal")->trigger();
    EXPECT_TRUE(Sent().empty());
    Window().SalesSheet()->SalesGroup()->setEnabled(true);
    Item("ShortSubtotal")->trigger();
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Hex(peer.Received()[0]), "4C");
}

TEST_F(SalesPageTest, KeyFiltersKeepTheirCharactersAndShortcutsPass) {
    Retype("WgtPcs", "1a2x");
    EXPECT_EQ(Edit("WgtPcs")->text(), "12");
    // Shortcuts and navigation keys pass the filters untouched.
    Retype("SPLUCode", "12");
    QTest::keyClick(Edit("SPLUCode"), Qt::Key_Left);
    QTest::keyClick(Edit("SPLUCode"), Qt::Key_Delete);
    EXPECT_EQ(Edit("SPLUCode")->text(), "1");
    Retype("SaleDescrEdit", "milk");
    EXPECT_EQ(Edit("SaleDescrEdit")->text(), "MILK");
}

// A value above its limit used to be cut to the limit at the key release, so
// that a slip (123456 for 12.3456) was sold as 99999.999 units. It is kept as
// typed, marked with the limit in words, and refused by the action.
TEST_F(SalesPageTest, AValueAboveItsLimitIsKeptMarkedAndRefusedByItsAction) {
    const QString sep = QLocale::system().decimalPoint();
    QLineEdit* payment = Control<QComboBox>("SPayment")->lineEdit();
    Control<QPushButton>("NewPLUPrBtn")->click();
    Retype("PLUCodePrice", "12");
    struct Row {
        QLineEdit* Field;
        const char* Typed;
        QString Limit;
        std::function<void()> Act;
        QString Refusal;
    };
    const Row rows[] = {
        {Edit("SPLUCode"), "12345", "9999", [&] { QTest::keyClick(Edit("SPLUCode"), Qt::Key_Return); },
         "PLU Code: '12345' is not a PLU number from 0 to 9999. Nothing was sent."},
        {Edit("WgtPcs"), "123456", "99999" + sep + "999", [&] { Item("ShortSale")->trigger(); },
         "Weight / Pieces: '123456' is not a number from 0 to 99999" + sep + "999. Nothing was sent."},
        {payment, "123456789", "99999999" + sep + "99", [&] { Control<QPushButton>("Cash")->click(); },
         "Total/Cash: '123456789' is not a number from 0 to 99999999" + sep + "99. Nothing was sent."},
        {Edit("PriceCh"), "1234567", "999999" + sep + "99", [&] { Control<QPushButton>("WritePr")->click(); },
         "Price: '1234567' is not a number from 0 to 999999" + sep + "99. Nothing was sent."},
        // The price box's own PLU field used to drop the fifth digit and
        // write the price to PLU 1234.
        {Edit("PLUCodePrice"), "12345", "9999", [&] { Control<QPushButton>("WritePr")->click(); },
         "PLU Code: '12345' is not a PLU number from 0 to 9999. Nothing was sent."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Typed);
        if (row.Field != Edit("SPLUCode"))
            Retype("SPLUCode", "7");
        row.Field->clear();
        QTest::keyClicks(row.Field, QString::fromLatin1(row.Typed));
        EXPECT_EQ(row.Field->text(), QString::fromLatin1(row.Typed)) << "kept as typed";
        EXPECT_TRUE(LimitMark::IsSet(row.Field));
        EXPECT_TRUE(row.Field->toolTip().contains(" is above the limit " + row.Limit + "."))
            << row.Field->toolTip().toStdString();
        EXPECT_EQ(row.Field->palette().color(QPalette::Text), QColor(Qt::red));
        boxes.clear();
        row.Act();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Text, row.Refusal);
        EXPECT_EQ(row.Field->text(), QString::fromLatin1(row.Typed));
        // One digit less is within the limit: the mark goes.
        QTest::keyClick(row.Field, Qt::Key_Backspace);
        EXPECT_FALSE(LimitMark::IsSet(row.Field));
        EXPECT_NE(row.Field->palette().color(QPalette::Text), QColor(Qt::red));
        row.Field->clear();
    }
    EXPECT_TRUE(Sent().empty());
    Item("MnSerbian")->trigger();
    Retype("WgtPcs", "123456");
    EXPECT_EQ(Edit("WgtPcs")->toolTip(), QString::fromUtf8("Težina / Komada: 123456 je iznad granice 99999") +
                                             sep +
                                             QString::fromUtf8("999. Ništa se ne šalje dok se ne ispravi."));
}

// Values that bypass the key filters (pasted, set) used to be cut or wrapped
// into the frame; now they are refused with a message and nothing is sent.
TEST_F(SalesPageTest, OutOfRangeValuesAreRefusedWithAMessageAndNothingSent) {
    const std::pair<const char*, const char*> cases[] = {
        {"WgtPcs", "123456789"}, {"WgtPcs", "-1"}, {"WgtPcs", "1e400"}, {"SPLUCode", "12a"}};
    for (const auto& [field, text] : cases) {
        Edit("SPLUCode")->setText("7");
        Edit(field)->setText(text);
        Item("ShortSale")->trigger();
        EXPECT_FALSE(Edit("SPLUCode")->text().isEmpty()) << field << " " << text;
        Edit("WgtPcs")->clear();
    }
    Control<QComboBox>("SPayment")->setEditText("123456789012");
    Control<QPushButton>("Cash")->click();
    EXPECT_TRUE(Sent().empty());
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_TRUE(boxes[0].Text.contains("'123456789'"));
    EXPECT_TRUE(boxes[4].Text.contains("Nothing was sent"));
}

// An empty price field used to write four zero bytes and report "Price...OK!";
// the register then refused to sell the PLU.
TEST_F(SalesPageTest, ANewPriceOfNothingOrZeroIsRefusedInWordsAndNothingIsSent) {
    Control<QPushButton>("NewPLUPrBtn")->click();
    Retype("PLUCodePrice", "12");
    for (const char* price : {"", "0", "0,00", "0.004"}) {
        boxes.clear();
        Edit("PriceCh")->setText(QString::fromLatin1(price));
        Control<QPushButton>("WritePr")->click();
        ASSERT_EQ(boxes.size(), 1u) << price;
        EXPECT_EQ(boxes[0].Text, "Price: enter a price above 0 for PLU 12. A PLU priced 0 cannot be sold. "
                                 "Nothing was sent.")
            << price;
        EXPECT_EQ(Control<QPushButton>("WritePr")->text(), "Write") << price;
    }
    Item("MnSerbian")->trigger();
    boxes.clear();
    Edit("PriceCh")->clear();
    QTest::keyClick(Edit("PriceCh"), Qt::Key_Tab);
    Control<QPushButton>("WritePr")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].Text.startsWith(QString::fromUtf8("Cena: unesite cenu veću od 0 za PLU 12.")));
    // A price with no PLU to write it to used to make Write do nothing at all.
    Item("MnEnglish")->trigger();
    boxes.clear();
    Edit("PLUCodePrice")->clear();
    Retype("PriceCh", "1");
    Control<QPushButton>("WritePr")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text,
              "PLU Code: enter the number of the PLU whose price is to be written (0 to 9999). "
              "Nothing was sent.");
    EXPECT_TRUE(Sent().empty());
}

// A silent register used to look like one that took every step: the page
// emptied its fields and said nothing. A step whose record does not come
// within its time is named in the hint panel.
TEST_F(SalesPageTest, AStepTheRegisterDoesNotAnswerIsNamedInTheHintPanel) {
    Window().SalesSheet()->Confirmation()->SetTimeout(300);
    const QString pageHint = Window().HintText();
    Retype("SPLUCode", "7");
    Item("ShortSale")->trigger();
    EXPECT_EQ(Window().HintText(), pageHint);
    ASSERT_TRUE(WaitUntil([&] { return Window().HintText() != pageHint; }, 3000));
    EXPECT_EQ(Window().HintText(),
              "No answer from the register to \"Sale - F3, PLU 7\" within 0.3 s: the step "
              "may not have been done.");
    Control<QPushButton>("ErrorSt")->click();
    ASSERT_TRUE(WaitUntil([&] { return Window().HintText().contains("Error Status"); }, 3000));
    EXPECT_EQ(Window().HintText(), "No answer from the register to \"Error Status\" within 0.3 s.");

    // Steps the register answers, each by its own record, say nothing; one
    // it leaves unanswered among them is still named.
    peer.SetResponder([](const Payload& got) {
        if (got[0] == '?')
            return std::vector<Payload>{{'@'}, {'?'}};
        if (got[0] == 'L')
            return std::vector<Payload>{{'L'}};
        return std::vector<Payload>{};
    });
    Item("MnSerbian")->trigger();
    const QString serbianHint = Window().HintText();
    Retype("SPLUCode", "7");
    Item("ShortSale")->trigger();
    Item("ShortSubtotal")->trigger();
    Control<QPushButton>("Cash")->click();
    ASSERT_TRUE(WaitUntil([&] { return Window().HintText() != serbianHint; }, 3000));
    EXPECT_EQ(
        Window().HintText(),
        QString::fromUtf8("Kasa nije odgovorila na \"Gotovina-F6\" za 0.3 s: korak možda nije urađen."));
    RunEventsFor(400);
    EXPECT_EQ(Window().SalesSheet()->Confirmation()->Pending(), 0u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SalesPageTest, BarcodesByWeighingRuleAndPlainLookup) {
    Retype("SalesBrcdLable", "2112345067890");
    QTest::keyClick(Edit("SalesBrcdLable"), Qt::Key_Return);
    EXPECT_EQ(Edit("SPLUCode")->text(), "40");
    EXPECT_EQ(Edit("WgtPcs")->text(), QString("6.789").replace('.', QLocale::system().decimalPoint()));
    EXPECT_TRUE(Sent().empty());
    // Weight characters that are not digits: no weighing match, the plain barcode counts.
    Edit("WgtPcs")->clear();
    Retype("SalesBrcdLable", "21123450A7890");
    QTest::keyClick(Edit("SalesBrcdLable"), Qt::Key_Return);
    EXPECT_EQ(Edit("SPLUCode")->text(), "41");
    EXPECT_EQ(Edit("WgtPcs")->text(), "");
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Sent().empty());
}

// A search that finds nothing used to empty the fields without a word.
TEST_F(SalesPageTest, ASearchThatFindsNothingSaysSoAndKeepsWhatWasTyped) {
    const QString sep = QLocale::system().decimalPoint();
    struct Row {
        const char* Field;
        const char* Typed;
        Qt::Key Key;
        const char* Words;
    };
    const Row rows[] = {
        {"SalesBrcdLable", "999", Qt::Key_Return, "No PLU has the barcode '999'."},
        {"SaleDescrEdit", "XYZ", Qt::Key_Insert, "No PLU description begins with 'XYZ'."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Field);
        Retype("SPLUCode", "7");
        Retype("WgtPcs", "2" + sep + "5");
        Retype(row.Field, QString::fromLatin1(row.Typed));
        boxes.clear();
        QTest::keyClick(Edit(row.Field), row.Key);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Text, QString::fromLatin1(row.Words));
        EXPECT_EQ(Edit(row.Field)->text(), QString::fromLatin1(row.Typed));
        EXPECT_EQ(Edit("WgtPcs")->text(), "2" + sep + "5");
        // No PLU is chosen, so no sale can go out by mistake.
        EXPECT_EQ(Edit("SPLUCode")->text(), "");
        EXPECT_FALSE(Control<QPushButton>("NormalSale")->isEnabled());
    }
    // A description that is there still finds its PLU.
    Retype("SaleDescrEdit", "MI");
    QTest::keyClick(Edit("SaleDescrEdit"), Qt::Key_Insert);
    EXPECT_EQ(Edit("SPLUCode")->text(), "7");
    Item("MnSerbian")->trigger();
    boxes.clear();
    Retype("SalesBrcdLable", "5");
    QTest::keyClick(Edit("SalesBrcdLable"), Qt::Key_Return);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "Nijedan PLU nema barkod '5'.");
    EXPECT_TRUE(Sent().empty());
}

TEST_F(SalesPageTest, ErrorAndReceiptStatusReplies) {
    peer.SetResponder([](const Payload& got) {
        if (got[0] == 'X')
            return std::vector<Payload>{{' ', 0x42}};
        if (got[0] == 'V')
            return std::vector<Payload>{{'V', 'P'}};
        return std::vector<Payload>{};
    });
    Control<QPushButton>("ErrorSt")->click();
    Control<QPushButton>("ReceiptSt")->click();
    auto* box = Control<QPlainTextEdit>("ErrorStatLabel");
    EXPECT_TRUE(WaitUntil([&] { return !box->toPlainText().isEmpty(); }));
    EXPECT_EQ(box->toPlainText(), "E42-The operation is not allowed");
    EXPECT_TRUE(WaitUntil([&] { return Control<QLabel>("RcptStatLabel")->text() == "Payment"; }));
    peer.SetResponder([](const Payload&) { return std::vector<Payload>{{' ', 0x5A}}; });
    Control<QPushButton>("ErrorSt")->click();
    EXPECT_TRUE(WaitUntil([&] { return box->toPlainText().isEmpty(); }));
}

TEST_F(SalesPageTest, ThanksEditorCentresSendsAndClosesByItsRules) {
    TMessageForm& editor = forms->MessageForm();
    Item("MnThanksMsg")->trigger();
    EXPECT_TRUE(editor.isVisible());
    auto* center = editor.findChild<QCheckBox*>("Center9");
    editor.Line()->setText("ABCDEFGHIJ");
    center->click();
    EXPECT_EQ(editor.Line()->text(), QString(6, ' ') + "ABCDEFGHIJ");
    center->click();
    EXPECT_EQ(editor.Line()->text(), "ABCDEFGHIJ");
    // Space toggles the box instead of closing the editor; a letter typed
    // there used to close it and lose the text: it does nothing now.
    center->setFocus();
    QTest::keyClick(center, Qt::Key_Space);
    EXPECT_TRUE(center->isChecked());
    EXPECT_TRUE(editor.isVisible());
    const QString typed = editor.Line()->text();
    QTest::keyClicks(center, "A1.");
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.Line()->text(), typed);
    EXPECT_TRUE(center->isChecked());
    QTest::keyClick(center, Qt::Key_Escape);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(editor.Line()->text(), "");
    EXPECT_TRUE(Sent().empty());

    editor.Open();
    QTest::keyClick(editor.Line(), Qt::Key_Return);
    EXPECT_TRUE(Sent().empty());
    peer.SetResponder([](const Payload&) { return std::vector<Payload>{{'S'}}; });
    // An empty line erases the register's thanks message: asked first, No by default.
    answer = QMessageBox::No;
    editor.Line()->setText("   ");
    editor.findChild<QPushButton*>("Write9Line")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text,
              "The thanks message is empty: writing it erases the register's thanks message. Erase it?");
    EXPECT_EQ(boxes[0].Default, QMessageBox::No);
    EXPECT_TRUE(editor.isVisible());
    EXPECT_TRUE(Sent().empty());
    editor.Line()->clear();
    answer = QMessageBox::Yes;
    editor.findChild<QPushButton*>("Write9Line")->click();
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Hex(peer.Received()[0]),
              Hex(Bytes("53 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")));
    EXPECT_FALSE(editor.isVisible());
    // A late answer does nothing to an editor opened again.
    editor.Open();
    editor.Line()->setText("NEW");
    peer.Send({'S'});
    RunEventsFor(100);
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.Line()->text(), "NEW");
    editor.CloseClick();
}

TEST_F(SalesPageTest, HeaderWriteAsksWithoutAReadAndRefusesWhatCannotBePrinted) {
    Item("Header1")->trigger();
    HeaderPage& page = *Window().CompanySheet();
    answer = QMessageBox::No;
    Control<QPushButton>("DescCommit")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].Text.contains("Write them anyway?"));
    EXPECT_TRUE(Sent().empty());

    answer = QMessageBox::Yes;
    page.Line(2)->setText(QString::fromUtf8("SHOP €"));
    Control<QPushButton>("DescCommit")->click();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(boxes[2].Text.contains("Line 2")) << boxes[2].Text.toStdString();
    EXPECT_TRUE(Sent().empty());

    // Double width keeps a longer text, but it is not written until shortened.
    page.Line(2)->setText(QString(15, 'X'));
    Control<QCheckBox>("DoubleWidth2")->click();
    EXPECT_EQ(page.Line(2)->text(), QString(15, 'X'));
    Control<QPushButton>("DescCommit")->click();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_TRUE(boxes[4].Text.contains("Shorten")) << boxes[4].Text.toStdString();
    EXPECT_TRUE(Sent().empty());
    // Typing cannot grow it further.
    QTest::keyClicks(page.Line(2), "Y");
    EXPECT_EQ(page.Line(2)->text(), QString(15, 'X'));
}

} // namespace

namespace {

// A header read started while the new price waits for its answer used to
// empty the page and take the other exchange's reply; it is refused instead.
TEST_F(SalesPageTest, AHeaderReadDuringAnotherExchangeIsRefusedAndKeepsThePage) {
    HeaderPage& page = *Window().CompanySheet();
    page.Line(1)->setText("KEEP");
    Control<QPushButton>("NewPLUPrBtn")->click();
    Retype("PLUCodePrice", "7");
    Retype("PriceCh", "2");
    QTimer::singleShot(200, [&] {
        Control<QPushButton>("DescRead")->click();
        Dispatcher().CancelWait();
    });
    Control<QPushButton>("WritePr")->click();
    EXPECT_EQ(page.Line(1)->text(), "KEEP");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "Another exchange with the register is running.");
    // Only the price command went out, once: the Close-like cancel does not resend.
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(peer.Received()[0][0], '^');
}

// Read clicked again while the register is silent used to start a second
// wait, or a second box, behind the first.
TEST_F(SalesPageTest, HeaderReadAndWriteCannotBeClickedWhileOneWaits) {
    Item("Header1")->trigger();
    bool enabledDuringWait = true;
    QTimer::singleShot(200, [&] {
        enabledDuringWait =
            Control<QPushButton>("DescRead")->isEnabled() || Control<QPushButton>("DescCommit")->isEnabled();
        QTest::mouseClick(Control<QPushButton>("DescRead"), Qt::LeftButton);
        QTest::mouseClick(Control<QPushButton>("DescRead"), Qt::LeftButton);
        Dispatcher().CancelWait();
    });
    Control<QPushButton>("DescRead")->click();
    EXPECT_FALSE(enabledDuringWait);
    for (const MessageRequest& box : boxes)
        EXPECT_NE(box.Text, "Another exchange with the register is running.");
    EXPECT_TRUE(Control<QPushButton>("DescRead")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>("DescCommit")->isEnabled());
    // One request went out: the clicks during the wait started nothing.
    EXPECT_EQ(Sent().size(), 1u);
}

} // namespace
