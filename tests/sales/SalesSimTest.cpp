#include "../shell/ShellFixture.h"

#include "barcodes/BarcodeTypeTable.h"
#include "header/HeaderPage.h"
#include "header/HeaderSequence.h"
#include "header/TMessageForm.h"
#include "sales/SalesPage.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

SimPlu Article(const char* description, uint32_t price, uint8_t flags, const char* barcode = "") {
    SimPlu p;
    std::copy_n(description, std::strlen(description), p.Description.begin());
    std::copy_n(barcode, std::strlen(barcode), p.Barcode.begin());
    p.Price = price;
    p.Flags = flags;
    return p;
}

// The program's windows on COM1 = the simulated register, in-process as --simulate runs it.
class SalesSimTest : public ShellTest {
  protected:
    void StartRegister(SimOptions options = {}) {
        options.Speed = 0;
        sim = std::make_unique<InProcessRegister>(options);
        const QString device = sim->Start();
        ASSERT_FALSE(device.isEmpty()) << sim->ErrorString().toStdString();
        TCommPortDriver::SetDeviceOverride(pnCOM1, device);
        Item("MnEnglish")->trigger();
        Item("Sales1")->trigger();
        Item("Connect1")->trigger();
        ASSERT_TRUE(Dispatcher().IsOpen());
        constexpr uint8_t Active1 = SimPlu::FlagActive | 1;
        sim->WithModel([](RegisterModel& model) {
            model.SetPlu(7, Article("MILK", 150, Active1));
            model.SetPlu(8, Article("BREAD", 80, Active1));
            model.SetPlu(9, Article("APPLES", 200, Active1 | SimPlu::FlagDecimalQty, "2112345"));
            model.SetPlu(10, Article("SOAP", 300, Active1, "5901234123457"));
            model.SetPlu(11, Article("OLD", 100, 1));
        });
        PluTable& table = forms->DataForm().Table();
        table[7].SetDescription("MILK");
        table[8].SetDescription("BREAD");
        table[9].SetDescription("APPLES");
        table[9].SetBarcode("2112345");
        table[10].SetDescription("SOAP");
        table[10].SetBarcode("5901234123457");
        table[11].SetDescription("OLD");
        forms->Session().Barcodes().SetApplied(BarcodeTypeTable::Defaults());
    }
    void TearDown() override {
        if ((&forms->Session().Dispatcher()))
            Dispatcher().Disconnect();
        sim.reset();
        ShellTest::TearDown();
    }

    QLineEdit* Edit(const char* name) const { return Control<QLineEdit>(name); }
    void Retype(const char* name, const QString& text) {
        Edit(name)->clear();
        QTest::keyClicks(Edit(name), text);
    }
    void Enter(const char* name) { QTest::keyClick(Edit(name), Qt::Key_Return); }
    QString Dot(QString text) const { return text.replace('.', QLocale::system().decimalPoint()); }
    // Every command before it has been handled once the register answers this.
    QString ReceiptStatus() {
        Control<QLabel>("RcptStatLabel")->setText("?");
        Control<QPushButton>("ReceiptSt")->click();
        EXPECT_TRUE(WaitUntil([&] { return Control<QLabel>("RcptStatLabel")->text() != "?"; }));
        return Control<QLabel>("RcptStatLabel")->text();
    }
    uint64_t PluTotal(int n) {
        uint64_t total = 0;
        sim->WithModel([&](RegisterModel& model) { total = model.Plu(n).Total; });
        return total;
    }
    // A receipt of five sales, one correction, subtotal and cash.
    void RunReceipt() {
        Retype("SPLUCode", "7");
        Enter("SPLUCode");
        EXPECT_EQ(Edit("SPLUCode")->text(), "");

        Retype("SaleDescrEdit", "bre");
        QTest::keyClick(Edit("SaleDescrEdit"), Qt::Key_Insert);
        EXPECT_EQ(Edit("SPLUCode")->text(), "8");
        Retype("WgtPcs", "2");
        Item("ShortSale")->trigger();

        Retype("SalesBrcdLable", "2112345012340");
        Enter("SalesBrcdLable");
        EXPECT_EQ(Edit("SPLUCode")->text(), "9");
        EXPECT_EQ(Edit("WgtPcs")->text(), Dot("1.234"));
        Control<QPushButton>("NormalSale")->click();

        Item("MnSaleafter")->trigger();
        Retype("SalesBrcdLable", "5901234123457");
        Enter("SalesBrcdLable");
        EXPECT_EQ(Edit("SPLUCode")->text(), "");
        Item("MnUsersale")->trigger();

        Retype("SPLUCode", "8");
        Retype("WgtPcs", "1");
        Item("ShortCorrection")->trigger();
        EXPECT_EQ(Edit("SPLUCode")->text(), "8");

        Item("ShortSubtotal")->trigger();
    }

