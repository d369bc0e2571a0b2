#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"
#include "support/HexDump.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QByteArray Fixture(const char* name) {
    return ReadFile(QStringLiteral(ORVEX_FIXTURES_DIR "/") + name);
}

class DatabaseFile : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path() const { return dir.filePath(QStringLiteral("pludb.dat")); }

    QTemporaryDir dir;
    PluTable table;
};

} // namespace

TEST_F(DatabaseFile, FirstStartCreatesTheDefaultDatabase) {
    const DatabaseFileResult r = LoadDatabase(table, dir.path());
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    const QByteArray file = ReadFile(Path());
    ASSERT_EQ(file.size(), 1280000);
    // Record 12 as an independent reader sees it: Code 0, then "COD   12" and
    // zeros to the end of the record.
    const QByteArray expected12 = QByteArray("\0\0\0\0COD   12", 12) + QByteArray(116, '\0');
    EXPECT_EQ(Hex(file.mid(12 * 128, 128)), Hex(expected12));
    EXPECT_EQ(file.mid(9999 * 128 + 4, 9), QByteArray("COD 9999\0", 9));
    EXPECT_EQ(table[12].DescriptionText(), QByteArray("COD   12"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pludb.dat"}) << "no temporary file left";
}

TEST_F(DatabaseFile, ShortFileFillsOnlyItsRecords) {
    const QByteArray record = Fixture("pludb-one-record.bin");
    ASSERT_EQ(record.size(), 128);
    WriteFile(Path(), record);
    table.FillDefaults();
    ASSERT_TRUE(LoadDatabase(table, dir.path()).Ok);

    const PluRecord& plu0 = table[0];
    EXPECT_EQ(plu0.Code, 0x12345678u);
    EXPECT_EQ(plu0.DescriptionText(), QByteArray("SOK 1L"));
    EXPECT_EQ(plu0.Description2Text(), QByteArray("Sok od jabuke, 1 litar"));
    EXPECT_EQ(plu0.Price, 2.5);
    EXPECT_EQ(plu0.Flags, 0xC3);
    EXPECT_EQ(plu0.Unit, 2);
    EXPECT_EQ(plu0.BarcodeText(), QByteArray("8600123456789"));
    EXPECT_EQ(plu0.Quantity, 1500u);
    EXPECT_EQ(plu0.Stock, 20000u);
    EXPECT_EQ(plu0.Total, 12.5);
    EXPECT_EQ(plu0.VarCheck, 7);
    EXPECT_EQ(plu0.NetPrice, 1.75);
    EXPECT_TRUE(table[1].DescriptionText().isEmpty()) << "the rest stays zero, not the defaults";
    EXPECT_TRUE(
        std::ranges::all_of(table.Bytes().subspan(128), [](std::byte b) { return b == std::byte{0}; }));
    EXPECT_EQ(ReadFile(Path()).size(), 128) << "loading does not rewrite the file";
}

TEST_F(DatabaseFile, SaveWritesTheTableAsItLiesIncludingPadding) {
    WriteFile(Path(), Fixture("pludb-one-record.bin"));
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(Path(), mode));
    ASSERT_TRUE(LoadDatabase(table, dir.path()).Ok);
    table[3].SetDescription("NEW");
    const DatabaseFileResult r = SaveDatabase(table, dir.path());
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();

    const QByteArray file = ReadFile(Path());
    ASSERT_EQ(file.size(), 1280000);
    EXPECT_EQ(Hex(file.left(128)), Hex(Fixture("pludb-one-record.bin"))) << "padding bytes are kept as read";
    EXPECT_EQ(file.mid(3 * 128, 8), QByteArray("\0\0\0\0NEW\0", 8));
    EXPECT_EQ(QFile::permissions(Path()) & 0x7077, mode) << "the replaced file keeps its mode";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pludb.dat"});
}

TEST_F(DatabaseFile, LongerFileKeepsItsBytesBeyondTheTable) {
    PluTable source;
    source.FillDefaults();
    const QByteArray tail("extra bytes from another program");
    QByteArray content(reinterpret_cast<const char*>(source.Bytes().data()),
                       qsizetype(source.Bytes().size()));
    WriteFile(Path(), content + tail);

    ASSERT_TRUE(LoadDatabase(table, dir.path()).Ok);
    EXPECT_EQ(table[9999].DescriptionText(), QByteArray("COD 9999"));
    table[9999].Price = 4.0;
    ASSERT_TRUE(SaveDatabase(table, dir.path()).Ok);
    const QByteArray file = ReadFile(Path());
    ASSERT_EQ(file.size(), 1280000 + tail.size());
    EXPECT_EQ(file.mid(1280000), tail);
    EXPECT_EQ(file.mid(9999 * 128 + 56, 8), QByteArray("\0\0\0\0\0\0\x10\x40", 8))
        << "4.0 as a little-endian double";
}

TEST_F(DatabaseFile, ADirectoryInPlaceOfTheFileCannotBeReadOrWritten) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("pludb.dat")));
    const DatabaseFileResult load = LoadDatabase(table, dir.path());
    EXPECT_FALSE(load.Ok);
    EXPECT_EQ(load.Message.toStdString(), "Cannot open database file for reading!");
    EXPECT_EQ(load.ExitStatus, 1);

    const DatabaseFileResult save = SaveDatabase(table, dir.path());
    EXPECT_FALSE(save.Ok);
    EXPECT_EQ(save.Message.toStdString(), "Cannot open database file for writing!");
    EXPECT_EQ(save.ExitStatus, 0) << "the program still ends normally";
    EXPECT_TRUE(QFileInfo(Path()).isDir());
}

