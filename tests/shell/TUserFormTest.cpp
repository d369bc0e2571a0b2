#include "ShellFixture.h"

#include "common/Captions.h"
#include "monitor/MonitorPage.h"
#include "plu/PluPage.h"
#include "printing/TPLUPrintForm.h"
#include "reports/ReportsPage.h"
#include "sales/SalesPage.h"
#include "shell/StartPage.h"
#include "shell/TDLForm.h"
#include "shell/TIntroForm.h"
#include "sim/InProcessRegister.h"
#include "support/TestFiles.h"
#include "toolkit/FileDialogs.h"
#include "viewer/LineView.h"
#include "viewer/ViewerPage.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <sys/resource.h>

namespace {

QString TextOf(QObject* control) {
    if (auto* menu = qobject_cast<QMenu*>(control))
        return menu->title();
    if (auto* action = qobject_cast<QAction*>(control))
        return action->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    return {};
}

} // namespace

TEST_F(ShellTest, CreatesTheSessionThenTheWindowsInOrder) {
    EXPECT_EQ(forms->CreationOrder(),
              (QStringList{"RegisterSession", "TUserForm", "TDataForm", "TDLForm", "TPLUStat", "TOperForm",
                           "TMessageForm", "TPLUPrintForm", "TRepStatusForm", "TIntroForm", "TExpImpForm",
                           "TBarcodeForm"}));
}

TEST_F(ShellTest, FreshStartIsSerbianOnTheStartPageWithThePortClosed) {
    EXPECT_EQ(Window().CurrentPage(), Window().StartSheet());
    EXPECT_EQ(Window().HintText(), QStringLiteral("Orvex Commander"));
    EXPECT_EQ(Window().windowTitle(), QStringLiteral("Orvex  Commander"));
    EXPECT_EQ(Window().Menus()->Menu("File1")->title(), QStringLiteral("Datoteka"));
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Povezati"));
    EXPECT_TRUE(Item("MnSerbian")->isChecked());
    EXPECT_FALSE(Item("MnEnglish")->isChecked());
    EXPECT_FALSE(Dispatcher().IsOpen());
    EXPECT_TRUE(Item("Com1")->isChecked());
    EXPECT_TRUE(Item("mbr19200")->isChecked());
    EXPECT_TRUE(Item("CyrCSet")->isChecked());
    EXPECT_TRUE(Item("FS8")->isChecked());
    EXPECT_TRUE(Item("WRNo")->isChecked());
    EXPECT_TRUE(Item("Mnv240")->isChecked());
    EXPECT_TRUE(Item("Standardfile")->isChecked());
    EXPECT_TRUE(Item("BarcMnOff")->isChecked());
    EXPECT_TRUE(Item("MnUsersale")->isChecked());
    EXPECT_FALSE(Control<QToolButton>("Connect")->isHidden());
    EXPECT_TRUE(Control<QToolButton>("Disconnect")->isHidden());
    EXPECT_FALSE(Item("SaveFile")->isEnabled());
    EXPECT_FALSE(Item("ViewFile")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>("CloseSheets")->isHidden());
    EXPECT_EQ(Control<QLineEdit>("PLUNum")->text(), QStringLiteral("0"));
    EXPECT_EQ(forms->DLForm().DLStatusLabel()->text(), QStringLiteral("Čitanje ..."));
    EXPECT_EQ(forms->DLForm().CancelOK()->text(), QStringLiteral("Brisi"));
    EXPECT_TRUE(Control<QRadioButton>("ConstantFields")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("StockOnly")->isEnabled());
    EXPECT_TRUE(Window().SalesSheet()->SalesGroup()->isEnabled());
    EXPECT_EQ(Shell().RegisterCharset, 204);
    EXPECT_EQ(Shell().DescriptionColumn, 2);
    EXPECT_EQ(Shell().StartDirectory, QDir::currentPath());
    EXPECT_EQ(Dispatcher().RS232().Serial().ComPort(), pnCOM1);
    EXPECT_EQ(Dispatcher().RS232().Serial().ComPortSpeed(), br19200);
    EXPECT_EQ(Window().Menus()->ModesPopup()->actions().size(), 6);
}

TEST_F(ShellTest, SecondActivationKeepsTheState) {
    Control<QLineEdit>("PLUNum")->setText(QStringLiteral("25"));
    Item("mbr38400")->trigger();
    Window().FormActivate();
    EXPECT_EQ(Control<QLineEdit>("PLUNum")->text(), QStringLiteral("25"));
    EXPECT_EQ(Dispatcher().RS232().Serial().ComPortSpeed(), br38400);
}

