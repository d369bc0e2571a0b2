// The window recording into the sales history while the simulated register
// sells at the full 19200 bit/s line rate, the sales monitor on show. Figures:
//   - the longest gap between two turns of the window's event loop (goal
//     <= 50 ms), recording and not recording;
//   - the journal records and receipts that reached history.sqlite.
#include "BenchSupport.h"
#include "common/ShellSettings.h"
#include "history/HistorySql.h"
#include "monitor/JournalMonitor.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/TCommPortDriver.h"
#include "shell/FormSet.h"
#include "shell/MainMenus.h"
#include "shell/TUserForm.h"
#include "shell/WindowHistory.h"
#include "sim/InProcessRegister.h"
#include "toolkit/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int SellingMs = 10000;

struct Run {
    double LongestGapMs = 0;
    int Records = 0;
    qint64 Stored = 0;
    qint64 Receipts = 0;
};

Run Sell(bool record) {
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    SimOptions options;
    options.SellEveryMs = 1;
    InProcessRegister simulator(options);
    const QString device = simulator.Start();
    if (device.isEmpty()) {
        std::fprintf(stderr, "the simulated register did not start: %s\n",
                     qPrintable(simulator.ErrorString()));
        return {};
    }
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    Run run;
    {
        FormSet forms;
        forms.UserForm().FormActivate();
        forms.UserForm().show();
        if (record && !forms.History().Open(QString(), dir.path()))
            std::fprintf(stderr, "the history did not open: %s\n", qPrintable(forms.History().OpenError()));
        QObject::connect(&forms.Session().Journal(), &JournalMonitor::RecordDecoded,
                         [&run] { ++run.Records; });
        forms.UserForm().Menus()->Action(QStringLiteral("Monitor1"))->trigger();
        forms.UserForm().Menus()->Action(QStringLiteral("Connect1"))->trigger();
        GapWatch gaps;
        gaps.Start();
        // Waits for events as the program's own loop does.
        const QDeadlineTimer selling(SellingMs);
        while (!selling.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        run.LongestGapMs = gaps.StopMs();
        forms.Session().Dispatcher().Disconnect();
        if (record)
            forms.History().Store().Flush(10000);
    }
    if (record) {
        HistoryConnection connection;
        QString error;
        if (connection.OpenSqlite(QDir(dir.path()).filePath(QStringLiteral("history.sqlite")), error)) {
            QSqlQuery query(connection.Database());
            if (query.exec(QStringLiteral("SELECT COUNT(*) FROM journal")) && query.next())
                run.Stored = query.value(0).toLongLong();
            if (query.exec(QStringLiteral("SELECT COUNT(*) FROM receipts")) && query.next())
                run.Receipts = query.value(0).toLongLong();
        }
    }
    TCommPortDriver::ClearDeviceOverrides();
    return run;
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    MessageBoxes::SetHook([](const MessageRequest&) { return QMessageBox::No; });
    const QString start = QDir::currentPath();
    const Run without = Sell(false);
    const Run with = Sell(true);
    QDir::setCurrent(start);
    std::printf("Window history: %d journal records in %d s at 19200 bit/s; %lld stored, %lld receipts\n",
                with.Records, SellingMs / 1000, static_cast<long long>(with.Stored),
                static_cast<long long>(with.Receipts));
    std::printf("Window history: longest event-loop gap %.1f ms recording, %.1f ms not recording "
                "(%d records): goal <= 50 ms\n",
                with.LongestGapMs, without.LongestGapMs, without.Records);
    return with.LongestGapMs <= 50.0 ? 0 : 1;
}