    std::unique_ptr<InProcessRegister> sim;
};

TEST_F(SalesSimTest, AReceiptFromTheKeyboardAgreesWithTheRegistersDay) {
    StartRegister();
    RunReceipt();
    EXPECT_TRUE(WaitUntil([&] { return !Edit("SubtEdit")->text().isEmpty(); }));
    EXPECT_EQ(Edit("SubtEdit")->text(), Dot("7.77"));
    EXPECT_EQ(ReceiptStatus(), "Inside receipt");

    // An inactive PLU is refused by the register, and its error is shown.
    Retype("SPLUCode", "11");
    Enter("SPLUCode");
    Control<QPushButton>("ErrorSt")->click();
    EXPECT_TRUE(
        WaitUntil([&] { return !Control<QPlainTextEdit>("ErrorStatLabel")->toPlainText().isEmpty(); }));
    EXPECT_EQ(Control<QPlainTextEdit>("ErrorStatLabel")->toPlainText(),
              "E30-The department or the PLU is not activated");

    Control<QComboBox>("SPayment")->setEditText("10");
    Item("ShortCash")->trigger();
    EXPECT_TRUE(WaitUntil([&] { return Edit("SubtEdit")->text().isEmpty(); }));
    EXPECT_EQ(Control<QComboBox>("SPayment")->currentText(), "");
    EXPECT_EQ(ReceiptStatus(), "Outside receipt");

    EXPECT_EQ(PluTotal(7), 150u);
    EXPECT_EQ(PluTotal(8), 80u);
    EXPECT_EQ(PluTotal(9), 247u);
    EXPECT_EQ(PluTotal(10), 300u);
    EXPECT_EQ(PluTotal(11), 0u);
    int receipts = 0;
    sim->WithModel([&](RegisterModel& model) { receipts = model.Day().ReceiptsToday(); });
    EXPECT_EQ(receipts, 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SalesSimTest, ANewPriceIsWrittenAndReadBackWithoutTouchingThePcTable) {
    StartRegister();
    forms->DataForm().Table()[7].Price = 1.50;
    Control<QPushButton>("NewPLUPrBtn")->click();
    EXPECT_FALSE(Control<QWidget>("NewPrGroupBox")->isHidden());
    Retype("PLUCodePrice", "7");
    Retype("PriceCh", Dot("1.99"));
    Control<QPushButton>("WritePr")->click();
    EXPECT_EQ(Control<QPushButton>("WritePr")->text(), "Price...OK!");
    uint32_t price = 0;
    sim->WithModel([&](RegisterModel& model) { price = model.Plu(7).Price; });
    EXPECT_EQ(price, 199u);
    EXPECT_DOUBLE_EQ(forms->DataForm().Table()[7].Price, 1.50);
    EXPECT_TRUE(WaitUntil([&] { return Control<QPushButton>("WritePr")->text() == "Write"; }, 3500));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SalesSimTest, HeaderLinesReadChangedWrittenAndReadBack) {
    StartRegister();
    Item("Header1")->trigger();
    HeaderPage& page = *Window().CompanySheet();
    Control<QPushButton>("DescRead")->click();
    EXPECT_TRUE(page.ReadComplete());
    // Centred in the ten places of double width, so re-centred as read.
    EXPECT_EQ(Edit("Line1")->text(), "  ORVEX");
    EXPECT_TRUE(Control<QCheckBox>("DoubleWidth1")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("DoubleHeight1")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("Center2")->isChecked());
    EXPECT_EQ(Edit("Line8")->text().trimmed(), "OX01234567");

    const char* texts[] = {"NEW SHOP", "LINE TWO", "LINE THREE", "LINE FOUR", "LINE FIVE"};
    for (int n = 1; n <= 5; ++n)
        page.Line(n)->setText(texts[n - 1]);
    Control<QCheckBox>("Center3")->click();
    Control<QPushButton>("DescCommit")->click();
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].Text.toStdString());
    // Refreshed from the register's reply: centred, without the blanks that fill the line.
    EXPECT_EQ(Edit("Line3")->text(), QString(5, ' ') + "LINE THREE");

    page.ClearHeaderLinesClick();
    Control<QPushButton>("DescRead")->click();
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(page.Line(n)->text().trimmed(), texts[n - 1]) << n;
    EXPECT_EQ(Edit("Line3")->text().left(5), QString(5, ' '));
    EXPECT_TRUE(Control<QCheckBox>("Center3")->isChecked());
    EXPECT_EQ(Edit("Line8")->text().trimmed(), "OX01234567");
}

