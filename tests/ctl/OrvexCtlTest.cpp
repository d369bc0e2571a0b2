#include "ctl/CtlRunner.h"
#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"
#include "plu/PluRecord.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"
#include "support/WaitUntil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace {

SimPlu Article(const char* description, uint32_t priceHundredths) {
    SimPlu plu;
    std::memcpy(plu.Description.data(), description,
                std::min(std::strlen(description), plu.Description.size()));
    plu.Price = priceHundredths;
    plu.Flags = SimPlu::FlagActive | 1;
    return plu;
}

struct CtlResult {
    int Status = -1;
    QString Out;
    QString Err;
};

// Commands run in this process, in a folder of their own (where pludb.dat is
// looked for), against an unpaced simulated register.
class OrvexCtlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(previous); }

    CtlResult Ctl(const QStringList& args) {
        CtlResult result;
        QTextStream out(&result.Out);
        QTextStream err(&result.Err);
        CtlContext context{out, err, false, simOptions, started, stopping, stopRequested};
        context.Simulator.Speed = 0;
        result.Status = RunOrvexCtl(args, context);
        return result;
    }
    CtlResult Sim(const QString& command) {
        return Ctl(QStringList{QStringLiteral("--simulate")} + command.split(QLatin1Char(' ')));
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    QString previous;
    SimOptions simOptions;
    std::function<void(InProcessRegister&)> started;
    std::function<void(InProcessRegister&)> stopping;
    std::function<bool()> stopRequested;
};

TEST_F(OrvexCtlTest, ClockPrintsTheRegistersTimeAndDate) {
    started = [](InProcessRegister& sim) {
        sim.WithModel([](RegisterModel& model) {
            model.SetClock([] { return QDateTime(QDate(2004, 12, 3), QTime(14, 5, 9)); });
        });
    };
    const CtlResult r = Sim(QStringLiteral("clock"));
    EXPECT_EQ(r.Status, CtlSuccess) << r.Err.toStdString();
    EXPECT_EQ(r.Out, QStringLiteral("Time : 14:5:9\nDate : 3-12-2004\n"));
    EXPECT_TRUE(r.Err.isEmpty());

    const CtlResult sr = Sim(QStringLiteral("clock --lang sr"));
    EXPECT_EQ(sr.Status, CtlSuccess);
    EXPECT_TRUE(sr.Out.endsWith(QStringLiteral(" : 3-12-2004\n"))) << sr.Out.toStdString();
    EXPECT_NE(sr.Out, r.Out);
}

TEST_F(OrvexCtlTest, PluReadFillsTheDatabaseAndPrintsTheRange) {
    started = [](InProcessRegister& sim) {
        sim.WithModel([](RegisterModel& model) { model.SetPlu(2, Article("TEA", 150)); });
    };
    const CtlResult r = Sim(QStringLiteral("plu read 1 3"));
    ASSERT_EQ(r.Status, CtlSuccess) << r.Err.toStdString();
    const QStringList lines = r.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1\t")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2\tTEA\t\t1.50\t"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("3\t")));

    PluTable saved;
    ASSERT_TRUE(LoadDatabase(saved, dir.path()).Ok);
    EXPECT_EQ(saved[2].DescriptionText(), QByteArray("TEA"));
    EXPECT_DOUBLE_EQ(saved[2].Price, 1.50);

    // Another file named with --db is created by a read, and left alone by the default one.
    const CtlResult other = Sim(QStringLiteral("plu read 2 2 --db %1").arg(Path("other.dat")));
    ASSERT_EQ(other.Status, CtlSuccess) << other.Err.toStdString();
    EXPECT_EQ(QFile(Path("other.dat")).size(), PluTable::ByteSize);
}

TEST_F(OrvexCtlTest, PluWriteSendsTheDatabasesActivePlusInTheScopeAsked) {
    PluTable table;
    table[5].SetDescription("SOAP");
    table[5].Price = 3.25;
    table[5].Flags = FlagActive | 2;
    table[6].SetDescription("IDLE");
    table[6].Price = 9.99;
    ASSERT_TRUE(SaveDatabaseTo(table, Path("db.dat")).Ok);

    SimPlu five, six;
    stopping = [&](InProcessRegister& sim) {
        sim.WithModel([&](RegisterModel& model) {
            five = model.Plu(5);
            six = model.Plu(6);
        });
    };
    const CtlResult r =
        Sim(QStringLiteral("plu write 5 6 --active --scope constant --db %1").arg(Path("db.dat")));
    ASSERT_EQ(r.Status, CtlSuccess) << r.Err.toStdString();
    EXPECT_EQ(r.Out, QStringLiteral("1 PLUs written\n"));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(five.Description.data()), 4), QByteArray("SOAP"));
    EXPECT_EQ(five.Price, 325u);
    EXPECT_NE(six.Price, 999u);

    // A database to write from must be there.
    const CtlResult missing = Sim(QStringLiteral("plu write 1 2 --db %1").arg(Path("none.dat")));
    EXPECT_EQ(missing.Status, CtlFailed);
    EXPECT_TRUE(missing.Err.startsWith(QStringLiteral("orvexctl plu write: %1: ").arg(Path("none.dat"))))
        << missing.Err.toStdString();
}