TEST_F(ShellTest, Connect1TwiceOpensAndClosesAndFlipsTheControls) {
    Item("Connect1")->trigger();
    EXPECT_TRUE(Dispatcher().IsOpen());
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Raskinuti"));
    EXPECT_TRUE(Control<QToolButton>("Connect")->isHidden());
    EXPECT_FALSE(Control<QToolButton>("Disconnect")->isHidden());

    Item("Connect1")->trigger();
    EXPECT_FALSE(Dispatcher().IsOpen());
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Povezati"));
    EXPECT_FALSE(Control<QToolButton>("Connect")->isHidden());
    EXPECT_TRUE(Control<QToolButton>("Disconnect")->isHidden());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellTest, PortThatCannotOpenNamesTheDeviceAndStaysClosed) {
    TCommPortDriver::SetDeviceOverride(pnCOM1, QStringLiteral("/dev/orvex-missing"));
    Control<QToolButton>("Connect")->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, QStringLiteral("Orvex Commander"));
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Cannot open this COMM port!!\n/dev/orvex-missing"));
    EXPECT_FALSE(Dispatcher().IsOpen());
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Povezati"));
}

TEST_F(ShellTest, LostDeviceClosesTheControlsAndSaysWhich) {
    Item("Connect1")->trigger();
    Dispatcher().RS232().Serial().ClosePort();
    emit Dispatcher().RS232().Serial().PortLost(pty.DevicePath(), QStringLiteral("Input/output error"));
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Povezati"));
    EXPECT_FALSE(Control<QToolButton>("Connect")->isHidden());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].Text.contains(pty.DevicePath())) << boxes[0].Text.toStdString();
}

// A pseudo-terminal that vanished used to stack a box per failed read, be
// reopened under another program's feet and leave the hint saying it was open.
TEST_F(ShellTest, AVanishedPseudoTerminalIsSaidOnceAndNotReopened) {
    Item("MnEnglish")->trigger();
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());
    pty.Close();
    ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
    RunEventsFor(ReplyDispatcher::ReconnectPollMs * 2);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(Dispatcher().IsOpen());
    EXPECT_FALSE(Dispatcher().WatchingForLostDevice());
    EXPECT_TRUE(Window().HintText().startsWith("The connection on " + pty.DevicePath() + " was lost"))
        << Window().HintText().toStdString();
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Connect"));
}

// Get CR Day Time is the natural "is the register there?": silence is said.
TEST_F(ShellTest, AClockRequestWithoutAnAnswerIsSaidInTheHintPanel) {
    Item("MnGetTime")->trigger();
    EXPECT_EQ(
        Window().HintText(),
        QString::fromUtf8("Zahtev za vreme nije poslat: port %1 nije otvoren. Prvo se povežite (Ctrl+Z).")
            .arg(pty.DevicePath()));
    Dispatcher().ClearExpectedReply();
    Item("Connect1")->trigger();
    Item("MnGetTime")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return Window().HintText().startsWith("Kasa nije odgovorila"); },
                          ReplyDispatcher::ReplyTimeout + 2000));
    EXPECT_EQ(Window().HintText(),
              QString::fromUtf8("Kasa nije odgovorila na zahtev za vreme na %1 pri 19200 bit/s: da li je "
                                "uključena, povezana i podešena na ovu brzinu?")
                  .arg(pty.DevicePath()));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellTest, ChoosingCom2MovesTheOpenConnection) {
    PtyPair second;
    ASSERT_TRUE(second.Ok());
    TCommPortDriver::SetDeviceOverride(pnCOM2, second.DevicePath());
    Item("Connect1")->trigger();
    Item("Com2")->trigger();
    EXPECT_TRUE(Item("Com2")->isChecked());
    EXPECT_FALSE(Item("Com1")->isChecked());
    EXPECT_TRUE(Dispatcher().IsOpen());
    EXPECT_EQ(Dispatcher().RS232().Serial().CurrentDeviceName(), second.DevicePath());
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Raskinuti"));
    Item("MnGetTime")->trigger();
    EXPECT_EQ(Hex(second.ReadAtLeast(5)), Hex(Framed("51")));
    EXPECT_TRUE(pty.ReadAvailable().isEmpty());
}