// Lines used to be held with the 21 places the register fills with blanks:
// a double-width line that is not centred could not be written back ("Line 1
// has 21 characters"), not even after a good write, and its field showed
// only blanks. Every line read is written back as it prints, and a selected
// full line can be typed over.
TEST_F(SalesSimTest, EveryHeaderLineReadIsWrittenBackUnchanged) {
    StartRegister();
    const auto line = [](int n, uint8_t attribute, const QByteArray& text) {
        QByteArray write(24, '\0');
        write[0] = '_';
        write[1] = char(n);
        write[2] = char(attribute);
        write.replace(3, text.size(), text);
        return write;
    };
    const QByteArray written[] = {
        line(1, 1, "SHOP"),                         // double width, not centred
        line(2, 0, "ABCDEFGHIJKLMNOPQRSTU"),        // full
        line(3, 3, "  ORVEX"),                      // double width, centred
        line(4, 2, " HELLO" + QByteArray(15, ' ')), // filled with blanks, not centred
        line(5, 0, ""),
    };
    sim->WithModel([&](RegisterModel& model) {
        for (const QByteArray& w : written)
            (void)model.Answer(w);
    });
    // As the register prints them: trailing blanks and zeros alike are fill.
    const auto stored = [&] {
        std::vector<QByteArray> lines;
        sim->WithModel([&](RegisterModel& model) {
            for (int n = 1; n <= 5; ++n) {
                const auto& h = model.Header(n);
                QByteArray text(reinterpret_cast<const char*>(h.Text.data()), 21);
                text.replace('\0', ' ');
                while (text.endsWith(' '))
                    text.chop(1);
                lines.push_back(QByteArray::number(h.Attribute) + ":" + text);
            }
        });
        return lines;
    };
    const std::vector<QByteArray> before = stored();
    Item("Header1")->trigger();
    HeaderPage& page = *Window().CompanySheet();
    Control<QPushButton>("DescRead")->click();
    ASSERT_TRUE(page.ReadComplete());
    EXPECT_EQ(page.Line(1)->text(), "SHOP");
    EXPECT_EQ(page.Line(1)->cursorPosition(), 0);
    EXPECT_EQ(page.Line(3)->text(), "  ORVEX");
    EXPECT_EQ(page.Line(4)->text(), " HELLO");
    EXPECT_FALSE(Control<QCheckBox>("Center4")->isChecked());
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        Control<QPushButton>("DescCommit")->click();
        EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].Text.toStdString());
        EXPECT_EQ(stored(), before);
        EXPECT_EQ(page.Line(1)->text(), "SHOP") << "refreshed from the reply, still without the fill";
    }

    // A full line selected is typed over.
    QLineEdit* full = page.Line(2);
    full->setFocus();
    full->selectAll();
    QTest::keyClicks(full, "x");
    EXPECT_EQ(full->text(), "X");
    full->setText("ABCDEFGHIJKLMNOPQRSTU");
    full->setSelection(3, 2);
    QTest::keyClicks(full, "12");
    EXPECT_EQ(full->text(), "ABC12FGHIJKLMNOPQRSTU");
    full->setCursorPosition(21);
    QTest::keyClicks(full, "Z");
    EXPECT_EQ(full->text().size(), 21) << "without a selection a full line takes nothing more";
}

