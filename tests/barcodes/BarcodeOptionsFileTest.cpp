#include "barcodes/BarcodeOptionsFile.h"
#include "support/HexDump.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The default rules as little-endian 32-bit integers, written out by hand.
const char* const DefaultFileHex = "14 00 00 00 07 00 00 00 05 00 00 00 15 00 00 00 07 00 00 00 05 00 00 00 "
                                   "1B 00 00 00 07 00 00 00 05 00 00 00 32 00 00 00 07 00 00 00 05 00 00 00 "
                                   "38 00 00 00 07 00 00 00 05 00 00 00 39 00 00 00 07 00 00 00 05 00 00 00";

class OptionsFile : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path() const { return dir.filePath(QStringLiteral("ComOpts.ini")); }
    QTemporaryDir dir;
};

BarcodeTypeTable Custom() {
    BarcodeTypeTable t = BarcodeTypeTable::Defaults();
    t.Rules[1] = {22, 8, 4};
    t.Rules[5] = {-1, 300000, 0};
    return t;
}

} // namespace

TEST_F(OptionsFile, MissingOrShortFileIsReplacedByTheDefaults) {
    for (const QByteArray& before : {QByteArray(), QByteArray("0123456789")}) {
        if (!before.isNull())
            WriteFile(Path(), before);
        const BarcodeOptionsLoad load = LoadBarcodeTypes(dir.path());
        EXPECT_TRUE(load.Message.isEmpty());
        EXPECT_EQ(load.Table, BarcodeTypeTable::Defaults());
        EXPECT_EQ(Hex(ReadFile(Path())), DefaultFileHex) << "file before: " << Hex(before);
        ASSERT_TRUE(QFile::remove(Path()));
    }
}

TEST_F(OptionsFile, AnyFullLengthFileIsTakenAsItIs) {
    // 72 bytes of whatever: the rules are not validated on load, and the file
    // is not rewritten.
    QByteArray garbage;
    for (int i = 0; i < 80; ++i)
        garbage += char(0x80 + i * 7);
    WriteFile(Path(), garbage);
    const BarcodeOptionsLoad load = LoadBarcodeTypes(dir.path());
    EXPECT_TRUE(load.Message.isEmpty());
    EXPECT_EQ(Hex(load.Table.ToBytes()), Hex(garbage.left(72)));
    EXPECT_EQ(ReadFile(Path()), garbage);
}

TEST_F(OptionsFile, SaveRoundTripsAndKeepsBytesBeyondTheRules) {
    EXPECT_TRUE(SaveBarcodeTypes(Custom(), dir.path()).isEmpty()) << "creating the file";
    EXPECT_EQ(LoadBarcodeTypes(dir.path()).Table, Custom());
    EXPECT_EQ(ReadFile(Path()).mid(12, 12), QByteArray("\x16\0\0\0\x08\0\0\0\x04\0\0\0", 12));

    WriteFile(Path(), BarcodeTypeTable::Defaults().ToBytes() + "TAIL");
    EXPECT_TRUE(SaveBarcodeTypes(Custom(), dir.path()).isEmpty());
    EXPECT_EQ(ReadFile(Path()), Custom().ToBytes() + "TAIL");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"ComOpts.ini"})
        << "no temporary file left";
}

TEST_F(OptionsFile, FolderThatTakesNoNewFileIsSavedInPlace) {
    WriteFile(Path(), BarcodeTypeTable::Defaults().ToBytes() + "TAIL");
    if (!LockFolderEntries(dir.path()))
        GTEST_SKIP() << "this file system cannot lock a folder";
    const QString message = SaveBarcodeTypes(Custom(), dir.path());
    UnlockFolderEntries(dir.path());
    EXPECT_TRUE(message.isEmpty()) << message.toStdString();
    EXPECT_EQ(ReadFile(Path()), Custom().ToBytes() + "TAIL");
}

TEST_F(OptionsFile, UnwritablePlacesGetTheirMessages) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("ComOpts.ini")));
    const BarcodeOptionsLoad load = LoadBarcodeTypes(dir.path());
    EXPECT_EQ(load.Message.toStdString(), "Cannot write to options file!");
    EXPECT_EQ(load.Table, BarcodeTypeTable::Defaults()) << "the defaults are in force for the run";
    EXPECT_EQ(SaveBarcodeTypes(Custom(), dir.path()).toStdString(), "Cannot write to options file!");
    EXPECT_TRUE(QFileInfo(Path()).isDir());

    const QString missing = dir.filePath(QStringLiteral("no/such/folder"));
    EXPECT_EQ(SaveBarcodeTypes(Custom(), missing).toStdString(), "Cannot write to options file");
}

TEST_F(OptionsFile, WriteProtectedFileStillGivesItsRules) {
    WriteFile(Path(), Custom().ToBytes());
    ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const BarcodeOptionsLoad load = LoadBarcodeTypes(dir.path());
    EXPECT_TRUE(load.Message.isEmpty());
    EXPECT_EQ(load.Table, Custom());
    EXPECT_EQ(ReadFile(Path()), Custom().ToBytes());
}

TEST(BarcodeRules, EditsStayApartUntilApplied) {
    BarcodeRules rules;
    rules.SetApplied(BarcodeTypeTable::Defaults());
    rules.SetEditedRule(0, {33, 9, 4});
    rules.SetEditedRule(6, {1, 1, 1});
    EXPECT_EQ(rules.Applied(), BarcodeTypeTable::Defaults());
    EXPECT_EQ(rules.Edited().Rules[0], (BarcodeRule{33, 9, 4}));
    rules.DropEdits();
    EXPECT_EQ(rules.Edited(), BarcodeTypeTable::Defaults());
    rules.SetEditedRule(2, {44, 7, 5});
    rules.ApplyEdits();
    EXPECT_EQ(rules.Applied().Rules[2], (BarcodeRule{44, 7, 5}));
    EXPECT_EQ(rules.Applied().Rules[0], (BarcodeRule{20, 7, 5})) << "the dropped edit stays dropped";
}