TEST_F(ShellTest, DevicesOfTheMachineAreListedAndUsable) {
    PtyPair adapter;
    ASSERT_TRUE(adapter.Ok());
    Window().Menus()->ListDevices({adapter.DevicePath()}, QString());
    const auto devices = Window().Menus()->DeviceActions();
    ASSERT_EQ(devices.size(), 1);
    EXPECT_EQ(devices[0]->text(), adapter.DevicePath());
    Item("Connect1")->trigger();
    devices[0]->trigger();
    EXPECT_TRUE(devices[0]->isChecked());
    EXPECT_FALSE(Item("Com1")->isChecked());
    EXPECT_EQ(Dispatcher().RS232().Serial().CurrentDeviceName(), adapter.DevicePath());
    EXPECT_TRUE(Dispatcher().IsOpen());
    Item("Com1")->trigger();
    EXPECT_EQ(Dispatcher().RS232().Serial().CurrentDeviceName(), pty.DevicePath());
}

TEST_F(ShellTest, ClockExchangeShowsTheFormattedText) {
    Item("MnEnglish")->trigger();
    Item("Connect1")->trigger();
    Control<QToolButton>("GetTime")->click();
    EXPECT_EQ(Dispatcher().ExpectedReply(), 'Q');
    EXPECT_EQ(Hex(pty.ReadAtLeast(5)), Hex(Framed("51")));
    pty.Write(Framed("51 09 05 0E 03 0C D4 07"));
    ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].Title, QStringLiteral("Orvex Commander"));
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Time : 14:5:9\n\nDate : 3-12-2004"));
    EXPECT_EQ(Dispatcher().ExpectedReply(), 0);
}

TEST_F(ShellTest, ClockOfTheSimulatedRegister) {
    InProcessRegister simulator{SimOptions{}};
    const QString device = simulator.Start();
    ASSERT_FALSE(device.isEmpty()) << simulator.ErrorString().toStdString();
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());
    Item("MnGetTime")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }, 3000));
    const QRegularExpression clock(
        QStringLiteral("^Vreme : \\d{1,2}:\\d{1,2}:\\d{1,2}\n\nDatum : \\d{1,2}-\\d{1,2}-\\d{4}$"));
    EXPECT_TRUE(clock.match(boxes[0].Text).hasMatch()) << boxes[0].Text.toStdString();
    EXPECT_EQ(Dispatcher().ExpectedReply(), 0);
    Dispatcher().Disconnect();
}

// The clock box waits in an event loop of its own; a journal record that starts
// arriving while it is open and ends after it closed still becomes its line.
TEST_F(ShellTest, AJournalRecordArrivingAroundTheClockBoxIsKept) {
    Item("MnEnglish")->trigger();
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());
    TRS232Form& rs232 = Dispatcher().RS232();
    const std::vector<uint8_t> subtotal = Framed("4C 00 00 00 12 34 56");
    const std::vector<uint8_t> firstHalf(subtotal.begin(), subtotal.begin() + 5);
    const std::vector<uint8_t> secondHalf(subtotal.begin() + 5, subtotal.end());
    MessageBoxes::SetHook([&](const MessageRequest& request) {
        boxes.push_back(request);
        rs232.SerialReceiveData(nullptr, firstHalf); // comes in while the box is up
        return QMessageBox::Ok;
    });
    rs232.SerialReceiveData(nullptr, Framed("51 09 05 0E 03 0C D4 07"));
    ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Time : 14:5:9\n\nDate : 3-12-2004"));
    rs232.SerialReceiveData(nullptr, secondHalf);
    EXPECT_EQ(
        Window().MonitorSheet()->MonListBox()->PlainText(),
        QStringLiteral("# SUBTOTAL \tAmount:%1")
            .arg(QStringLiteral("1234.56").replace(QLatin1Char('.'), QLocale::system().decimalPoint())));
}

TEST_F(ShellTest, NoResponseWarningIsInTheLanguage) {
    Window().ShowNoResponse();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, QStringLiteral("Upozorenje"));
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Nema odgovora od Orvex"));
    EXPECT_EQ(boxes[0].Icon, QMessageBox::Critical);
}

TEST_F(ShellTest, StartLoadsOrCreatesTheDatabaseInTheWorkingDirectory) {
    EXPECT_EQ(forms->StartupExitStatus(), 0);
    EXPECT_TRUE(QFile::exists(QDir(workDir.path()).filePath(QStringLiteral("pludb.dat"))));
    EXPECT_TRUE(QFile::exists(QDir(workDir.path()).filePath(QStringLiteral("ComOpts.ini"))));
    EXPECT_TRUE(FileHoldsTheTable());
}