TEST_F(OrvexCtlTest, ReportsPrintTheLinesOfTheReportsPage) {
    const struct {
        const char* Command;
        const char* FirstLine;
    } cases[] = {
        {"report vat", "------   Daily Sales per TAX   ------"},
        {"report dept", "------   Daily Sales per Department   ------"},
        {"report status", "------   Daily Status Changes   ------"},
        {"report last-z", "Last Z Report"},
        {"report operator 1", "------   Daily Operator Statistics   ------"},
    };
    for (const auto& c : cases) {
        const CtlResult r = Sim(QString::fromLatin1(c.Command));
        EXPECT_EQ(r.Status, CtlSuccess) << c.Command << ": " << r.Err.toStdString();
        EXPECT_EQ(r.Out.section(QLatin1Char('\n'), 0, 0), QString::fromLatin1(c.FirstLine)) << c.Command;
        EXPECT_GT(r.Out.count(QLatin1Char('\n')), 3) << c.Command;
    }
}

TEST_F(OrvexCtlTest, PluReportAsksForTheDatabasesActivePlusAndPrintsTheirSales) {
    PluTable table;
    for (int n : {7, 8}) {
        table[n].SetDescription(n == 7 ? "MILK" : "BREAD");
        table[n].Flags = FlagActive | 1;
    }
    ASSERT_TRUE(SaveDatabaseTo(table, Path("db.dat")).Ok);
    started = [](InProcessRegister& sim) {
        sim.WithModel([](RegisterModel& model) {
            SimPlu milk = Article("MILK", 150);
            milk.Quantity = 3;
            milk.Total = 450;
            model.SetPlu(7, milk);
            model.SetPlu(8, Article("BREAD", 80));
        });
    };
    const CtlResult r = Sim(QStringLiteral("report plu 1 100 --db %1").arg(Path("db.dat")));
    ASSERT_EQ(r.Status, CtlSuccess) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains(QStringLiteral("MILK"))) << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains(QStringLiteral("4.50"))) << r.Out.toStdString();
    // Nothing sold, nothing shown, as on the page.
    EXPECT_FALSE(r.Out.contains(QStringLiteral("BREAD")));
}

TEST_F(OrvexCtlTest, PluReportNamesThePlusWhoseRepliesWereLost) {
    PluTable table;
    for (int n = 1; n <= 6; ++n)
        table[n].Flags = FlagActive | 1;
    ASSERT_TRUE(SaveDatabaseTo(table, Path("db.dat")).Ok);
    simOptions.DropEvery = 2;
    const CtlResult r = Sim(QStringLiteral("--timeout 300 report plu 1 6 --db %1").arg(Path("db.dat")));
    EXPECT_EQ(r.Status, CtlFailed);
    const QRegularExpression listed(
        QStringLiteral("^orvexctl report plu: .*: No answer from the register for PLU: (\\d+(, )?)+\n$"));
    EXPECT_TRUE(listed.match(r.Err).hasMatch()) << r.Err.toStdString();
}

TEST_F(OrvexCtlTest, PluWriteNamesTheDescriptionTheRegisterCannotShow) {
    PluTable table;
    table[1].SetDescription("MILK z");
    table[1].Flags = FlagActive | 1;
    ASSERT_TRUE(SaveDatabaseTo(table, Path("db.dat")).Ok);
    const CtlResult r = Sim(QStringLiteral("plu write 1 1 --db %1").arg(Path("db.dat")));
    EXPECT_EQ(r.Status, CtlFailed);
    EXPECT_TRUE(r.Err.endsWith(QStringLiteral(": Invalid description, PLU Code: 1\n")))
        << r.Err.toStdString();
}

