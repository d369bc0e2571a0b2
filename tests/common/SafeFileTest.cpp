// Every writer of the program refuses a device, FIFO or folder by its name
// and writes through a link to its file. The nodes are made in a temporary
// folder; no test touches a device of the system.
#include "common/SafeFile.h"
#include "barcodes/BarcodeOptionsFile.h"
#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"
#include "spreadsheets/SheetRows.h"
#include "viewer/LineStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

class SafeFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString Path(const QString& name) const { return QDir::cleanPath(dir.filePath(name)); }
    QString Path(const char* name) const { return Path(QString::fromLatin1(name)); }
    bool Null(const char* name) {
        if (::mknod(QFile::encodeName(Path(name)).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
            return true;
        why = std::strerror(errno);
        return false;
    }
    mode_t Kind(const char* name) const {
        struct stat info {};
        return ::lstat(QFile::encodeName(Path(name)).constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
    }

    QTemporaryDir dir;
    std::string why;
};

TEST_F(SafeFileTest, ATargetIsARegularFileOrANewPathAtTheEndOfItsLinks) {
    if (!Null("null"))
        GTEST_SKIP() << "mknod of a character device failed: " << why;
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
    QFile plain(Path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const struct {
        const char* Name;
        const char* LinkTo; // made as a link first when set
        const char* Resolved;
        const char* Refusal;
    } cases[] = {
        {"plain", nullptr, "plain", ""},
        {"new", nullptr, "new", ""},
        {"to-plain", "plain", "plain", ""},
        {"to-to-plain", "to-plain", "plain", ""},
        {"dangling", "sub-new", "sub-new", ""},
        {"null", nullptr, "", "a device, not a regular file"},
        {"to-null", "null", "", "a device, not a regular file"},
        {"fifo", nullptr, "", "a FIFO, not a regular file"},
        {"to-fifo", "fifo", "", "a FIFO, not a regular file"},
        {"folder", nullptr, "", "a folder, not a regular file"},
        {"loop-a", "loop-b", "", "Too many levels of symbolic links"},
        {"loop-b", "loop-a", "", "Too many levels of symbolic links"},
    };
    for (const auto& c : cases)
        if (c.LinkTo)
            QFile::link(QString::fromLatin1(c.LinkTo), Path(c.Name));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const WriteTarget target = ResolveWriteTarget(Path(c.Name));
        EXPECT_EQ(target.Refusal, QString::fromLatin1(c.Refusal));
        EXPECT_EQ(target.Path, *c.Resolved ? Path(c.Resolved) : QString());
    }
}

TEST_F(SafeFileTest, TheProgramsWritersLeaveADeviceAsItIs) {
    if (!Null("null.dat") || !Null("null.csv") || !Null("null.xlsx") || !Null("null.txt"))
        GTEST_SKIP() << "mknod of a character device failed: " << why;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shop")));
    ASSERT_TRUE(QFile::link(Path("null.dat"), Path("shop/pludb.dat")));
    ASSERT_TRUE(QFile::link(Path("null.dat"), Path("shop/ComOpts.ini")));
    const PluTable table;

    EXPECT_FALSE(SaveDatabaseTo(table, Path("null.dat")).Ok);
    const DatabaseFileResult saved = SaveDatabase(table, Path("shop"));
    EXPECT_FALSE(saved.Ok);
    EXPECT_EQ(saved.Detail, QStringLiteral("a device, not a regular file"));
    EXPECT_FALSE(SaveBarcodeTypes(BarcodeTypeTable::Defaults(), Path("shop")).isEmpty());
    for (const char* name : {"null.csv", "null.xlsx"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<SheetWriter> writer = MakeSheetWriter(Path(name));
        ASSERT_TRUE(writer);
        writer->AddRow({SheetCell::OfText(QStringLiteral("x"))});
        EXPECT_EQ(writer->Finish(), SheetError::NotAFile);
        EXPECT_EQ(Kind(name), mode_t(S_IFCHR));
    }
    EXPECT_EQ(Kind("null.dat"), mode_t(S_IFCHR));
    EXPECT_EQ(Kind("null.txt"), mode_t(S_IFCHR));
    EXPECT_EQ(Kind("shop/pludb.dat"), mode_t(S_IFLNK));
    EXPECT_EQ(Kind("shop/ComOpts.ini"), mode_t(S_IFLNK));
}

TEST_F(SafeFileTest, ATableIsSavedToAnotherFileOnlyOverAPluDatabaseOrANewPath) {
    const QByteArray table(PluTable::ByteSize, '\x07');
    const struct {
        const char* Name;
        QByteArray Contents; // the file is made with these first unless null
        bool Saved;
    } cases[] = {
        {"notes.txt", "milk, bread\n", false}, {"empty.dat", "", false}, {"cut.dat", table.left(1000), false},
        {"long.dat", table + "tail", false},   {"old.dat", table, true}, {"new.dat", QByteArray(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile file(Path(c.Name));
        if (!c.Contents.isNull()) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.Contents);
            file.close();
        }
        const DatabaseFileResult saved = SaveDatabaseTo(PluTable(), file.fileName());
        EXPECT_EQ(saved.Ok, c.Saved);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        if (c.Saved) {
            EXPECT_EQ(file.size(), PluTable::ByteSize);
        } else {
            EXPECT_EQ(file.readAll(), c.Contents);
            EXPECT_TRUE(saved.Detail.contains(QStringLiteral("not a PLU database")))
                << saved.Detail.toStdString();
        }
        file.close();
    }
}

TEST_F(SafeFileTest, ReadersNeverOpenAFifoOrReadADevice) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo.csv")).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo.dat")).constData(), 0600), 0);
    // Each of these waited in open() for a writer that never comes.
    QElapsedTimer clock;
    clock.start();
    SheetRows rows(10, 10);
    EXPECT_EQ(ReadSheetFile(Path("fifo.csv"), rows), SheetError::NotAFile);
    PluTable table;
    const DatabaseFileResult loaded = LoadDatabaseFrom(table, Path("fifo.dat"), true);
    EXPECT_FALSE(loaded.Ok);
    EXPECT_EQ(loaded.Detail, QStringLiteral("a FIFO, not a regular file"));
    const FileLineStore viewed(Path("fifo.csv"), 204);
    EXPECT_FALSE(viewed.Error().isEmpty());
    EXPECT_LT(clock.elapsed(), 5000);

    if (!Null("zero.csv"))
        GTEST_SKIP() << "mknod of a character device failed: " << why;
    EXPECT_EQ(ReadSheetFile(Path("zero.csv"), rows), SheetError::NotAFile);
}

} // namespace