TEST_F(ShellTest, CloseQueryAnswers) {
    struct Row {
        bool read;
        bool changed;
        QMessageBox::StandardButton answer;
        bool asked;
        bool saved;
        bool closes;
    };
    const Row rows[] = {
        {true, false, QMessageBox::Yes, true, true, true},
        {true, false, QMessageBox::No, true, false, true},
        {true, true, QMessageBox::No, true, true, true},
        {true, true, QMessageBox::Cancel, true, false, false},
        {false, true, QMessageBox::Cancel, false, true, true},
        {false, false, QMessageBox::Yes, false, false, true},
    };
    uint8_t mark = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "read " << row.read << " changed " << row.changed << " answer " << row.answer);
        Item("Connect1")->trigger();
        ASSERT_TRUE(Dispatcher().IsOpen());
        // A change in the PC table that only a save puts into the file.
        forms->DataForm().Table().Bytes()[5 * 128 + 2] = std::byte{++mark};
        ASSERT_FALSE(FileHoldsTheTable());
        Shell().PlusReadFromRegister = row.read;
        Shell().DatabaseChanged = row.changed;
        boxes.clear();
        answer = row.answer;
        EXPECT_EQ(Window().FormCloseQuery(), row.closes);
        ASSERT_EQ(boxes.size(), row.asked ? 1u : 0u);
        if (row.asked) {
            EXPECT_EQ(boxes[0].Title, QStringLiteral("Upozorenje PLU programa"));
            EXPECT_EQ(boxes[0].Text,
                      QStringLiteral("PLU su pročitani iz kase.\nDa li želite da ažurirate PLU bazu ?"));
            EXPECT_EQ(boxes[0].Buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            EXPECT_EQ(boxes[0].Icon, QMessageBox::Question);
        }
        EXPECT_EQ(FileHoldsTheTable(), row.saved);
        EXPECT_EQ(Dispatcher().IsOpen(), !row.closes);
        Dispatcher().Disconnect();
    }
}

TEST_F(ShellTest, CloseRestoresTheStartDirectoryAndEndsAWait) {
    const QString start = Shell().StartDirectory;
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    int32_t result = -1;
    QTimer::singleShot(20, &Window(), [&] { EXPECT_TRUE(Window().close()); });
    result = Dispatcher().WaitReply('[', 3000);
    EXPECT_EQ(result, ReplyDispatcher::WaitCancelled);
    EXPECT_EQ(QDir::currentPath(), start);
}

TEST_F(ShellTest, CancelledCloseKeepsEverything) {
    Item("Connect1")->trigger();
    Window().show();
    Shell().PlusReadFromRegister = true;
    answer = QMessageBox::Cancel;
    EXPECT_FALSE(Window().close());
    EXPECT_TRUE(Window().isVisible());
    EXPECT_TRUE(Dispatcher().IsOpen());
    EXPECT_TRUE(Shell().PlusReadFromRegister);
}

// The program ends with its main window: the database window does not keep it
// running behind a closed port; a cancelled close leaves it open.
TEST_F(ShellTest, ClosingTheMainWindowTakesTheOtherWindowsAlong) {
    Window().show();
    Control<QToolButton>("ShowDB")->click();
    ASSERT_TRUE(forms->DataForm().isVisible());
    Shell().PlusReadFromRegister = true;
    answer = QMessageBox::Cancel;
    EXPECT_FALSE(Window().close());
    EXPECT_TRUE(forms->DataForm().isVisible());
    answer = QMessageBox::No;
    EXPECT_TRUE(Window().close());
    EXPECT_FALSE(forms->DataForm().isVisible());
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();
}

TEST_F(ShellTest, TerminateEndsWithoutAskingOrSaving) {
    Item("Connect1")->trigger();
    forms->DataForm().Table().Bytes()[7] = std::byte{0x55};
    Shell().PlusReadFromRegister = true;
    Shell().DatabaseChanged = true;
    bool terminated = false;
    QObject::connect(&Window(), &TUserForm::TerminateRequested, [&] { terminated = true; });
    Window().StartSheet()->TerminateButton()->click();
    EXPECT_TRUE(terminated);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(FileHoldsTheTable());
    EXPECT_FALSE(Dispatcher().IsOpen());
}