TEST_F(OrvexCtlTest, ScriptsGetPlainValuesAsJsonOrCsv) {
    started = [](InProcessRegister& sim) {
        sim.WithModel([](RegisterModel& model) {
            model.SetClock([] { return QDateTime(QDate(2004, 12, 3), QTime(14, 5, 9)); });
            SimPlu milk = Article("MILK", 150);
            milk.Quantity = 3;
            milk.Total = 450;
            model.SetPlu(7, milk);
        });
    };
    EXPECT_EQ(Sim(QStringLiteral("clock --format csv")).Out,
              QStringLiteral("date,time\n2004-12-03,14:05:09\n"));
    const CtlResult clock = Sim(QStringLiteral("--format json clock"));
    ASSERT_EQ(clock.Status, CtlSuccess) << clock.Err.toStdString();
    const QJsonArray clockJson = QJsonDocument::fromJson(clock.Out.toUtf8()).array();
    ASSERT_EQ(clockJson.size(), 1);
    EXPECT_EQ(clockJson[0][QStringLiteral("date")], QStringLiteral("2004-12-03"));
    EXPECT_EQ(clockJson[0][QStringLiteral("time")], QStringLiteral("14:05:09"));

    const CtlResult read = Sim(QStringLiteral("plu read 7 7 --format csv"));
    ASSERT_EQ(read.Status, CtlSuccess) << read.Err.toStdString();
    const QStringList csv = read.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(csv.size(), 2);
    EXPECT_TRUE(csv[0].startsWith(QStringLiteral("plu,description,description2,price,")));
    EXPECT_TRUE(csv[1].startsWith(QStringLiteral("7,MILK,,1.5,0,1,0,true,"))) << csv[1].toStdString();

    // The words stay out of the figures, whatever the language.
    const CtlResult sold = Sim(QStringLiteral("--lang sr report plu 7 7 --format json"));
    ASSERT_EQ(sold.Status, CtlSuccess) << sold.Err.toStdString();
    const QJsonArray plus = QJsonDocument::fromJson(sold.Out.toUtf8()).array();
    ASSERT_EQ(plus.size(), 1) << sold.Out.toStdString();
    EXPECT_EQ(plus[0][QStringLiteral("plu")].toInt(), 7);
    EXPECT_EQ(plus[0][QStringLiteral("sold")].toInt(), 3);
    EXPECT_DOUBLE_EQ(plus[0][QStringLiteral("total")].toDouble(), 4.5);

    const struct {
        const char* Command;
        int Records;
        const char* Key;
    } reports[] = {{"report vat", 9, "turnover"},
                   {"report dept", 9, "sales"},
                   {"report status", 1, "fiscal_id"},
                   {"report last-z", 1, "z_number"},
                   {"report operator 1", 1, "total"}};
    for (const auto& r : reports) {
        const CtlResult json = Sim(QString::fromLatin1(r.Command) + QStringLiteral(" --format json"));
        EXPECT_EQ(json.Status, CtlSuccess) << r.Command;
        const QJsonArray array = QJsonDocument::fromJson(json.Out.toUtf8()).array();
        EXPECT_EQ(array.size(), r.Records) << r.Command << json.Out.toStdString();
        EXPECT_TRUE(!array.isEmpty() && array[0].toObject().contains(QString::fromLatin1(r.Key)))
            << r.Command;
        const CtlResult csvReport = Sim(QString::fromLatin1(r.Command) + QStringLiteral(" --format csv"));
        EXPECT_EQ(csvReport.Out.count(QLatin1Char('\n')), r.Records + 1) << r.Command;
    }
    EXPECT_EQ(Sim(QStringLiteral("clock --format xml")).Status, CtlUsage);
    EXPECT_EQ(Sim(QStringLiteral("monitor --format xml")).Status, CtlUsage);
}

TEST_F(OrvexCtlTest, ReportRecordsCarryWhatTheTextShowsAndCsvAlwaysItsHeader) {
    PluTable table;
    table[7].SetDescription("MILK");
    table[7].Price = 1.5;
    table[7].Flags = FlagActive | 1;
    ASSERT_TRUE(SaveDatabaseTo(table, Path("db.dat")).Ok);
    ASSERT_TRUE(SaveDatabaseTo(PluTable(), Path("none.dat")).Ok);
    started = [](InProcessRegister& sim) {
        sim.WithModel([](RegisterModel& model) {
            SimPlu milk = Article("MILK", 150);
            milk.Quantity = 3;
            milk.Total = 450;
            model.SetPlu(7, milk);
        });
    };
    const struct {
        QString Command;
        const char* Key;
        double Value;
    } figures[] = {
        {QStringLiteral("report plu 7 7 --db %1").arg(Path("db.dat")), "price", 1.5},
        {QStringLiteral("report operator 3"), "operator", 3},
    };
    for (const auto& f : figures) {
        SCOPED_TRACE(f.Command.toStdString());
        const CtlResult json = Sim(f.Command + QStringLiteral(" --format json"));
        ASSERT_EQ(json.Status, CtlSuccess) << json.Err.toStdString();
        const QJsonArray array = QJsonDocument::fromJson(json.Out.toUtf8()).array();
        ASSERT_EQ(array.size(), 1) << json.Out.toStdString();
        EXPECT_DOUBLE_EQ(array[0][QString::fromLatin1(f.Key)].toDouble(), f.Value) << json.Out.toStdString();
    }

    // Every reply lost: no record, but the header a script's CSV reader expects.
    simOptions.DropEvery = 1;
    const CtlResult lost =
        Sim(QStringLiteral("--timeout 300 report plu 7 7 --format csv --db %1").arg(Path("db.dat")));
    EXPECT_EQ(lost.Status, CtlFailed);
    EXPECT_EQ(lost.Out, QStringLiteral("plu,description,price,sold,stock,total\n"));

    const CtlResult idle = Sim(QStringLiteral("report plu 1 100 --db %1").arg(Path("none.dat")));
    EXPECT_EQ(idle.Status, CtlFailed);
    EXPECT_TRUE(idle.Err.contains(QStringLiteral("no PLU from 1 to 100 is active")))
        << idle.Err.toStdString();
}

