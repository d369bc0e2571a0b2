// orvexctl as a script runs it: the built program, its files given as device
// nodes, FIFOs and links made in a folder of the test's own, its output sent
// to a full device or a closed descriptor. No test here writes to a device of
// the system: every node is made with mknod in the temporary folder.
#include "ctl/CtlRunner.h"
#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"
#include "plu/PluRecord.h"
#include "session/RegisterSession.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct ProgramRun {
    bool Finished = false;
    int Status = -1;
    QString Out;
    QString Err;
};

class OrvexCtlScriptTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString Path(const QString& name) const { return dir.filePath(name); }

    // The program in the test's folder; stdoutFile, when given, takes its output.
    ProgramRun Ctl(const QStringList& args, const QString& stdoutFile = {}) {
        QProcess ctl;
        ctl.setWorkingDirectory(dir.path());
        if (!stdoutFile.isEmpty())
            ctl.setStandardOutputFile(stdoutFile);
        ctl.start(QStringLiteral(ORVEXCTL_PROGRAM), args);
        ProgramRun run;
        // A FIFO opened for reading waits for a writer: a run that hangs is a failure, not a stuck test.
        run.Finished = ctl.waitForStarted(5000) && ctl.waitForFinished(20000);
        if (!run.Finished) {
            ctl.kill();
            ctl.waitForFinished(5000);
        }
        run.Status = ctl.exitStatus() == QProcess::NormalExit ? ctl.exitCode() : -1;
        run.Out = QString::fromLocal8Bit(ctl.readAllStandardOutput());
        run.Err = QString::fromLocal8Bit(ctl.readAllStandardError());
        return run;
    }

    // A character device node like the system's (1,3 null; 1,5 zero; 1,7 full), in the test's folder.
    bool Device(const QString& name, unsigned minor) {
        if (::mknod(QFile::encodeName(Path(name)).constData(), S_IFCHR | 0666, makedev(1, minor)) == 0)
            return true;
        skipReason = QStringLiteral("mknod of a character device failed (%1); not root?")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    bool Fifo(const QString& name) { return ::mkfifo(QFile::encodeName(Path(name)).constData(), 0600) == 0; }
    bool Link(const QString& name, const QString& target) { return QFile::link(target, Path(name)); }

    mode_t Kind(const QString& name) const {
        struct stat info {};
        if (::lstat(QFile::encodeName(Path(name)).constData(), &info) != 0)
            return 0;
        return info.st_mode & S_IFMT;
    }
    mode_t Mode(const QString& name) const {
        struct stat info {};
        if (::stat(QFile::encodeName(Path(name)).constData(), &info) != 0)
            return 0;
        return info.st_mode & 07777;
    }

    void SaveTable(const QString& name, const PluTable& table = {}) {
        ASSERT_TRUE(SaveDatabaseTo(table, Path(name)).Ok);
    }

    QTemporaryDir dir;
    QString skipReason;
};