// A receipt left open used to go unnoticed: no word at close after selling,
// and nothing after a restart. Connecting shows the register's receipt state,
// and the close query asks the register when sale commands were sent.
TEST_F(SalesSimTest, AReceiptLeftOpenIsShownOnConnectingAndWarnedOfAtClose) {
    SimOptions options;
    StartRegister(options);
    auto* status = Control<QLabel>("RcptStatLabel");
    ASSERT_TRUE(WaitUntil([&] { return status->text() == "Outside receipt"; }));
    EXPECT_TRUE(Window().FormCloseQuery()) << "nothing sold: no question";
    EXPECT_TRUE(boxes.empty());

    // A receipt the cashier opened before the program connects (a restart, say).
    bool open = false;
    sim->WithModel([&](RegisterModel& model) {
        for (int i = 0; i < 10 && !model.Day().ReceiptOpen(); ++i)
            model.SellStep();
        open = model.Day().ReceiptOpen();
    });
    ASSERT_TRUE(open);
    // The close query has closed the port, and the panel with it.
    EXPECT_FALSE(Dispatcher().IsOpen());
    EXPECT_EQ(status->text(), "");
    Item("Connect1")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return status->text() == "Inside receipt"; }))
        << status->text().toStdString();
    sim->WithModel([](RegisterModel& model) {
        while (model.Day().ReceiptOpen() || model.AwaitingPluAnswer())
            model.SellStep();
    });

    // Sold from the PC and not paid: the close is stopped unless the user says so.
    Retype("SPLUCode", "7");
    Enter("SPLUCode");
    EXPECT_EQ(ReceiptStatus(), "Inside receipt");
    answer = QMessageBox::No;
    EXPECT_FALSE(Window().FormCloseQuery());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "The register is still inside a receipt (Inside receipt). Finish it with a "
                             "payment or clear it; otherwise the next receipt goes on from it.\nClose the "
                             "program anyway?");
    EXPECT_EQ(boxes[0].Default, QMessageBox::No);
    EXPECT_TRUE(Dispatcher().IsOpen()) << "the program stays, connected";
    // Paid, it closes without a word.
    Control<QComboBox>("SPayment")->setEditText("100");
    Control<QPushButton>("Cash")->click();
    EXPECT_EQ(ReceiptStatus(), "Outside receipt");
    boxes.clear();
    EXPECT_TRUE(Window().FormCloseQuery());
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].Text.toStdString());
}

TEST_F(SalesSimTest, ASilentRegisterAtCloseAfterSellingIsAskedAbout) {
    SimOptions options;
    options.Silent = true;
    StartRegister(options);
    Item("MnSerbian")->trigger();
    Retype("SPLUCode", "7");
    Enter("SPLUCode");
    answer = QMessageBox::Yes;
    EXPECT_TRUE(Window().FormCloseQuery());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].Text.startsWith(QString::fromUtf8("Kasa nije rekla da li je račun još otvoren")))
        << boxes[0].Text.toStdString();
}