TEST_F(OrvexCtlTest, OptionsForScripts) {
    EXPECT_EQ(Ctl({QStringLiteral("--version")}).Out, QStringLiteral("orvexctl 1.90\n"));

    PluTable table;
    table[1].SetDescription("\xC8"
                            "AJ"); // a capital letter of each charset's own code page
    table[1].Flags = FlagActive | 1;
    ASSERT_TRUE(SaveDatabaseTo(table, Path("db.dat")).Ok);
    const CtlResult cyrillic = Ctl({QStringLiteral("--db"), Path("db.dat"), QStringLiteral("export"),
                                    QStringLiteral("-"), QStringLiteral("1"), QStringLiteral("1")});
    ASSERT_EQ(cyrillic.Status, CtlSuccess) << cyrillic.Err.toStdString();
    // The same bytes as the .csv file, on stdout.
    const CtlResult file =
        Ctl({QStringLiteral("--db"), Path("db.dat"), QStringLiteral("export"), QStringLiteral("--"),
             QStringLiteral("-plus.csv"), QStringLiteral("1"), QStringLiteral("1")});
    ASSERT_EQ(file.Status, CtlSuccess) << file.Err.toStdString();
    QFile written(Path("-plus.csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), cyrillic.Out);
    EXPECT_TRUE(cyrillic.Out.contains(QStringLiteral("\"ИAJ\""))) << cyrillic.Out.toStdString();
    const CtlResult latin =
        Ctl({QStringLiteral("--charset"), QStringLiteral("latin"), QStringLiteral("--db"), Path("db.dat"),
             QStringLiteral("export"), QStringLiteral("-"), QStringLiteral("1"), QStringLiteral("1")});
    EXPECT_TRUE(latin.Out.contains(QStringLiteral("\"ČAJ\""))) << latin.Out.toStdString();

    const CtlResult traced = Sim(QStringLiteral("--trace %1 clock").arg(Path("trace.txt")));
    EXPECT_EQ(traced.Status, CtlSuccess) << traced.Err.toStdString();
    QFile trace(Path("trace.txt"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_GE(trace.readAll().count('\n'), 2);
}

TEST_F(OrvexCtlTest, ZReportRunsOnlyWithYes) {
    const CtlResult refused = Sim(QStringLiteral("z-report"));
    EXPECT_EQ(refused.Status, CtlFailed);
    EXPECT_TRUE(refused.Out.isEmpty());
    EXPECT_TRUE(refused.Err.startsWith(QStringLiteral("orvexctl z-report: ")));
    EXPECT_TRUE(refused.Err.contains(QStringLiteral("--yes")));

    const CtlResult done = Sim(QStringLiteral("z-report --yes"));
    EXPECT_EQ(done.Status, CtlSuccess) << done.Err.toStdString();
    EXPECT_EQ(done.Out, QStringLiteral("Z report done\n"));
}

TEST_F(OrvexCtlTest, DetectNamesTheSpeedTheRegisterAnswersAtOrWhyNoneDid) {
    SimOptions options;
    options.Speed = 38400;
    options.StrictSpeed = true;
    InProcessRegister sim(options);
    const QString device = sim.Start();
    ASSERT_FALSE(device.isEmpty());
    const CtlResult found = Ctl({QStringLiteral("--port"), device, QStringLiteral("detect")});
    EXPECT_EQ(found.Status, CtlSuccess) << found.Err.toStdString();
    EXPECT_EQ(found.Out, device + QStringLiteral(": answers at 38400 bit/s\n"));
    EXPECT_TRUE(found.Err.isEmpty());

    const QString missing = Path("ttyUSB9");
    const CtlResult none = Ctl({QStringLiteral("--port"), missing, QStringLiteral("detect"),
                                QStringLiteral("--lang"), QStringLiteral("sr")});
    EXPECT_EQ(none.Status, CtlFailed);
    EXPECT_TRUE(none.Out.startsWith(
        missing + QStringLiteral(": ne može da se otvori: nema takve datoteke ili fascikle")))
        << none.Out.toStdString();
    EXPECT_EQ(none.Err, QStringLiteral("orvexctl detect: %1: no register answered\n").arg(missing));

    const CtlResult simulated = Sim(QStringLiteral("detect"));
    EXPECT_EQ(simulated.Status, CtlSuccess) << simulated.Err.toStdString();
    EXPECT_TRUE(simulated.Out.endsWith(QStringLiteral(": answers at 9600 bit/s\n")))
        << simulated.Out.toStdString();

    EXPECT_EQ(Ctl({QStringLiteral("--speed"), QStringLiteral("9600"), QStringLiteral("detect")}).Status,
              CtlUsage);
    EXPECT_EQ(Sim(QStringLiteral("detect now")).Status, CtlUsage);
}

TEST_F(OrvexCtlTest, UsageErrorsEndWithTwoAndNothingSent) {
    bool simulatorStarted = false;
    started = [&](InProcessRegister&) { simulatorStarted = true; };
    const QStringList cases[] = {
        {},
        {QStringLiteral("--simulate"), QStringLiteral("bogus")},
        {QStringLiteral("--simulate"), QStringLiteral("clock"), QStringLiteral("now")},
        {QStringLiteral("--simulate"), QStringLiteral("clock"), QStringLiteral("--db"), QStringLiteral("x")},
        {QStringLiteral("--simulate"), QStringLiteral("plu"), QStringLiteral("read"), QStringLiteral("3"),
         QStringLiteral("1")},
        {QStringLiteral("--simulate"), QStringLiteral("plu"), QStringLiteral("read"), QStringLiteral("1"),
         QStringLiteral("10000")},
        {QStringLiteral("--simulate"), QStringLiteral("plu"), QStringLiteral("write"), QStringLiteral("1"),
         QStringLiteral("2"), QStringLiteral("--scope"), QStringLiteral("all")},
        {QStringLiteral("--simulate"), QStringLiteral("report"), QStringLiteral("operator"),
         QStringLiteral("16")},
        {QStringLiteral("--simulate"), QStringLiteral("report"), QStringLiteral("weekly")},
        {QStringLiteral("--simulate"), QStringLiteral("--speed"), QStringLiteral("1234"),
         QStringLiteral("clock")},
        {QStringLiteral("--simulate"), QStringLiteral("--port"), QStringLiteral("/dev/null"),
         QStringLiteral("clock")},
        {QStringLiteral("--simulate"), QStringLiteral("clock"), QStringLiteral("--speed")},
        {QStringLiteral("--simulate"), QStringLiteral("--frobnicate"), QStringLiteral("clock")},
    };
    for (const QStringList& args : cases) {
        const CtlResult r = Ctl(args);
        EXPECT_EQ(r.Status, CtlUsage) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.Out.isEmpty()) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.Err.contains(QStringLiteral("usage: orvexctl")));
    }
    EXPECT_FALSE(simulatorStarted);

    const CtlResult help = Ctl({QStringLiteral("plu"), QStringLiteral("write"), QStringLiteral("--help")});
    EXPECT_EQ(help.Status, CtlSuccess);
    EXPECT_TRUE(help.Out.contains(QStringLiteral("plu write FROM TO [--scope stock|constant|both]")));
    EXPECT_FALSE(help.Out.contains(QStringLiteral("plu read")));
}

TEST_F(OrvexCtlTest, NoAnswerAndNoPortEndWithOneNamingCommandAndPort) {
    const CtlResult noPort = Ctl({QStringLiteral("--port"), Path("no-such-device"), QStringLiteral("clock")});
    EXPECT_EQ(noPort.Status, CtlFailed);
    // With the system's reason, as detect gives it.
    EXPECT_EQ(noPort.Err,
              QStringLiteral("orvexctl clock: %1: cannot open the port: No such file or directory\n")
                  .arg(Path("no-such-device")));

    QString device;
    simOptions.Silent = true;
    started = [&](InProcessRegister& sim) { device = sim.DevicePath(); };
    const CtlResult silent = Sim(QStringLiteral("report vat"));
    EXPECT_EQ(silent.Status, CtlFailed);
    EXPECT_TRUE(silent.Out.isEmpty());
    EXPECT_EQ(silent.Err,
              QStringLiteral("orvexctl report vat: %1: There is no Orvex response\n").arg(device));
}

TEST_F(OrvexCtlTest, MonitorPrintsJournalLinesUntilAskedToStop) {
    simOptions.SellEveryMs = 20;
    QString seen;
    int polls = 0;
    // The stop request stands in for SIGINT after a few lines, or after a bounded wait.
    QString* out = nullptr;
    started = [&](InProcessRegister&) {};
    stopRequested = [&] {
        ++polls;
        return (out && out->count(QLatin1Char('\n')) >= 6) || polls > 2000;
    };
    CtlResult r;
    QTextStream o(&r.Out);
    QTextStream e(&r.Err);
    out = &r.Out;
    CtlContext context{o, e, false, simOptions, started, stopping, stopRequested};
    context.Simulator.Speed = 0;
    // Run as a script: the folder's table is made on request.
    r.Status = RunOrvexCtl(
        {QStringLiteral("--simulate"), QStringLiteral("--create"), QStringLiteral("monitor")}, context);
    EXPECT_EQ(r.Status, CtlSuccess) << r.Err.toStdString();
    const QStringList lines = r.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 6) << r.Out.toStdString();
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith(QStringLiteral("# "))) << line.toStdString();
    EXPECT_TRUE(r.Out.contains(QStringLiteral("# PLU SALE\t"))) << r.Out.toStdString();
}