TEST_F(OrvexCtlScriptTest, DevicesFifosAndLinksToThemAreRefusedByNameAndLeftInPlace) {
    if (!Device(QStringLiteral("null.dat"), 3) || !Device(QStringLiteral("zero.csv"), 5) ||
        !Device(QStringLiteral("out.csv"), 3) || !Device(QStringLiteral("out.xlsx"), 3))
        GTEST_SKIP() << skipReason.toStdString();
    ASSERT_TRUE(Fifo(QStringLiteral("fifo.dat")));
    ASSERT_TRUE(Fifo(QStringLiteral("yes.csv")));
    ASSERT_TRUE(Link(QStringLiteral("null-link.dat"), QStringLiteral("null.dat")));
    ASSERT_TRUE(Link(QStringLiteral("out-link.csv"), Path(QStringLiteral("out.csv"))));
    ASSERT_TRUE(Link(QStringLiteral("yes-link.csv"), QStringLiteral("yes.csv")));
    SaveTable(QStringLiteral("db.dat"));

    const struct {
        const char* Args;
        const char* Node;
        mode_t Kind;
    } cases[] = {
        {"--simulate plu read 1 2 --db null.dat", "null.dat", S_IFCHR},
        {"--simulate plu read 1 2 --db null-link.dat", "null.dat", S_IFCHR},
        {"--simulate plu read 1 2 --db fifo.dat", "fifo.dat", S_IFIFO},
        {"--simulate plu write 1 2 --db fifo.dat", "fifo.dat", S_IFIFO},
        {"--simulate monitor --db fifo.dat", "fifo.dat", S_IFIFO},
        {"--simulate report plu 1 2 --db null.dat", "null.dat", S_IFCHR},
        {"export out.csv --db db.dat", "out.csv", S_IFCHR},
        {"export out-link.csv 1 2 --db db.dat", "out.csv", S_IFCHR},
        {"export out.xlsx --db db.dat", "out.xlsx", S_IFCHR},
        {"import zero.csv --db db.dat", "zero.csv", S_IFCHR},
        {"import yes.csv --db db.dat", "yes.csv", S_IFIFO},
        {"import yes-link.csv --db db.dat", "yes.csv", S_IFIFO},
        {"import db.dat --db fifo.dat", "fifo.dat", S_IFIFO},
        {"--simulate --trace fifo.dat clock", "fifo.dat", S_IFIFO},
        {"--simulate --trace null-link.dat clock", "null.dat", S_IFCHR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args);
        const ProgramRun r = Ctl(QString::fromLatin1(c.Args).split(QLatin1Char(' ')));
        EXPECT_TRUE(r.Finished);
        EXPECT_EQ(r.Status, CtlFailed) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(QStringLiteral("not a regular file"))) << r.Err.toStdString();
        EXPECT_EQ(Kind(QString::fromLatin1(c.Node)), c.Kind);
    }
    EXPECT_EQ(Kind(QStringLiteral("null-link.dat")), S_IFLNK);
    EXPECT_EQ(Kind(QStringLiteral("out-link.csv")), S_IFLNK);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral(".*-*")}, QDir::Files | QDir::Hidden), QStringList{})
        << "temporary files left behind";
}