TEST_F(SalesSimTest, TheThanksLineIsWrittenAndConfirmed) {
    StartRegister();
    Control<QPushButton>("ThanksBtn")->click();
    TMessageForm& editor = forms->MessageForm();
    EXPECT_TRUE(editor.isVisible());
    QTest::keyClicks(editor.Line(), "come again");
    EXPECT_EQ(editor.Line()->text(), "COME AGAIN");
    QTest::keyClick(editor.Line(), Qt::Key_Return);
    EXPECT_FALSE(editor.isVisible());
    QByteArray thanks;
    sim->WithModel([&](RegisterModel& model) {
        thanks = QByteArray(reinterpret_cast<const char*>(model.Thanks().data()), 21);
    });
    EXPECT_EQ(thanks.left(10), "COME AGAIN");
    EXPECT_TRUE(boxes.empty());
}

// A silent register: every exchange that waits ends with a message, and the
// commands that wait are sent no more often than their rule says.
TEST_F(SalesSimTest, ASilentRegisterGetsAClearMessageForEveryExchange) {
    SimOptions options;
    options.Silent = true;
    StartRegister(options);
    Control<QPushButton>("NewPLUPrBtn")->click();
    Retype("PLUCodePrice", "7");
    Retype("PriceCh", "2");
    Control<QPushButton>("WritePr")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "There is no Orvex response");
    EXPECT_EQ(Control<QPushButton>("WritePr")->text(), "Write");

    Item("Header1")->trigger();
    Control<QPushButton>("DescRead")->click();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].Text, "No answer from the register for line 1. Reading stopped.");

    forms->MessageForm().Open();
    forms->MessageForm().Line()->setText("HVALA");
    forms->MessageForm().WriteClick();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(boxes[2].Text.startsWith("No answer from the register"));
    EXPECT_TRUE(forms->MessageForm().isVisible());
    EXPECT_EQ(forms->MessageForm().Line()->text(), "HVALA");
    forms->MessageForm().CloseClick();
}

// Lost frames: the journal may miss records, but every sale reaches the
// register once, and a header read that loses a reply says where it stopped.
TEST_F(SalesSimTest, DroppedFramesEndClearlyAndSendNothingTwice) {
    SimOptions options;
    options.DropEvery = 3;
    StartRegister(options);
    RunReceipt();
    Control<QComboBox>("SPayment")->setEditText("");
    Item("ShortCash")->trigger();
    EXPECT_TRUE(WaitUntil([&] {
        int receipts = 0;
        sim->WithModel([&](RegisterModel& model) { receipts = model.Day().ReceiptsToday(); });
        return receipts == 1;
    }));
    EXPECT_EQ(PluTotal(7), 150u);
    EXPECT_EQ(PluTotal(8), 80u);
    EXPECT_EQ(PluTotal(9), 247u);
    EXPECT_EQ(PluTotal(10), 300u);

    Item("Header1")->trigger();
    HeaderPage& page = *Window().CompanySheet();
    Control<QPushButton>("DescRead")->click();
    if (!page.ReadComplete()) {
        ASSERT_FALSE(boxes.empty());
        EXPECT_TRUE(boxes.back().Text.startsWith("No answer from the register for line"));
    }
}

// Every second PLU reply names the wrong PLU: the price is confirmed on a
// later attempt or not at all, never taken from the wrong reply.
TEST_F(SalesSimTest, WrongPluRepliesAreNoConfirmation) {
    SimOptions options;
    options.WrongPluEvery = 2;
    StartRegister(options);
    Control<QPushButton>("NewPLUPrBtn")->click();
    for (const char* price : {"1", "2", "3"}) {
        Retype("PLUCodePrice", "7");
        Retype("PriceCh", price);
        Control<QPushButton>("WritePr")->click();
        EXPECT_EQ(Control<QPushButton>("WritePr")->text(), "Price...OK!") << price;
        Control<QPushButton>("WritePr")->setText("Write");
    }
    uint32_t price = 0;
    sim->WithModel([&](RegisterModel& model) { price = model.Plu(7).Price; });
    EXPECT_EQ(price, 300u);
    EXPECT_TRUE(boxes.empty());
}

} // namespace