TEST_F(DatabaseFile, MissingFolderCannotTakeTheDefaultDatabase) {
    const DatabaseFileResult r = LoadDatabase(table, dir.filePath(QStringLiteral("no/such/folder")));
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message.toStdString(), "Cannot create default database!");
    EXPECT_EQ(r.Detail.toStdString(), "No such file or directory");
    EXPECT_EQ(r.ExitStatus, 1);
}

TEST_F(DatabaseFile, FileDeletedDuringTheRunIsNotRecreatedAtExit) {
    ASSERT_TRUE(LoadDatabase(table, dir.path()).Ok);
    ASSERT_TRUE(QFile::remove(Path()));
    const DatabaseFileResult r = SaveDatabase(table, dir.path());
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message.toStdString(), "Cannot open database file for writing!");
    EXPECT_EQ(r.Detail.toStdString(), "No such file or directory");
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(DatabaseFile, ReadOnlyFileLoadsAndIsLeftAsItWas) {
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not stop root; the directory case covers the refusal";
    WriteFile(Path(), Fixture("pludb-one-record.bin"));
    ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    ASSERT_TRUE(LoadDatabase(table, dir.path()).Ok);
    EXPECT_EQ(table[0].DescriptionText(), QByteArray("SOK 1L"));
    table[0].SetDescription("CHANGED");
    const DatabaseFileResult r = SaveDatabase(table, dir.path());
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message.toStdString(), "Cannot open database file for writing!");
    EXPECT_EQ(ReadFile(Path()), Fixture("pludb-one-record.bin"));
}

TEST_F(DatabaseFile, CloseQuerySavesWhenItShould) {
    struct Case {
        bool readFromRegister;
        bool changed;
        UpdateAnswer answer;
        bool asked;
        bool closeAllowed;
        bool saved;
    };
    const Case cases[] = {
        {false, false, UpdateAnswer::Yes, false, true, false},
        {false, true, UpdateAnswer::Yes, false, true, true},
        {true, false, UpdateAnswer::Yes, true, true, true},
        {true, false, UpdateAnswer::No, true, true, false},
        {true, true, UpdateAnswer::No, true, true, true},
        {true, true, UpdateAnswer::Cancel, true, false, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(LoadDatabase(table, dir.path()).Ok);
        table[1].SetDescription("EDITED");
        bool asked = false;
        const DatabaseCloseResult r = CloseQuerySave(table, dir.path(), c.readFromRegister, c.changed, [&] {
            asked = true;
            return c.answer;
        });
        const std::string row = std::to_string(c.readFromRegister) + std::to_string(c.changed);
        EXPECT_EQ(asked, c.asked) << row;
        EXPECT_EQ(r.CloseAllowed, c.closeAllowed) << row;
        EXPECT_EQ(r.SaveAttempted, c.saved) << row;
        EXPECT_TRUE(r.Message.isEmpty()) << row;
        EXPECT_EQ(ReadFile(Path()).mid(128 + 4, 7) == QByteArray("EDITED\0", 7), c.saved) << row;
        ASSERT_TRUE(QFile::remove(Path()));
    }
}

TEST_F(DatabaseFile, CloseQueryReportsAFailedSaveAndStillCloses) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("pludb.dat")));
    const DatabaseCloseResult r =
        CloseQuerySave(table, dir.path(), false, true, [] { return UpdateAnswer::Yes; });
    EXPECT_TRUE(r.CloseAllowed);
    EXPECT_EQ(r.Message.toStdString(), "Cannot open database file for writing!");
}

// A folder that takes no new file but holds a writable pludb.dat (a shared
// folder set up that way): the save goes into the file itself, and bytes a
// longer file holds beyond the table stay.
TEST_F(DatabaseFile, FolderThatTakesNoNewFileIsSavedInPlace) {
    const QByteArray tail("bytes of another program");
    WriteFile(Path(), Fixture("pludb-one-record.bin") + QByteArray(1280000 - 128, '\0') + tail);
    ASSERT_TRUE(LoadDatabase(table, dir.path()).Ok);
    table[0].SetDescription("CHANGED");
    if (!LockFolderEntries(dir.path()))
        GTEST_SKIP() << "this file system cannot lock a folder";
    const DatabaseFileResult r = SaveDatabase(table, dir.path());
    UnlockFolderEntries(dir.path());
    EXPECT_TRUE(r.Ok) << r.Message.toStdString();
    const QByteArray file = ReadFile(Path());
    ASSERT_EQ(file.size(), 1280000 + tail.size());
    EXPECT_EQ(file.mid(4, 8), QByteArray("CHANGED\0", 8));
    EXPECT_EQ(file.mid(1280000), tail);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pludb.dat"});
}
