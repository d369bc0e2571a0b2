#include "shell/Screenshots.h"

#include "barcodes/TBarcodeForm.h"
#include "common/ShellSettings.h"
#include "database/TDataForm.h"
#include "header/HeaderPage.h"
#include "header/TMessageForm.h"
#include "history/HistoryPage.h"
#include "monitor/ExternalPluRequest.h"
#include "monitor/JournalMonitor.h"
#include "monitor/MonitorPage.h"
#include "plu/PluPage.h"
#include "printing/TPLUPrintForm.h"
#include "printing/TRepStatusForm.h"
#include "reports/DailyReports.h"
#include "reports/ReportsPage.h"
#include "reports/TOperForm.h"
#include "reports/TPLUStat.h"
#include "sales/SalesPage.h"
#include "sales/StatusReplies.h"
#include "shell/FindRegisterDialog.h"
#include "shell/FormSet.h"
#include "shell/MainMenus.h"
#include "shell/StartPage.h"
#include "shell/TIntroForm.h"
#include "shell/TUserForm.h"
#include "toolkit/MessageBoxes.h"
#include "toolkit/ModePage.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"
#include "viewer/ViewerPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextEdit>
#include <array>
#include <functional>

#if __has_include("sim/RegisterModel.h")
#include "sim/RegisterModel.h"
#define ORVEX_SCREENSHOT_JOURNAL 1
#endif

namespace {

// A stretch of the simulated register's selling day on the monitor, the
// register's PLU requests answered from the PC table as on the line.
void ShowSimulatedJournal(FormSet& forms) {
#ifdef ORVEX_SCREENSHOT_JOURNAL
    TUserForm& window = forms.UserForm();
    JournalMonitor* journal = &forms.Session().Journal();
    window.MonitorSheet()->ClearClick();
    RegisterModel model(7);
    const PluTable& table = forms.DataForm().Table();
    const auto span = [](const QByteArray& bytes) {
        return std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    };
    QObject::connect(&model, &RegisterModel::Unsolicited, &model, [&](const QByteArray& payload) {
        if (payload.isEmpty() || uint8_t(payload[0]) != ExternalPluCode) {
            journal->JournalRecord(span(payload));
            return;
        }
        journal->ExternalPluRequest(span(payload));
        const JournalStyle style{Shell().UiLanguage, false, Shell().RegisterCharset, QLatin1Char('.')};
        const ExternalPluOutcome outcome = AnswerExternalPluRequest(span(payload), table, style);
        if (outcome.Answer) {
            for (const QByteArray& record : model.Answer(*outcome.Answer))
                journal->JournalRecord(span(record));
        }
    });
    for (int step = 0; step < 60; ++step)
        model.SellStep();
#else
    Q_UNUSED(forms);
#endif
}

// The six reports of a simulated day, as the register would answer them.
void ShowSimulatedReports(FormSet& forms) {
#ifdef ORVEX_SCREENSHOT_JOURNAL
    TUserForm& window = forms.UserForm();
    ReportsPage* page = window.DailySheet();
    page->ClearRichClick();
    RegisterModel model(7);
    // The register asks the PC for the PLUs it does not hold; here nobody has them.
    std::array<uint8_t, 21> notFound{'N', 0xFF, 0xFF};
    // Selling goes on until the last receipt has closed: the Z report runs outside one.
    for (int step = 0; step < 1000 && (step < 200 || model.Day().ReceiptOpen()); ++step) {
        model.SellStep();
        if (model.AwaitingPluAnswer())
            (void)model.Answer(std::span<const uint8_t>(notFound));
    }
    const ReportStyle style = forms.Session().Reports().Style();
    const PluTable& table = forms.DataForm().Table();
    const auto show = [&](const QByteArray& reply) {
        page->AppendLines(
            DecodeReport(std::span(reinterpret_cast<const uint8_t*>(reply.constData()), size_t(reply.size())),
                         style, table));
    };
    show(model.Day().TaxReport());
    show(model.Day().DepartmentReport());
    show(model.Day().StatusReport());
    show(model.Day().OperatorReport(1));
    page->AppendLines(PluReportHeading(style));
    for (int n = 1; n <= 20; ++n)
        show(model.Day().PluReport(n));
    page->AppendLines({UnansweredPlusLine({7}, style), QString()});
    model.Answer(QByteArray(1, char(RunZReportCode)));
    show(model.Day().LastZReport());
#else
    Q_UNUSED(forms);
#endif
}

// The report view scrolled to each report's heading in turn.
template <typename Save> void SaveEachReport(TUserForm& window, Save& save, const QString& suffix) {
    LineView* view = window.DailySheet()->DailyRich();
    const LineStore& store = *view->Store();
    int shot = 0;
    for (qsizetype row = 0; row < store.RowCount(); ++row) {
        const QString text = store.Row(row);
        if (!text.startsWith(QStringLiteral("------ ")) && text != Captions::Reports::LastZReport.Text())
            continue;
        view->verticalScrollBar()->setValue(int(row));
        QApplication::processEvents();
        save(window, QStringLiteral("DailySheet_report%1_").arg(++shot) + suffix);
    }
}

// The database window with its search page and settings panel, and the
// printing wizard's pages with a preview.
void ShowDatabaseWindows(FormSet& forms, const std::function<void(QWidget&, const QString&)>& save) {
    TDataForm& data = forms.DataForm();
    const auto named = [](QWidget& form, const char* name) {
        return form.findChild<QWidget*>(QString::fromLatin1(name));
    };
    // The search reports its count in a box, which would wait for a click.
    MessageBoxes::SetHook([](const MessageRequest&) { return QMessageBox::Ok; });
    data.show();
    static_cast<QLineEdit*>(named(data, "PLUCode"))->setText(QStringLiteral("125"));
    save(data, QStringLiteral("TDataForm_grid"));
    data.FindPLUsClick();
    static_cast<QLineEdit*>(named(data, "SearchDescrEdit"))->setText(QStringLiteral("COD  12"));
    data.SearchBtnClick();
    save(data, QStringLiteral("TDataForm_search"));
    data.FindPLUsClick();
    data.ShowSetsClick();
    static_cast<QComboBox*>(named(data, "FieldComboBox"))->setCurrentIndex(4);
    save(data, QStringLiteral("TDataForm_settings"));
    data.ShowSetsClick();
    data.close();

    TPLUPrintForm& wizard = forms.PLUPrintForm();
    wizard.show();
    for (const char* field : {"Description2", "PLUPrice", "PLUDept", "PLUWP", "PLUA"})
        static_cast<QAbstractButton*>(named(wizard, field))->setChecked(true);
    save(wizard, QStringLiteral("TPLUPrintForm_fields"));
    wizard.ChoiceNextClick();
    static_cast<QAbstractButton*>(named(wizard, "FromToAll"))->click();
    static_cast<QLineEdit*>(named(wizard, "To"))->setText(QStringLiteral("60"));
    save(wizard, QStringLiteral("TPLUPrintForm_final"));
    wizard.PreviewClick();
    save(wizard, QStringLiteral("TPLUPrintForm_preview"));
    wizard.close();
    TRepStatusForm& status = forms.RepStatusForm();
    status.Start(1000);
    status.SetProgress(400, QStringLiteral("40 %"));
    save(status, QStringLiteral("TRepStatusForm"));
    status.Finish();
    MessageBoxes::SetHook({});
}

} // namespace