TEST_F(OrvexCtlScriptTest, WritesGoThroughLinksToTheirFileWithTheUsualMode) {
    const mode_t previous = ::umask(027);
    // A link to a file not there yet: the file is made, the link stays.
    ASSERT_TRUE(Link(QStringLiteral("db-link.dat"), QStringLiteral("db.dat")));
    const ProgramRun read =
        Ctl({QStringLiteral("--simulate"), QStringLiteral("plu"), QStringLiteral("read"), QStringLiteral("1"),
             QStringLiteral("2"), QStringLiteral("--db"), QStringLiteral("db-link.dat")});
    EXPECT_EQ(read.Status, CtlSuccess) << read.Err.toStdString();
    EXPECT_EQ(Kind(QStringLiteral("db-link.dat")), S_IFLNK);
    EXPECT_EQ(QFileInfo(Path(QStringLiteral("db.dat"))).size(), PluTable::ByteSize);
    EXPECT_EQ(Mode(QStringLiteral("db.dat")), mode_t(0640));

    for (const char* name : {"new.csv", "new.xlsx"}) {
        SCOPED_TRACE(name);
        const ProgramRun r = Ctl({QStringLiteral("export"), QString::fromLatin1(name), QStringLiteral("1"),
                                  QStringLiteral("3"), QStringLiteral("--db"), QStringLiteral("db.dat")});
        EXPECT_EQ(r.Status, CtlSuccess) << r.Err.toStdString();
        EXPECT_EQ(Mode(QString::fromLatin1(name)), mode_t(0640));
    }

    // An existing file keeps its own mode and its link.
    QFile old(Path(QStringLiteral("old.csv")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("stale\n");
    old.close();
    ASSERT_EQ(::chmod(QFile::encodeName(old.fileName()).constData(), 0600), 0);
    ASSERT_TRUE(Link(QStringLiteral("old-link.csv"), QStringLiteral("old.csv")));
    const ProgramRun over =
        Ctl({QStringLiteral("export"), QStringLiteral("old-link.csv"), QStringLiteral("1"),
             QStringLiteral("3"), QStringLiteral("--db"), QStringLiteral("db.dat")});
    EXPECT_EQ(over.Status, CtlSuccess) << over.Err.toStdString();
    EXPECT_EQ(Kind(QStringLiteral("old-link.csv")), S_IFLNK);
    EXPECT_EQ(Mode(QStringLiteral("old.csv")), mode_t(0600));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll().count('\n'), 4);
    ::umask(previous);
}

TEST_F(OrvexCtlScriptTest, OutputThatCannotBeWrittenEndsWithOneAndSaysSo) {
    if (!Device(QStringLiteral("full"), 7))
        GTEST_SKIP() << skipReason.toStdString();
    const ProgramRun full =
        Ctl({QStringLiteral("--simulate"), QStringLiteral("report"), QStringLiteral("vat")},
            Path(QStringLiteral("full")));
    EXPECT_EQ(full.Status, CtlFailed);
    EXPECT_TRUE(full.Err.contains(QStringLiteral(
        "orvexctl report vat: standard output: the output could not be written: No space left on device")))
        << full.Err.toStdString();

    // A script that closed stdout: the lines must not go to whatever file the
    // program opens next (the serial port).
    QProcess shell;
    shell.setWorkingDirectory(dir.path());
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("\"$0\" --simulate clock >&-"),
                 QStringLiteral(ORVEXCTL_PROGRAM)});
    ASSERT_TRUE(shell.waitForFinished(20000));
    EXPECT_EQ(shell.exitCode(), CtlFailed);
    EXPECT_TRUE(shell.readAllStandardError().contains("the output could not be written"));
}

TEST_F(OrvexCtlScriptTest, AFileSizeLimitIsSaidInOneLineAndLeavesNoFileBehind) {
    PluTable table;
    for (int n = 1; n <= 100; ++n)
        table[n].Flags = FlagActive | 1;
    SaveTable(QStringLiteral("db.dat"), table);
    const struct {
        const char* Command; // run under a limit of 2 KiB a file
        const char* File;
        const char* Said;
    } cases[] = {
        {"export big.csv --db db.dat", "big.csv",
         "export: %1: the file could not be written: File too large"},
        {"export big.xlsx --db db.dat", "big.xlsx",
         "export: %1: the file could not be written: File too large"},
        {"--simulate --trace big.trace report plu 1 100 --db db.dat", "big.trace",
         "report plu: %1: the trace could not be written: File too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Command);
        QProcess shell;
        shell.setWorkingDirectory(dir.path());
        shell.start(QStringLiteral("/bin/bash"),
                    {QStringLiteral("-c"),
                     QStringLiteral("ulimit -f 2; exec \"$0\" %1").arg(QLatin1String(c.Command)),
                     QStringLiteral(ORVEXCTL_PROGRAM)});
        ASSERT_TRUE(shell.waitForFinished(60000));
        EXPECT_EQ(shell.exitStatus(), QProcess::NormalExit) << "killed by SIGXFSZ";
        EXPECT_EQ(shell.exitCode(), CtlFailed);
        const QString err = QString::fromLocal8Bit(shell.readAllStandardError());
        const QString file = Path(QString::fromLatin1(c.File));
        EXPECT_TRUE(err.contains(QStringLiteral("orvexctl ") + QString::fromLatin1(c.Said).arg(file)))
            << err.toStdString();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        if (!QString::fromLatin1(c.File).endsWith(QLatin1String(".trace"))) {
            EXPECT_FALSE(QFile::exists(file));
        }
    }
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral(".big*")}, QDir::Files | QDir::Hidden),
              QStringList{})
        << "temporary files left behind";
}