// The fields of a CSV line, quotes taken off ("a,""b""" is a,"b").
QStringList CsvFields(const QString& line) {
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"'))
            fields.last() += line[++i];
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            fields << QString();
        else
            fields.last() += c;
    }
    return fields;
}

const QStringList MonitorKeys{
    QStringLiteral("received"),     QStringLiteral("code"),     QStringLiteral("record"),
    QStringLiteral("kind"),         QStringLiteral("plu"),      QStringLiteral("department"),
    QStringLiteral("description"),  QStringLiteral("barcode"),  QStringLiteral("unit"),
    QStringLiteral("quantity"),     QStringLiteral("price"),    QStringLiteral("amount"),
    QStringLiteral("percent"),      QStringLiteral("operator"), QStringLiteral("receipt_number"),
    QStringLiteral("tickets"),      QStringLiteral("pieces"),   QStringLiteral("register_number"),
    QStringLiteral("register_time")};

// 2026-11-12T14:05:00+01:00, with or without milliseconds: a time with its offset.
const QRegularExpression
    IsoWithOffset(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(\\.\\d{3})?[+-]\\d\\d:\\d\\d$"));

class OrvexCtlMonitorTest : public OrvexCtlTest {
  protected:
    // The watch until the simulated cashier has closed two receipts, at a
    // fixed register clock so that two runs print the same records.
    CtlResult Watch(const QStringList& options) {
        simOptions.SellEveryMs = 20;
        started = [](InProcessRegister& sim) {
            sim.WithModel([](RegisterModel& model) {
                model.SetClock([] { return QDateTime(QDate(2026, 11, 12), QTime(14, 5, 0)); });
            });
        };
        CtlResult r;
        QTextStream o(&r.Out);
        QTextStream e(&r.Err);
        int polls = 0;
        stopRequested = [&] { return r.Out.count(QStringLiteral("receipt_close")) >= 2 || ++polls > 4000; };
        CtlContext context{o, e, false, simOptions, started, stopping, stopRequested};
        context.Simulator.Speed = 0;
        r.Status = RunOrvexCtl(
            QStringList{QStringLiteral("--simulate"), QStringLiteral("--create"), QStringLiteral("monitor")} +
                options,
            context);
        return r;
    }
};

// The lines up to the second receipt close: a watch may stop a record or two later.
QStringList TwoReceipts(const QString& out, const QString& close) {
    QStringList lines;
    int closes = 0;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (closes < 2)
            lines << line;
        closes += line.contains(close) ? 1 : 0;
    }
    return lines;
}