TEST_F(ShellTest, PagesAreReachedByMenusAndPopupAndLeftByClose) {
    struct Row {
        const char* menuItem;
        const char* popupItem;
        const char* page;
        const char* closeButton;
        const char* hint;
    };
    const Row rows[] = {
        {"Monitor1", "PopSalesMonitor", "MonitorSheet", "CloseSheets", "Evidencija prodaje - (REG.)"},
        {"Sales1", "PopFiscalPrinter", "SalesSheet", "SlsCloseBtn",
         "Režim fiskalnog printera - (P.140, REG)"},
        {"Reports1", "PopReports", "DailySheet", "CloseRepsSheetBtn",
         "Dnevni statistički izveštaji - (X.200, OFF)"},
        {"PLUsProg", "PopPLUs", "ProgSheet", "ClosePLUSheet", "Programiranje PLU baze - (P.148, OFF)"},
        {"Header1", "PopHeader", "CompanySheet", "CloseHdrSheet", "Programiranje zaglavlja - (P.147)"},
        {"Viewer1", "PopFileViewer", "ViewerSheet", "CloseViewerSheet", "Evidencija datoteke"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.page);
        for (const char* item : {row.menuItem, row.popupItem}) {
            Item(item)->trigger();
            EXPECT_EQ(Window().CurrentPage()->objectName(), QString::fromLatin1(row.page));
            EXPECT_EQ(Window().HintText(), QString::fromUtf8(row.hint));
            auto* close = Control<QPushButton>(row.closeButton);
            EXPECT_FALSE(close->isHidden());
            close->click();
            EXPECT_EQ(Window().CurrentPage(), Window().StartSheet());
            EXPECT_EQ(Window().HintText(), QStringLiteral("Orvex Commander"));
        }
    }
    EXPECT_TRUE(Control<QPushButton>("CloseSheets")->isHidden());
}

TEST_F(ShellTest, PageCloseCancelsARunningWait) {
    Item("PLUsProg")->trigger();
    QTimer::singleShot(20, &Window(), [&] { Control<QPushButton>("ClosePLUSheet")->click(); });
    EXPECT_EQ(Dispatcher().WaitReply('[', 3000), ReplyDispatcher::WaitCancelled);
    EXPECT_EQ(Window().CurrentPage(), Window().StartSheet());
}

TEST_F(ShellTest, TextPagesPickTheSaveTargetAndTheFileCommands) {
    Item("Reports1")->trigger();
    EXPECT_EQ(Shell().SaveTarget, 1);
    EXPECT_FALSE(Item("SaveFile")->isEnabled());
    Window().DailySheet()->DailyRich()->SetPlainText(QStringLiteral("report"));
    Item("Viewer1")->trigger();
    EXPECT_EQ(Shell().SaveTarget, 2);
    EXPECT_FALSE(Item("PrintFile")->isEnabled());
    Item("Reports1")->trigger();
    EXPECT_TRUE(Item("SaveFile")->isEnabled());
    EXPECT_TRUE(Item("PrintFile")->isEnabled());
    EXPECT_TRUE(Control<QToolButton>("Save")->isEnabled());
    Item("Monitor1")->trigger();
    EXPECT_EQ(Shell().SaveTarget, 0);
    EXPECT_FALSE(Control<QToolButton>("Print")->isEnabled());
}