int SaveScreenshots(FormSet& forms, const QString& dir) {
    QDir().mkpath(dir);
    TUserForm& window = forms.UserForm();
    window.show();
    window.FormActivate();
    QApplication::processEvents();
    int written = 0;
    const auto save = [&](QWidget& widget, const QString& name) {
        QApplication::processEvents();
        if (widget.grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))))
            ++written;
    };
    for (const int lang : {ShellSettings::Serbian, ShellSettings::English}) {
        Shell().UiLanguage = lang;
        window.ApplyLanguage(lang);
        const QString suffix = lang == ShellSettings::English ? QStringLiteral("en") : QStringLiteral("sr");
        QStackedWidget* pages = window.PageControl();
        for (int i = 0; i < pages->count(); ++i) {
            auto* page = qobject_cast<ModePage*>(pages->widget(i));
            if (page == window.MonitorSheet())
                ShowSimulatedJournal(forms);
            if (page == window.DailySheet())
                ShowSimulatedReports(forms);
            if (page == window.ViewerSheet())
                window.ViewerSheet()->ShowText(window.MonitorSheet()->MonListBox()->PlainText());
            window.ShowPage(page);
            // The history is read on a thread of its own: its figures, not the wait.
            if (page == window.HistorySheet()) {
                const QDeadlineTimer deadline(5000);
                while (window.HistorySheet()->IsLoading() && !deadline.hasExpired())
                    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
            }
            save(window, page->objectName() + QLatin1Char('_') + suffix);
            if (page == window.DailySheet())
                SaveEachReport(window, save, suffix);
        }
        // The PLU page as it looks a quarter into reading a range of 1000.
        PluPage* plu = window.ProgSheet();
        window.ShowPage(plu);
        plu->SetRangeRunning(true, TransferKind::ReadRange);
        plu->ShowStatusPanel(true);
        plu->ShowRequest(QStringLiteral("   >"), 250);
        plu->ShowReply(QStringLiteral("        <"), 249);
        plu->ShowProgress(250, 1000, 43000);
        save(window, QStringLiteral("ProgSheet_transfer_") + suffix);
        plu->ShowStatusPanel(false);
        plu->SetRangeRunning(false, TransferKind::ReadRange);
        // The fiscal printer page in a receipt: a PLU chosen, the new-price
        // box open, the receipt and error status shown.
        SalesPage* sales = window.SalesSheet();
        window.ShowPage(sales);
        sales->findChild<QLineEdit*>(QStringLiteral("SPLUCode"))->setText(QStringLiteral("1"));
        sales->findChild<QLineEdit*>(QStringLiteral("WgtPcs"))->setText(QStringLiteral("2"));
        sales->SubtotalRecorded(QStringLiteral("12.40"));
        sales->findChild<QPushButton*>(QStringLiteral("NewPLUPrBtn"))->click();
        sales->findChild<QLineEdit*>(QStringLiteral("PLUCodePrice"))->setText(QStringLiteral("1"));
        sales->findChild<QLineEdit*>(QStringLiteral("PriceCh"))->setText(QStringLiteral("1.99"));
        const std::array<uint8_t, 2> inside{'V', 'I'};
        forms.Session().Status().ReceiptStatusReply(inside);
        const std::array<uint8_t, 2> notActive{' ', 0x30};
        forms.Session().Status().ErrorStatusReply(notActive);
        save(window, QStringLiteral("SalesSheet_receipt_") + suffix);
        sales->findChild<QWidget*>(QStringLiteral("NewPrGroupBox"))->hide();
        // The header page with the simulated register's lines, and the thanks editor.
        HeaderPage* header = window.CompanySheet();
        window.ShowPage(header);
        const char* lines[] = {"  ORVEX",          "      DEMO SHOP", "MAIN STREET 1", "11000 BELGRADE",
                               "TEL 011 123 4567", "PIB 100123456",   "PDV 123456789", "OX01234567"};
        for (int n = 1; n <= HeaderLineCount; ++n)
            header->ShowLine(
                {n, uint8_t(n == 1 ? 3 : 0), QString::fromLatin1(lines[n - 1]).leftJustified(21)});
        save(window, QStringLiteral("CompanySheet_lines_") + suffix);
        header->ClearHeaderLinesClick();
        TMessageForm& thanks = forms.MessageForm();
        thanks.Open();
        thanks.Line()->setText(QStringLiteral("      THANK YOU"));
        thanks.findChild<QCheckBox*>(QStringLiteral("Center9"))->setChecked(true);
        save(thanks, QStringLiteral("TMessageForm_") + suffix);
        thanks.CloseClick();
        // The statistics dialogs over the Reports page.
        window.ShowPage(window.DailySheet());
        TPLUStat& pluStat = forms.PLUStat();
        pluStat.show();
        pluStat.PLUCode()->setText(QStringLiteral("1"));
        pluStat.PLUCode2()->setText(QStringLiteral("20"));
        save(pluStat, QStringLiteral("TPLUStat_") + suffix);
        pluStat.hide();
        TOperForm& operForm = forms.OperForm();
        operForm.show();
        operForm.OperCode()->setEditText(QStringLiteral("3"));
        save(operForm, QStringLiteral("TOperForm_") + suffix);
        operForm.hide();
        window.ShowPage(window.StartSheet());
        // Connection > Find register over this machine's devices, asking and done.
        window.Menus()->Action(QStringLiteral("MnFindRegister"))->trigger();
        if (auto* find = window.findChild<FindRegisterDialog*>()) {
            save(*find, QStringLiteral("FindRegisterDialog_searching_") + suffix);
            const QDeadlineTimer deadline(30000);
            while (find->Searching() && !deadline.hasExpired())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
            save(*find, QStringLiteral("FindRegisterDialog_") + suffix);
            find->close();
            QApplication::processEvents();
        }
        // Every menu down to the submenus, and the modes popup.
        QList<QMenu*> menus{window.Menus()->ModesPopup()};
        for (QAction* item : window.menuBar()->actions()) {
            if (item->menu())
                menus << item->menu();
        }
        for (qsizetype i = 0; i < menus.size(); ++i) {
            QMenu* menu = menus[i];
            for (QAction* item : menu->actions()) {
                if (item->menu())
                    menus << item->menu();
            }
            menu->popup(window.mapToGlobal(QPoint(0, 0)));
            save(*menu, QStringLiteral("Menu_") + menu->objectName() + QLatin1Char('_') + suffix);
            menu->hide();
        }
        ShowDatabaseWindows(forms, [&](QWidget& widget, const QString& name) {
            save(widget, name + QLatin1Char('_') + suffix);
        });
        forms.BarcodeForm().show();
        save(forms.BarcodeForm(), QStringLiteral("TBarcodeForm_") + suffix);
        forms.BarcodeForm().close();
    }
    forms.IntroForm().show();
    save(forms.IntroForm(), QStringLiteral("TIntroForm"));
    forms.IntroForm().close();
    return written;
}