const QString JsonClose = QStringLiteral("\"record\":\"receipt_close\"");

// Each JSON line, without the time it came (which differs from run to run).
QList<QJsonObject> Records(const QString& out) {
    QList<QJsonObject> records;
    for (const QString& line : TwoReceipts(out, JsonClose)) {
        QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        object.remove(QStringLiteral("received"));
        records << object;
    }
    return records;
}

TEST_F(OrvexCtlMonitorTest, JsonLinesCarryEachRecordsFieldsTheSameInEveryLanguage) {
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    const CtlResult en = Watch(
        {QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--lang"), QStringLiteral("en")});
    ASSERT_EQ(en.Status, CtlSuccess) << en.Err.toStdString();
    const QStringList lines = TwoReceipts(en.Out, JsonClose);
    ASSERT_GE(lines.size(), 4) << en.Out.toStdString();
    int sales = 0;
    int closes = 0;
    for (const QString& line : lines) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        EXPECT_EQ(o.keys().size(), MonitorKeys.size()) << line.toStdString();
        for (const QString& key : MonitorKeys)
            EXPECT_TRUE(o.contains(key)) << key.toStdString() << " in " << line.toStdString();
        const QString received = o[QStringLiteral("received")].toString();
        EXPECT_TRUE(IsoWithOffset.match(received).hasMatch()) << line.toStdString();
        EXPECT_GE(QDateTime::fromString(received, Qt::ISODateWithMs), before) << line.toStdString();
        const QString record = o[QStringLiteral("record")].toString();
        if (record == QLatin1String("plu_sale")) {
            ++sales;
            // The line's amount is its price times its quantity, taken back when corrected.
            const double amount =
                o[QStringLiteral("price")].toDouble() * o[QStringLiteral("quantity")].toDouble();
            const double sign = o[QStringLiteral("kind")] == QLatin1String("normal") ? 1 : -1;
            EXPECT_NEAR(o[QStringLiteral("amount")].toDouble(), sign * amount, 0.005) << line.toStdString();
            EXPECT_GT(o[QStringLiteral("plu")].toInt(), 0) << line.toStdString();
            EXPECT_FALSE(o[QStringLiteral("description")].toString().isEmpty()) << line.toStdString();
        } else if (record == QLatin1String("receipt_close")) {
            ++closes;
            EXPECT_EQ(o[QStringLiteral("code")], QLatin1String("O"));
            const QString at = o[QStringLiteral("register_time")].toString();
            EXPECT_TRUE(IsoWithOffset.match(at).hasMatch()) << line.toStdString();
            EXPECT_EQ(QDateTime::fromString(at, Qt::ISODate), QDateTime(QDate(2026, 11, 12), QTime(14, 5, 0)))
                << line.toStdString();
            EXPECT_GT(o[QStringLiteral("receipt_number")].toInteger(), 0) << line.toStdString();
            EXPECT_GT(o[QStringLiteral("amount")].toDouble(), 0) << line.toStdString();
        } else {
            EXPECT_TRUE(o[QStringLiteral("register_time")].isNull()) << line.toStdString();
        }
    }
    EXPECT_GT(sales, 0) << en.Out.toStdString();
    EXPECT_EQ(closes, 2) << en.Out.toStdString();

    const CtlResult sr = Watch(
        {QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--lang"), QStringLiteral("sr")});
    ASSERT_EQ(sr.Status, CtlSuccess) << sr.Err.toStdString();
    EXPECT_EQ(Records(sr.Out), Records(en.Out)) << sr.Out.toStdString();
}

TEST_F(OrvexCtlMonitorTest, CsvHasAHeaderLineAndTheSameFieldsInEveryLanguage) {
    const CtlResult json = Watch({QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(json.Status, CtlSuccess) << json.Err.toStdString();
    const QList<QJsonObject> records = Records(json.Out);
    QStringList previous;
    for (const char* lang : {"en", "sr"}) {
        const CtlResult csv = Watch({QStringLiteral("--format"), QStringLiteral("csv"),
                                     QStringLiteral("--lang"), QString::fromLatin1(lang)});
        ASSERT_EQ(csv.Status, CtlSuccess) << csv.Err.toStdString();
        const QStringList lines = TwoReceipts(csv.Out, QStringLiteral(",receipt_close,"));
        ASSERT_EQ(lines.size(), records.size() + 1) << csv.Out.toStdString();
        EXPECT_EQ(lines[0], MonitorKeys.join(QLatin1Char(',')));
        QStringList withoutTimes;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QStringList fields = CsvFields(lines[i]);
            ASSERT_EQ(fields.size(), MonitorKeys.size()) << lines[i].toStdString();
            EXPECT_TRUE(IsoWithOffset.match(fields[0]).hasMatch()) << lines[i].toStdString();
            // Each field as the JSON line of the same record has it; null is empty.
            const QJsonObject& o = records[i - 1];
            for (qsizetype k = 1; k < MonitorKeys.size(); ++k) {
                const QJsonValue v = o[MonitorKeys[k]];
                const QString expected = v.isNull()     ? QString()
                                         : v.isString() ? v.toString()
                                                        : QString::number(v.toDouble(), 'g', 15);
                EXPECT_EQ(fields[k], expected)
                    << MonitorKeys[k].toStdString() << " of " << lines[i].toStdString();
            }
            withoutTimes << QStringList(fields.mid(1)).join(QLatin1Char(','));
        }
        if (!previous.isEmpty()) {
            EXPECT_EQ(withoutTimes, previous);
        }
        previous = withoutTimes;
    }
}

TEST_F(OrvexCtlTest, AnInterruptEndsAnImportInOrderKeepingTheRowsTaken) {
    QFile csv(Path("plus.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("PLU,Description\n");
    for (int n = 1; n <= 1000; ++n)
        csv.write(QStringLiteral("%1,ITEM%1,,1.00,,1,0,,\n").arg(n).toUtf8());
    csv.close();
    stopRequested = [] { return true; }; // SIGTERM as the import starts
    const CtlResult r =
        Ctl({QStringLiteral("import"), Path("plus.csv"), QStringLiteral("--db"), Path("db.dat")});
    EXPECT_EQ(r.Status, CtlFailed);
    EXPECT_TRUE(r.Err.contains(QStringLiteral(": interrupted at row "))) << r.Err.toStdString();
    PluTable saved;
    ASSERT_TRUE(LoadDatabaseFrom(saved, Path("db.dat"), false).Ok);
    EXPECT_EQ(saved[1].DescriptionText(), QByteArray("ITEM1"));
    EXPECT_TRUE(saved[1000].DescriptionText().isEmpty());
}

TEST_F(OrvexCtlTest, AnInterruptEndsARangeTransferEarlyWithOne) {
    // A silent register would keep a range of 100 PLUs busy for minutes.
    simOptions.Silent = true;
    int polls = 0;
    stopRequested = [&] { return ++polls > 4; };
    QElapsedTimer clock;
    clock.start();
    const CtlResult r = Sim(QStringLiteral("plu read 1 100"));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(r.Status, CtlFailed);
    EXPECT_TRUE(r.Out.isEmpty());
    EXPECT_TRUE(r.Err.startsWith(QStringLiteral("orvexctl plu read: "))) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains(QStringLiteral(": interrupted"))) << r.Err.toStdString();
}

TEST_F(OrvexCtlTest, ExportAndImportGoThroughTheSpreadsheetColumns) {
    PluTable table;
    table[1].SetDescription("MILK");
    table[1].Price = 1.19;
    table[1].Flags = FlagActive | 1;
    table[2].SetDescription("BREAD");
    table[2].Price = 0.65;
    ASSERT_TRUE(SaveDatabaseTo(table, Path("db.dat")).Ok);

    const CtlResult exported = Ctl({QStringLiteral("export"), Path("plus.csv"), QStringLiteral("1"),
                                    QStringLiteral("2"), QStringLiteral("--db"), Path("db.dat")});
    ASSERT_EQ(exported.Status, CtlSuccess) << exported.Err.toStdString();
    QFile csv(Path("plus.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    csv.close();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("1,\"MILK\",\"\",1.19,"))) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral("2,\"BREAD\","))) << rows[2].toStdString();

    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(QString(rows.join(QLatin1Char('\n')))
                  .replace(QStringLiteral("BREAD"), QStringLiteral("ROLLS"))
                  .toUtf8());
    csv.close();
    const CtlResult imported =
        Ctl({QStringLiteral("import"), Path("plus.csv"), QStringLiteral("--db"), Path("new.dat")});
    ASSERT_EQ(imported.Status, CtlSuccess) << imported.Err.toStdString();
    EXPECT_TRUE(imported.Out.contains(QStringLiteral("PLUs imported: 2"))) << imported.Out.toStdString();
    QFile db(Path("new.dat"));
    ASSERT_TRUE(db.open(QIODevice::ReadOnly));
    const QByteArray bytes = db.readAll();
    ASSERT_EQ(bytes.size(), PluTable::ByteSize);
    PluTable back;
    std::memcpy(back.Bytes().data(), bytes.constData(), size_t(bytes.size()));
    EXPECT_EQ(back[2].DescriptionText(), QByteArray("ROLLS"));
    EXPECT_DOUBLE_EQ(back[1].Price, 1.19);

    const CtlResult missing = Ctl({QStringLiteral("import"), Path("none.csv")});
    EXPECT_EQ(missing.Status, CtlFailed);
    EXPECT_TRUE(missing.Err.startsWith(QStringLiteral("orvexctl import: %1: ").arg(Path("none.csv"))));
    EXPECT_EQ(Ctl({QStringLiteral("export"), Path("plus.pdf")}).Status, CtlUsage);
}

// The program itself against the simulator program, two processes on one
// pseudo-terminal, as a cron job on a machine with the register would run.
TEST(OrvexCtlProgramTest, TalksToTheSimulatorProgramOverAPseudoTerminal) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess sim;
    sim.start(QStringLiteral(ORVEX_SIM_PROGRAM), {QStringLiteral("--speed"), QStringLiteral("0")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(WaitUntil([&] { return sim.canReadLine(); }, 5000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();

    const auto run = [&](const QStringList& command) {
        QProcess ctl;
        ctl.setWorkingDirectory(dir.path());
        ctl.start(QStringLiteral(ORVEXCTL_PROGRAM), QStringList{QStringLiteral("--port"), device} + command);
        EXPECT_TRUE(ctl.waitForFinished(20000));
        EXPECT_EQ(ctl.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(ctl.exitCode(), CtlSuccess) << ctl.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(ctl.readAllStandardOutput());
    };
    const QString clock = run({QStringLiteral("clock")});
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Time : \\d+:\\d+:\\d+\\nDate : \\d+-\\d+-\\d+\\n$"))
                    .match(clock)
                    .hasMatch())
        << clock.toStdString();
    const QStringList plus =
        run({QStringLiteral("plu"), QStringLiteral("read"), QStringLiteral("1"), QStringLiteral("3")})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(plus.size(), 3);
    EXPECT_TRUE(plus[2].startsWith(QStringLiteral("3\t")));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("pludb.dat"))));

    // monitor: a sale step typed at the simulator comes out as journal lines;
    // SIGTERM ends it in order, with success.
    QProcess monitor;
    monitor.setWorkingDirectory(dir.path());
    monitor.start(QStringLiteral(ORVEXCTL_PROGRAM),
                  {QStringLiteral("--port"), device, QStringLiteral("monitor")});
    ASSERT_TRUE(monitor.waitForStarted(5000));
    QByteArray journal;
    EXPECT_TRUE(WaitUntil(
        [&] {
            sim.write("\n");
            journal += monitor.readAllStandardOutput();
            return journal.contains("# OPEN RECEIPT");
        },
        10000))
        << journal.toStdString();
    monitor.terminate();
    ASSERT_TRUE(monitor.waitForFinished(5000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), CtlSuccess) << monitor.readAllStandardError().toStdString();

    sim.terminate();
    EXPECT_TRUE(sim.waitForFinished(5000));
}

} // namespace
