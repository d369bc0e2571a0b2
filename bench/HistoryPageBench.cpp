// The History page over a year of a busy shop: how long each chart takes to be
// on show and the longest the event loop waits meanwhile. With --sample DIR it
// only writes a month (--days N) of the made-up shop into DIR/history.sqlite,
// for looking at the page: orvex-commander --data-dir DIR --simulate.

#include "BenchSupport.h"
#include "HistorySample.h"

#include "history/HistoryPage.h"
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
#include <QDeadlineTimer>

#include <QApplication>
#include <QChartView>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr double ChartGoalMs = 200.0;
constexpr double GapGoalMs = 50.0;

struct Shown {
    double FirstMs = 0; // asked to the shown chart drawn and painted
    // The slowest other chart: asked to its figures read, and its drawing.
    double SlowestMs = 0;
    const char* Slowest = "";
    double AllReadMs = 0;
    double GapMs = 0;
};

// Asks for a period on the turnover chart and lets the event loop turn until
// every part of its figures is in; then shows every other chart once.
Shown Measure(HistoryPage& page, const std::function<void()>& choose) {
    Shown s;
    page.ShowChart(HistoryChart::Turnover);
    QEventLoop loop;
    std::array<double, HistoryCharts.size()> arrived{};
    QElapsedTimer clock;
    bool failed = false;
    const auto connection =
        QObject::connect(&page, &HistoryPage::FiguresShown, &loop, [&](const HistoryReading& r) {
            failed = failed || !r.Ok;
            for (const HistoryChart chart : HistoryCharts)
                if ((r.Parts & HistoryPage::PartOf(chart)) && arrived[size_t(chart)] == 0)
                    arrived[size_t(chart)] = double(clock.nsecsElapsed()) / 1e6;
            if (r.Parts & DaysPart) {
                page.ChartView(HistoryChart::Turnover)->repaint();
                s.FirstMs = double(clock.nsecsElapsed()) / 1e6;
            }
            if (!page.IsLoading())
                loop.quit();
        });
    GapWatch gaps;
    gaps.Start();
    clock.start();
    choose();
    if (page.IsLoading())
        loop.exec();
    s.AllReadMs = double(clock.nsecsElapsed()) / 1e6;
    for (const HistoryChart chart : HistoryCharts) {
        if (chart == HistoryChart::Turnover)
            continue;
        QElapsedTimer tab;
        tab.start();
        page.ShowChart(chart);
        page.ChartView(chart)->repaint();
        const double onShow = arrived[size_t(chart)] + double(tab.nsecsElapsed()) / 1e6;
        if (onShow > s.SlowestMs) {
            s.SlowestMs = onShow;
            static QByteArray name;
            name = HistoryChartName(chart).toLatin1();
            s.Slowest = name.constData();
        }
        QCoreApplication::processEvents();
    }
    s.GapMs = gaps.StopMs();
    QObject::disconnect(connection);
    if (failed)
        std::fprintf(stderr, "the history could not be read\n");
    return s;
}

struct Selling {
    double GapMs = 0;
    int Records = 0;
    int Reads = 0;
};