TEST_F(OrvexCtlScriptTest, APortHeldByAnotherProgramIsSaidToBeInUseByIt) {
    QProcess sim;
    sim.start(QStringLiteral(ORVEX_SIM_PROGRAM), {QStringLiteral("--speed"), QStringLiteral("0")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(WaitUntil([&] { return sim.canReadLine(); }, 5000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QProcess monitor;
    monitor.setWorkingDirectory(dir.path());
    monitor.start(QStringLiteral(ORVEXCTL_PROGRAM),
                  {QStringLiteral("--port"), device, QStringLiteral("--create"), QStringLiteral("monitor")});
    ASSERT_TRUE(monitor.waitForStarted(5000));
    // The monitor holds the port once its lock file (QSerialPort's, read only here) names it.
    const QString lockName =
        QStringLiteral("LCK..") + device.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
    const auto lockedByMonitor = [&] {
        for (const char* folder : {"/var/lock/", "/run/lock/"}) {
            QFile lock(QString::fromLatin1(folder) + lockName);
            if (lock.open(QIODevice::ReadOnly) &&
                lock.readLine().trimmed() == QByteArray::number(monitor.processId()))
                return true;
        }
        return false;
    };
    if (!WaitUntil(lockedByMonitor, 10000))
        GTEST_SKIP() << "the port is not locked here (no writable lock folder)";
    const ProgramRun second = Ctl({QStringLiteral("--port"), device, QStringLiteral("clock")});
    EXPECT_EQ(second.Status, CtlFailed);
    EXPECT_TRUE(second.Err.contains(
        QStringLiteral("cannot open the port: in use by another program (orvexctl, pid %1)")
            .arg(monitor.processId())))
        << second.Err.toStdString();
    EXPECT_FALSE(second.Err.contains(QStringLiteral("Permission"))) << second.Err.toStdString();
    monitor.terminate();
    monitor.waitForFinished(10000);
    sim.terminate();
    sim.waitForFinished(10000);
}

TEST_F(OrvexCtlScriptTest, AnUnwritableDatabaseIsFoundBeforeTheRegisterIsAsked) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("ro")));
    const QString ro = Path(QStringLiteral("ro"));
    QProcess mount;
    mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                          QStringLiteral("ro,size=64k"), QStringLiteral("tmpfs"), ro});
    if (!mount.waitForFinished(10000) || mount.exitCode() != 0)
        GTEST_SKIP() << "no tmpfs could be mounted: " << mount.readAllStandardError().toStdString();
    const struct {
        const char* Command;
        const char* Said;
    } cases[] = {
        {"--simulate plu read 1 9999 --db ro/db.dat",
         "plu read: %1/db.dat: the PLU database cannot be written: Read-only file system; nothing was done"},
        {"import sheet.csv --db ro/db.dat",
         "import: %1/db.dat: the PLU database cannot be written: Read-only file system; nothing was done"},
        {"--create export - 1 1 --db ro/pludb.dat",
         "export: %1/pludb.dat: Cannot create default database! (Read-only file system)"},
    };
    QFile sheet(Path(QStringLiteral("sheet.csv")));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("PLU,Description,Description2,Price,Net,Dept,Unit,Stock,Barcode\n7,SALT,,0.30,,1,0,,\n");
    sheet.close();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Command);
        const ProgramRun r = Ctl(QString::fromLatin1(c.Command).split(QLatin1Char(' ')));
        EXPECT_TRUE(r.Finished);
        EXPECT_EQ(r.Status, CtlFailed);
        EXPECT_TRUE(r.Err.contains(QString::fromLatin1(c.Said).arg(ro))) << r.Err.toStdString();
    }
    QProcess::execute(QStringLiteral("umount"), {ro});
}