TEST_F(ShellTest, CtrlF1RewritesEveryMenuCaptionAndLeavesTheMonitorTextAlone) {
    Window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
    Item("Monitor1")->trigger();
    Item("Connect1")->trigger();
    auto* monitor = Window().MonitorSheet()->MonListBox();
    monitor->AppendLine(QStringLiteral("Broj računa\t12"));
    const QString before = monitor->PlainText();

    // The shortcut acts from inside an edit field, whose own keys would claim it.
    Item("PLUsProg")->trigger();
    auto* pluNum = Control<QLineEdit>("PLUNum");
    pluNum->setFocus();
    QTest::keyClick(pluNum, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_TRUE(Item("MnEnglish")->isChecked());
    EXPECT_FALSE(Item("MnSerbian")->isChecked());
    EXPECT_EQ(Shell().UiLanguage, ShellSettings::English);
    for (const ControlCaption& row : Captions::MenuCaptions()) {
        QObject* root = *row.Form ? static_cast<QObject*>(&forms->PLUPrintForm()) : &Window();
        QObject* control = root->findChild<QMenu*>(row.Control);
        if (!control)
            control = root->findChild<QObject*>(row.Control);
        if (!control)
            continue; // on a window that later work fills
        const QString shown = row.Target == CaptionTarget::ToolTip
                                  ? qobject_cast<QWidget*>(control)->toolTip()
                                  : TextOf(control);
        EXPECT_EQ(shown, QString::fromUtf8(row.Text.En)) << row.Control;
    }
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Disconnect"));
    EXPECT_EQ(Window().HintText(), QStringLiteral("PLU Programming - (P.148, OFF)"));
    EXPECT_EQ(Control<QPushButton>("ClosePLUSheet")->text(), QStringLiteral("Close"));
    EXPECT_EQ(Control<QToolButton>("GetTime")->toolTip(), QStringLiteral("Get CR Time\nProgram"));
    EXPECT_EQ(forms->DLForm().windowTitle(), QStringLiteral("Status Form"));
    EXPECT_EQ(monitor->PlainText(), before);

    QTest::keyClick(pluNum, Qt::Key_F2, Qt::ControlModifier);
    EXPECT_TRUE(Item("MnSerbian")->isChecked());
    EXPECT_EQ(Window().Menus()->Menu("Tools")->title(), QStringLiteral("Alati"));
    EXPECT_EQ(Item("Connect1")->text(), QStringLiteral("Raskinuti"));
    EXPECT_EQ(Window().HintText(), QStringLiteral("Programiranje PLU baze - (P.148, OFF)"));
}

TEST_F(ShellTest, CtrlZConnectsEvenFromAnEditField) {
    Window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
    Item("PLUsProg")->trigger();
    auto* pluNum = Control<QLineEdit>("PLUNum");
    pluNum->setFocus();
    QTest::keyClicks(pluNum, QStringLiteral("7"));
    QTest::keyClick(pluNum, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Dispatcher().IsOpen());
    EXPECT_EQ(pluNum->text(), QStringLiteral("07")) << "the field's undo must not have taken the key";
}

TEST_F(ShellTest, LanguageSwitchRefillsTheUnitBoxAndKeepsTheShownUnit) {
    auto* units = Control<QComboBox>("Flags2Combo");
    EXPECT_EQ(units->itemText(0), QStringLiteral("kom"));
    units->setCurrentIndex(2);
    Item("MnEnglish")->trigger();
    EXPECT_EQ(units->count(), 8);
    EXPECT_EQ(units->itemText(0), QStringLiteral("item"));
    EXPECT_EQ(units->itemText(7), QStringLiteral("cubic meter"));
    // A write after the switch must not store the PLU as sold by pieces.
    EXPECT_EQ(units->currentIndex(), 2);
    EXPECT_EQ(units->currentText(), QStringLiteral("kg"));
}

TEST_F(ShellTest, FontSizeAndWordWrapChangeTheThreeViews) {
    Item("FS12")->trigger();
    const QList<QWidget*> views{Window().MonitorSheet()->MonListBox(), Window().DailySheet()->DailyRich(),
                                Window().ViewerSheet()->ViewRich()};
    for (QWidget* view : views)
        EXPECT_EQ(view->font().pointSize(), 12) << view->objectName().toStdString();
    int checked = 0;
    for (const char* size : {"FS8", "FS10", "FS12"})
        checked += Item(size)->isChecked() ? 1 : 0;
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(Shell().TextFontSize, 12);

    Item("WRYes")->trigger();
    EXPECT_TRUE(Window().MonitorSheet()->MonListBox()->WordWrap());
    EXPECT_TRUE(Window().DailySheet()->DailyRich()->WordWrap());
    EXPECT_TRUE(Window().ViewerSheet()->ViewRich()->WordWrap());
    EXPECT_FALSE(Item("WRNo")->isChecked());
}

TEST_F(ShellTest, VersionSwitchesThePluScopesAndTheSalesPage) {
    Item("Mnv250")->trigger();
    EXPECT_TRUE(Control<QRadioButton>("StockOnly")->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>("AllPLUData")->isEnabled());
    Control<QRadioButton>("AllPLUData")->setChecked(true);
    Item("Mnv240")->trigger();
    EXPECT_FALSE(Window().SalesSheet()->SalesGroup()->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>("ConstantFields")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("StockOnly")->isEnabled());
    EXPECT_FALSE(Item("Mnv250")->isChecked());
    Item("Mnv250")->trigger();
    EXPECT_TRUE(Window().SalesSheet()->SalesGroup()->isEnabled());
}

TEST_F(ShellTest, SettingsItemsSetTheShellSettings) {
    Item("Filewithmacros")->trigger();
    EXPECT_EQ(Shell().DescriptionColumn, 10);
    EXPECT_FALSE(Item("Standardfile")->isChecked());
    Item("Standardfile")->trigger();
    EXPECT_EQ(Shell().DescriptionColumn, 2);
    Item("MnSaleafter")->trigger();
    EXPECT_TRUE(Shell().SaleAfterScan);
    Item("MnUsersale")->trigger();
    EXPECT_FALSE(Shell().SaleAfterScan);
}

TEST_F(ShellTest, CharsetItemsSetTheCharsetAndTheFontOfTheViews) {
    Item("LatCSet")->trigger();
    EXPECT_EQ(Shell().RegisterCharset, 238);
    EXPECT_FALSE(Item("CyrCSet")->isChecked());
    Item("MnCRAsciiletters")->trigger();
    EXPECT_EQ(Shell().RegisterCharset, 204);
    for (QWidget* view :
         QList<QWidget*>{Window().MonitorSheet()->MonListBox(), Window().DailySheet()->DailyRich(),
                         Window().ViewerSheet()->ViewRich()}) {
        EXPECT_EQ(view->font().family(), QStringLiteral("OrvexChars")) << view->objectName().toStdString();
        EXPECT_EQ(view->property("registerCharset").toInt(), 204);
    }
    Item("DefCSet")->trigger();
    EXPECT_EQ(Shell().RegisterCharset, 1);
    EXPECT_EQ(Window().DailySheet()->DailyRich()->font().family(), QStringLiteral("Courier New"));
}

// A save that fails at close (pludb.dat turned into a folder: no user, not
// even root, can write it) lets the user try again, save elsewhere, quit
// without saving (the program then ends with a failure status) or go back,
// which is what Enter and Escape do.
TEST_F(ShellTest, AFailedSaveAtCloseOffersAWayOutAndNeverQuitsSilently) {
    const QString database = QDir(workDir.path()).filePath(QStringLiteral("pludb.dat"));
    ASSERT_TRUE(QFile::remove(database));
    ASSERT_TRUE(QDir().mkdir(database));
    const QString elsewhere = QDir(workDir.path()).filePath(QStringLiteral("saved-elsewhere.dat"));
    FileDialogs::SetFileHook([&](const FileDialogs::FileRequest& request) {
        EXPECT_TRUE(request.Save);
        return elsewhere;
    });
    std::vector<QMessageBox::StandardButton> answers;
    MessageBoxes::SetHook([&](const MessageRequest& request) {
        boxes.push_back(request);
        if (answers.empty())
            return QMessageBox::Cancel;
        const QMessageBox::StandardButton next = answers.front();
        answers.erase(answers.begin());
        return next;
    });
    Item("MnEnglish")->trigger();
    forms->DataForm().Table()[7].SetDescription("CHANGED");

    struct Row {
        std::vector<QMessageBox::StandardButton> Answers;
        bool Closes;
        int ExitStatus;
        bool SavedElsewhere;
        size_t Boxes;
    };
    const Row rows[] = {
        {{QMessageBox::Cancel}, false, 0, false, 1},
        {{QMessageBox::Retry, QMessageBox::Cancel}, false, 0, false, 2},
        {{QMessageBox::Save}, true, 0, true, 1},
        {{QMessageBox::Discard}, true, 1, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "first answer " << row.Answers.front());
        Shell().DatabaseChanged = true;
        QFile::remove(elsewhere);
        boxes.clear();
        answers = row.Answers;
        EXPECT_EQ(Window().FormCloseQuery(), row.Closes);
        EXPECT_EQ(Window().ExitStatus(), row.ExitStatus);
        ASSERT_EQ(boxes.size(), row.Boxes);
        const MessageRequest& box = boxes[0];
        EXPECT_EQ(box.Title, QStringLiteral("PLU Program Warning"));
        EXPECT_TRUE(
            box.Text.startsWith(QStringLiteral("The PLU database was not saved:\nCannot open database file "
                                               "for writing!")))
            << box.Text.toStdString();
        EXPECT_EQ(box.Buttons,
                  QMessageBox::Retry | QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        EXPECT_EQ(box.Default, QMessageBox::Cancel);
        ASSERT_EQ(box.ButtonTexts.size(), 4u);
        EXPECT_EQ(box.ButtonTexts[3].second, QStringLiteral("Back to the program"));
        EXPECT_TRUE(QFileInfo(database).isDir()) << "the old database stays as it was";
        if (row.SavedElsewhere) {
            const auto bytes = forms->DataForm().Table().Bytes();
            EXPECT_TRUE(ReadFile(elsewhere) ==
                        QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
        } else {
            EXPECT_FALSE(QFile::exists(elsewhere));
        }
    }
    FileDialogs::SetFileHook({});
}

// Settings > Communication > Trace to file: on through the save dialog, off
// on the next click (the file closed, nothing more written), and a file that
// cannot be written said in words with the trace left off.
TEST_F(ShellTest, TraceToFileTurnsOnAndOffAndSaysWhyItCannot) {
    const QString path = QDir(workDir.path()).filePath(QStringLiteral("line.txt"));
    QString answerPath = path;
    FileDialogs::SetFileHook([&](const FileDialogs::FileRequest& request) {
        EXPECT_TRUE(request.Save);
        return answerPath;
    });
    QAction* trace = Item("MnTraceFile");
    EXPECT_EQ(trace->text(), QStringLiteral("Zapis prenosa u datoteku..."));
    EXPECT_FALSE(trace->isChecked()) << "off by default";
    EXPECT_FALSE(Dispatcher().RS232().Trace().IsOn());

    trace->trigger();
    EXPECT_TRUE(trace->isChecked());
    Item("Connect1")->trigger();
    Dispatcher().RS232().SendFrame({0x51});
    EXPECT_EQ(Hex(pty.ReadAtLeast(5)), "7E 51 51 51 7F");
    trace->trigger();
    EXPECT_FALSE(trace->isChecked());
    EXPECT_FALSE(Dispatcher().RS232().Trace().IsOn());
    Dispatcher().RS232().SendFrame({0x51});
    EXPECT_TRUE(ReadFile(path).endsWith(" OUT 7E 51 51 51 7F code 51 'Q'\n")) << ReadFile(path).constData();
    EXPECT_EQ(ReadFile(path).count('\n'), 1);
    EXPECT_TRUE(boxes.empty());

    answerPath = QDir(workDir.path()).filePath(QStringLiteral("no/such/dir/line.txt"));
    for (const char* language : {"MnSerbian", "MnEnglish"}) {
        boxes.clear();
        Item(language)->trigger();
        trace->trigger();
        EXPECT_FALSE(trace->isChecked());
        EXPECT_FALSE(Dispatcher().RS232().Trace().IsOn());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].Text.contains(QDir::toNativeSeparators(answerPath)))
            << boxes[0].Text.toStdString();
        EXPECT_TRUE(boxes[0].Text.startsWith(QString::fromUtf8(
            std::string(language) == "MnSerbian" ? "Zapis prenosa ne može" : "The protocol trace cannot")))
            << boxes[0].Text.toStdString();
    }
    FileDialogs::SetFileHook({});
}

TEST_F(ShellTest, ATraceThatCannotBeWrittenAnyMoreTurnsItselfOffAndSaysSo) {
    // A disk that fills up while the trace runs: the file may grow no further
    // than it is (the limit is the process's, so it is lifted right after).
    const QString path = QDir(workDir.path()).filePath(QStringLiteral("line.txt"));
    FileDialogs::SetFileHook([&](const FileDialogs::FileRequest&) { return path; });
    Item("MnEnglish")->trigger();
    Item("MnTraceFile")->trigger();
    EXPECT_TRUE(Item("MnTraceFile")->isChecked());
    Item("Connect1")->trigger();
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit full = previous;
    full.rlim_cur = 0;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    Dispatcher().RS232().SendFrame({0x51});
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }, 2000));
    EXPECT_TRUE(
        boxes[0].Text.startsWith(QStringLiteral("The protocol trace could not be written to %1:").arg(path)))
        << boxes[0].Text.toStdString();
    EXPECT_FALSE(Item("MnTraceFile")->isChecked());
    EXPECT_FALSE(Dispatcher().RS232().Trace().IsOn());
    EXPECT_EQ(Hex(pty.ReadAtLeast(5)), "7E 51 51 51 7F") << "the line goes on without its trace";
    FileDialogs::SetFileHook({});
}

TEST_F(ShellTest, DeviceBackIsSaidInTheHintPanel) {
    Item("Connect1")->trigger();
    for (const char* language : {"MnSerbian", "MnEnglish"}) {
        Item(language)->trigger();
        emit Dispatcher().Reconnected(pty.DevicePath());
        EXPECT_EQ(Window().HintText(),
                  std::string(language) == "MnSerbian"
                      ? pty.DevicePath() + " je ponovo priključen: port je opet otvoren na 19200 bit/s."
                      : pty.DevicePath() + " is back: the port is open again at 19200 bit/s.");
    }
}