// The window on the year's history, recording into it while the simulated
// register sells at the full line rate, the History page asked for one
// period after another: the longest the event loop waits.
Selling WhileSelling(const QString& dir, const QDate& last) {
    Selling run;
    const QString start = QDir::currentPath();
    QDir::setCurrent(dir);
    SimOptions options;
    options.SellEveryMs = 1;
    InProcessRegister simulator(options);
    const QString device = simulator.Start();
    if (device.isEmpty()) {
        std::fprintf(stderr, "the simulated register did not start: %s\n",
                     qPrintable(simulator.ErrorString()));
        return run;
    }
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    {
        FormSet forms;
        TUserForm& window = forms.UserForm();
        window.FormActivate();
        window.show();
        if (!forms.History().Open(QString(), dir))
            std::fprintf(stderr, "the history did not open: %s\n", qPrintable(forms.History().OpenError()));
        QObject::connect(&forms.Session().Journal(), &JournalMonitor::RecordDecoded,
                         [&run] { ++run.Records; });
        HistoryPage* page = window.HistorySheet();
        page->SetToday(last);
        QObject::connect(page, &HistoryPage::FiguresShown, [&run] { ++run.Reads; });
        window.Menus()->Action(QStringLiteral("Connect1"))->trigger();
        window.Menus()->Action(QStringLiteral("History1"))->trigger();
        GapWatch gaps;
        gaps.Start();
        const std::function<void()> periods[] = {[&] { page->SetPeriod(HistoryPage::ThisMonth); },
                                                 [&] { page->SetPeriod(HistoryPage::Today); },
                                                 [&] { page->SetRange(last.addDays(-364), last); },
                                                 [&] { page->SetPeriod(HistoryPage::ThisWeek); }};
        const QDeadlineTimer selling(10000);
        size_t next = 0;
        while (!selling.hasExpired()) {
            if (!page->IsLoading()) {
                for (const HistoryChart chart : HistoryCharts)
                    page->ShowChart(chart);
                periods[next++ % std::size(periods)]();
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        run.GapMs = gaps.StopMs();
        forms.Session().Dispatcher().Disconnect();
        forms.History().Store().Flush(10000);
    }
    TCommPortDriver::ClearDeviceOverrides();
    QDir::setCurrent(start);
    return run;
}

int WriteSample(const QString& dir, int days) {
    HistoryTarget target;
    QString error;
    if (!QDir().mkpath(dir) || !ParseHistoryTarget(QString(), dir, target, error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(dir), qPrintable(error));
        return 1;
    }
    HistorySampleOptions options;
    options.Days = days;
    HistorySampleResult result;
    if (!WriteHistorySample(target, options, result, error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(target.File), qPrintable(error));
        return 1;
    }
    std::printf("%s: %lld receipts, %lld lines, %lld journal records over %d days to %s\n",
                qPrintable(target.File), static_cast<long long>(result.Receipts),
                static_cast<long long>(result.Lines), static_cast<long long>(result.JournalRecords), days,
                qPrintable(options.Last.toString(Qt::ISODate)));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    MessageBoxes::SetHook([](const MessageRequest&) { return QMessageBox::No; });
    QCommandLineParser parser;
    parser.addOption({"sample", "Write a made-up shop's history into DIR and end.", "DIR"});
    parser.addOption({"days", "Days of the sample (31).", "N", "31"});
    parser.process(app);
    if (parser.isSet("sample"))
        return WriteSample(parser.value("sample"), parser.value("days").toInt());

    QTemporaryDir dir;
    HistoryTarget target;
    QString error;
    if (!dir.isValid() || !ParseHistoryTarget(QString(), dir.path(), target, error)) {
        std::fprintf(stderr, "no temporary folder: %s\n", qPrintable(error));
        return 1;
    }
    HistorySampleOptions options;
    options.Days = 365;
    HistorySampleResult made;
    QElapsedTimer clock;
    clock.start();
    if (!WriteHistorySample(target, options, made, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("History page: a year of a busy shop, %lld receipts, %lld lines, %lld journal records "
                "(made in %.1f s)\n",
                static_cast<long long>(made.Receipts), static_cast<long long>(made.Lines),
                static_cast<long long>(made.JournalRecords), double(clock.elapsed()) / 1000.0);

    HistoryPage page;
    page.resize(800, 600);
    page.SetToday(options.Last);
    page.show();
    page.SetTarget(target);
    bool ok = true;
    const std::pair<const char*, std::function<void()>> periods[] = {
        {"today", [&] { page.SetPeriod(HistoryPage::Today); }},
        {"this week", [&] { page.SetPeriod(HistoryPage::ThisWeek); }},
        {"this month", [&] { page.SetPeriod(HistoryPage::ThisMonth); }},
        {"the whole year", [&] { page.SetRange(options.Last.addDays(-364), options.Last); }},
    };
    // The first read opens the database; the page does it on show.
    Measure(page, [&] { page.PageShow(); });
    for (const auto& [name, choose] : periods) {
        const Shown s = Measure(page, choose);
        ok = ok && std::max(s.FirstMs, s.SlowestMs) <= ChartGoalMs && s.GapMs <= GapGoalMs;
        std::printf(
            "History page, %s: the shown chart in %.1f ms, the slowest other (%s) %.1f ms after asking "
            "(goal <= %.0f ms), all read in %.0f ms; longest event-loop gap %.1f ms (goal <= %.0f ms)\n",
            name, s.FirstMs, s.Slowest, s.SlowestMs, ChartGoalMs, s.AllReadMs, s.GapMs, GapGoalMs);
    }
    const Selling selling = WhileSelling(dir.path(), options.Last);
    ok = ok && selling.GapMs <= GapGoalMs;
    std::printf(
        "History page while the register sells at 19200 bit/s and the window records: %d journal "
        "records, %d parts of figures read in 10 s; longest event-loop gap %.1f ms (goal <= %.0f ms)\n",
        selling.Records, selling.Reads, selling.GapMs, GapGoalMs);
    return ok ? 0 : 1;
}