TEST_F(OrvexCtlScriptTest, HangUpEndsATransferInOrderLikeTheOtherSignals) {
    for (const int signal : {SIGHUP, SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        QProcess reader;
        reader.setWorkingDirectory(dir.path());
        reader.start(QStringLiteral(ORVEXCTL_PROGRAM),
                     {QStringLiteral("--simulate"), QStringLiteral("plu"), QStringLiteral("read"),
                      QStringLiteral("0"), QStringLiteral("9999"), QStringLiteral("--db"),
                      QStringLiteral("read-%1.dat").arg(signal)});
        ASSERT_TRUE(reader.waitForStarted(5000));
        // The table is locked once the command line was taken and the signals are handled.
        ASSERT_TRUE(WaitUntil(
            [&] { return QFile::exists(Path(QStringLiteral("read-%1.dat.lock").arg(signal))); }, 10000));
        ASSERT_EQ(::kill(pid_t(reader.processId()), signal), 0);
        ASSERT_TRUE(reader.waitForFinished(10000));
        EXPECT_EQ(reader.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(reader.exitCode(), CtlFailed);
        EXPECT_TRUE(reader.readAllStandardError().contains("interrupted"));
    }
}

TEST_F(OrvexCtlScriptTest, PluWriteNeedsADatabaseOfItsFullSize) {
    const QStringList write{QStringLiteral("--simulate"), QStringLiteral("plu"), QStringLiteral("write"),
                            QStringLiteral("1"), QStringLiteral("2")};
    const ProgramRun none = Ctl(write);
    EXPECT_EQ(none.Status, CtlFailed);
    EXPECT_TRUE(none.Err.contains(QStringLiteral("no PLU database to write from"))) << none.Err.toStdString();
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("pludb.dat"))));

    for (const qint64 size : {qint64(0), qint64(1000), PluTable::ByteSize + 128}) {
        SCOPED_TRACE(size);
        QFile cut(Path(QStringLiteral("cut.dat")));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(QByteArray(size, '\0'));
        cut.close();
        const ProgramRun r = Ctl(write + QStringList{QStringLiteral("--db"), QStringLiteral("cut.dat")});
        EXPECT_EQ(r.Status, CtlFailed);
        EXPECT_TRUE(r.Err.contains(QStringLiteral("%1 bytes, not the %2").arg(size).arg(PluTable::ByteSize)))
            << r.Err.toStdString();
        EXPECT_EQ(QFileInfo(cut.fileName()).size(), size);
    }
}

TEST_F(OrvexCtlScriptTest, AFileThatIsNoPluDatabaseIsNeverWrittenAsOne) {
    QFile sheet(Path(QStringLiteral("sheet.csv")));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("PLU,Description,Description2,Price,Net,Dept,Unit,Stock,Barcode\n7,SALT,,0.30,,1,0,,\n");
    sheet.close();
    const QByteArray notes = "call the supplier\n";
    const QByteArray cut(1000, '\0');
    const struct {
        const char* Args;
        const char* Target;
        QByteArray Contents;
    } cases[] = {
        {"--simulate plu read 1 2 --db notes.txt", "notes.txt", notes},
        {"--simulate plu read 1 2 --db cut.dat", "cut.dat", cut},
        {"import sheet.csv --db notes.txt", "notes.txt", notes},
        {"import sheet.csv --db sheet.csv", "sheet.csv", QByteArray()},
        // The folder's own pludb.dat, cut short.
        {"--simulate plu read 1 2", "pludb.dat", cut},
        {"import sheet.csv", "pludb.dat", notes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args);
        SCOPED_TRACE(c.Target);
        QFile target(Path(QString::fromLatin1(c.Target)));
        QByteArray before = c.Contents;
        if (before.isNull()) {
            ASSERT_TRUE(target.open(QIODevice::ReadOnly));
            before = target.readAll();
            target.close();
        } else {
            ASSERT_TRUE(target.open(QIODevice::WriteOnly));
            target.write(before);
            target.close();
        }
        const ProgramRun r = Ctl(QString::fromLatin1(c.Args).split(QLatin1Char(' ')));
        EXPECT_EQ(r.Status, CtlFailed) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(QStringLiteral("%1: not a PLU database").arg(target.fileName())))
            << r.Err.toStdString();
        ASSERT_TRUE(target.open(QIODevice::ReadOnly));
        EXPECT_EQ(target.readAll(), before);
        target.close();
    }
}

TEST_F(OrvexCtlScriptTest, AScriptWithoutItsTableIsRefusedUnlessItAsksForOne) {
    const QString missing = QStringLiteral("%1: no PLU database at %1; use --db or --data-dir")
                                .arg(Path(QStringLiteral("pludb.dat")));
    const char* commands[] = {"export plus.csv", "--simulate report plu 1 5", "--simulate monitor",
                              "--simulate plu write 1 2"};
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        const ProgramRun r = Ctl(QString::fromLatin1(command).split(QLatin1Char(' ')));
        EXPECT_EQ(r.Status, CtlFailed);
        EXPECT_TRUE(r.Err.contains(missing) ||
                    r.Err.contains(QStringLiteral("no PLU database to write from")))
            << r.Err.toStdString();
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("pludb.dat"))));
    }
    const ProgramRun made =
        Ctl({QStringLiteral("--create"), QStringLiteral("export"), QStringLiteral("plus.csv")});
    EXPECT_EQ(made.Status, CtlSuccess) << made.Err.toStdString();
    EXPECT_EQ(QFileInfo(Path(QStringLiteral("pludb.dat"))).size(), PluTable::ByteSize);
}

TEST_F(OrvexCtlScriptTest, ImportThatLeavesRowsBehindEndsWithOne) {
    const auto csv = [&](const char* name, const QByteArray& text) {
        QFile file(Path(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    const QByteArray title = "PLU,Description,Description2,Price,Net,Dept,Unit,Stock,Barcode\n";
    csv("good.csv", title + "1,MILK,,1.19,,1,0,,\n2,BREAD,,0.65,,1,0,,\n");
    csv("skips.csv", title + "1,MILK,,1.19,,1,0,,\nabc,BREAD,,0.65,,1,0,,\n3,SALT,,0.30,,1,0,,\n");
    csv("gap.csv", title + "1,MILK,,1.19,,1,0,,\n,,,,,,,,\n3,SALT,,0.30,,1,0,,\n");
    // Nothing taken: the summary goes to stderr, its cell texts without their control bytes.
    csv("binary.csv", title + "\x01\x02\x1b[2J,X,,1,,1,0,,\n");

    const struct {
        const char* File;
        int Status;
        const char* Err;
        const char* Out;
    } cases[] = {
        {"good.csv", CtlSuccess, "", "PLUs imported: 2\nRows skipped: 0\n"},
        {"skips.csv", CtlFailed, "1 rows skipped", "PLUs imported: 2\n"},
        {"gap.csv", CtlFailed, "1 rows after row 3 not read: its PLU cell is empty", "PLUs imported: 1\n"},
        {"binary.csv", CtlFailed, "'\\x01\\x02\\x1b[2J'", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const ProgramRun r = Ctl({QStringLiteral("import"), QString::fromLatin1(c.File),
                                  QStringLiteral("--db"), QStringLiteral("db.dat")});
        EXPECT_EQ(r.Status, c.Status) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(QString::fromLatin1(c.Err))) << r.Err.toStdString();
        EXPECT_FALSE(r.Err.contains(QChar(0x1b)));
        if (*c.Out == '\0')
            EXPECT_TRUE(r.Out.isEmpty()) << r.Out.toStdString();
        else
            EXPECT_TRUE(r.Out.startsWith(QString::fromLatin1(c.Out))) << r.Out.toStdString();
    }
}

TEST_F(OrvexCtlScriptTest, OneTableIsChangedByOneProgramAtATimeAndTheOthersHearWho) {
    QFile sheet(Path(QStringLiteral("plus.csv")));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("PLU,Description,Description2,Price,Net,Dept,Unit,Stock,Barcode\n7,SALT,,0.30,,1,0,,\n");
    sheet.close();

    // A long read from the register holds pludb.dat of the folder.
    QProcess reader;
    reader.setWorkingDirectory(dir.path());
    reader.start(QStringLiteral(ORVEXCTL_PROGRAM),
                 {QStringLiteral("--simulate"), QStringLiteral("plu"), QStringLiteral("read"),
                  QStringLiteral("0"), QStringLiteral("9999")});
    ASSERT_TRUE(reader.waitForStarted(5000));
    QFile lock(Path(QStringLiteral("pludb.dat.lock")));
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (!lock.open(QIODevice::ReadOnly))
                return false;
            const bool written = lock.readAll().startsWith("orvexctl plu read");
            lock.close();
            return written;
        },
        10000));
    const QString holder = QStringLiteral("in use by orvexctl plu read (pid %1)").arg(reader.processId());

    const ProgramRun import = Ctl({QStringLiteral("import"), QStringLiteral("plus.csv")});
    EXPECT_EQ(import.Status, CtlFailed);
    EXPECT_TRUE(import.Err.contains(holder)) << import.Err.toStdString();
    // The window's session takes the same lock and is refused in the same words.
    {
        RegisterSession window;
        const DatabaseFileResult loaded = window.LoadTable(dir.path());
        EXPECT_FALSE(loaded.Ok);
        EXPECT_TRUE(loaded.Message.contains(holder)) << loaded.Message.toStdString();
    }

    reader.terminate();
    ASSERT_TRUE(reader.waitForFinished(10000));
    EXPECT_EQ(reader.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(reader.exitCode(), CtlFailed);
    EXPECT_TRUE(reader.readAllStandardError().contains("interrupted"));

    // Now the window holds it, and a script is told so.
    RegisterSession window;
    ASSERT_TRUE(window.LoadTable(dir.path()).Ok);
    const ProgramRun refused = Ctl({QStringLiteral("import"), QStringLiteral("plus.csv")});
    EXPECT_EQ(refused.Status, CtlFailed);
    EXPECT_TRUE(refused.Err.contains(QStringLiteral("(pid %1)").arg(QCoreApplication::applicationPid())))
        << refused.Err.toStdString();
    window.UnlockTable();
    const ProgramRun taken = Ctl({QStringLiteral("import"), QStringLiteral("plus.csv")});
    EXPECT_EQ(taken.Status, CtlSuccess) << taken.Err.toStdString();
}

TEST_F(OrvexCtlScriptTest, RefusalsSayWhatAndWhy) {
    const struct {
        QStringList Args;
        int Status;
        const char* Err;
    } cases[] = {
        {{QStringLiteral("--port="), QStringLiteral("clock")}, CtlUsage, "--port needs a value"},
        {{QStringLiteral("--port"), QString(), QStringLiteral("clock")}, CtlUsage, "--port needs a value"},
        {{QStringLiteral("help"), QStringLiteral("nonsense")}, CtlUsage, "no help for nonsense"},
        {{QStringLiteral("--timeout"), QStringLiteral("0"), QStringLiteral("clock")}, CtlUsage, "--timeout"},
        {{QStringLiteral("--port"), QStringLiteral("no-such-tty"), QStringLiteral("clock")},
         CtlFailed,
         "cannot open the port: No such file or directory"},
        {{QStringLiteral("--simulate"), QStringLiteral("z-report")},
         CtlFailed,
         "the simulated register: refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.join(QLatin1Char(' ')).toStdString());
        const ProgramRun r = Ctl(c.Args);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_TRUE(r.Err.contains(QString::fromLatin1(c.Err))) << r.Err.toStdString();
        EXPECT_FALSE(r.Err.contains(QStringLiteral("/dev/ttyS"))) << r.Err.toStdString();
    }
}

} // namespace
