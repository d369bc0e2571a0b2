#include "viewer/LineStore.h"
#include "common/ShellSettings.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"
#include "support/TestFiles.h"
#include "support/WaitUntil.h"
#include "viewer/LineFinder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LineStoreTest : public ::testing::Test {
  protected:
    [[nodiscard]] QString PathOf(const char* name) const {
        return QDir(dir.path()).filePath(QString::fromLatin1(name));
    }
    // The store of a file once it is read to the end.
    static std::unique_ptr<FileLineStore> Indexed(const QString& path, int charset,
                                                  qint64 maxBytes = MaxViewedFileBytes) {
        auto store = std::make_unique<FileLineStore>(path, charset, maxBytes);
        EXPECT_TRUE(WaitUntil([&] { return !store->Error().isEmpty() || store->Complete(); }));
        return store;
    }
    static QByteArray Written(const LineStore& store) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(store.WriteTo(buffer, [] { return true; }));
        return buffer.data();
    }
    QTemporaryDir dir;
};

TEST_F(LineStoreTest, TextLinesAreWrittenAsUtf8EachEndedByCrLf) {
    TextLineStore store;
    store.AppendText(QStringLiteral("# OTVOREN RAČUN\t   \n\n# SUBTOTAL \tAmount:1,00"));
    EXPECT_EQ(Hex(Written(store)), Hex(QByteArray("# OTVOREN RA\xC4\x8C"
                                                  "UN\t   \r\n\r\n# SUBTOTAL \tAmount:1,00\r\n")));
    EXPECT_EQ(Written(TextLineStore()), QByteArray()) << "an empty text is an empty file";
}

// A line longer than a row goes on in rows that continue it; it is written
// and given back whole, and no character is split between two rows.
TEST_F(LineStoreTest, LongTextLinesAreRowsThatContinueThem) {
    TextLineStore store;
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString line =
        QString(LineStore::DisplayLimit - 1, QLatin1Char('x')) + emoji + QString(1500, QLatin1Char('y'));
    store.AppendLine(line);
    store.AppendLine(QStringLiteral("next"));
    ASSERT_EQ(store.RowCount(), 4);
    EXPECT_EQ(store.Row(0), QString(LineStore::DisplayLimit - 1, QLatin1Char('x')));
    EXPECT_TRUE(store.Row(1).startsWith(emoji));
    EXPECT_FALSE(store.Continues(0));
    EXPECT_TRUE(store.Continues(1));
    EXPECT_TRUE(store.Continues(2));
    EXPECT_FALSE(store.Continues(3));
    EXPECT_EQ(store.Text(), line + QStringLiteral("\nnext"));
    EXPECT_EQ(Written(store), line.toUtf8() + "\r\nnext\r\n");
    EXPECT_EQ(store.LongestRow(), LineStore::DisplayLimit);
    // The rows' bytes (a page's worth) count as well as the index (a page)
    // and the two tables of segments.
    const qint64 tables = 2 * SegmentedArray<char, 20>::MaxSegments * qint64(sizeof(void*));
    EXPECT_EQ(store.HeldBytes() - tables, 2 * 4096);
}

TEST_F(LineStoreTest, SavedLinesLoadBackUnchanged) {
    TextLineStore text;
    text.AppendText(QStringLiteral("Evidencija: Količina\t1,000\n\n   \nЌирилица № 5"));
    const QString path = PathOf("round.rtf");
    WriteFile(path, Written(text));
    const auto file = Indexed(path, RegisterCharsets::Latin);
    EXPECT_EQ(file->Error(), QString());
    EXPECT_EQ(file->Text(), text.Text());
    EXPECT_EQ(Written(*file), ReadFile(path)) << "a file is written back byte for byte";
}

struct LoadRow {
    const char* Name;
    QByteArray Bytes;
    int Charset;
    QString Text;
};

TEST_F(LineStoreTest, EveryLineBreakEndsALineAndOtherFilesReadInTheCodePage) {
    const LoadRow rows[] = {
        {"CR LF", "a\r\nb\r\n", RegisterCharsets::Cyrillic, QStringLiteral("a\nb")},
        {"LF without one at the end", "a\nb", RegisterCharsets::Cyrillic, QStringLiteral("a\nb")},
        {"lone CR", "a\rb\r\rc", RegisterCharsets::Cyrillic, QStringLiteral("a\nb\n\nc")},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF\xC4\x8C\r\n", RegisterCharsets::Cyrillic,
         QStringLiteral("Č")},
        {"code page 1251", "\xCC\xCB\xC5\xCA\xCE\r\n", RegisterCharsets::Cyrillic, QStringLiteral("МЛЕКО")},
        {"code page 1250", "\x8A\xC8\r\n", RegisterCharsets::Latin, QStringLiteral("ŠČ")},
        {"empty", "", RegisterCharsets::Cyrillic, QString()},
        {"binary, zero bytes and all", QByteArray("\x01\x00\xFF\n\x00z", 6), RegisterCharsets::Default,
         QStringLiteral("\x01") + QChar(0) + QChar(0xFF) + QLatin1Char('\n') + QChar(0) + QLatin1Char('z')},
    };
    for (const LoadRow& row : rows) {
        const QString path = PathOf("in.txt");
        WriteFile(path, row.Bytes);
        const auto store = Indexed(path, row.Charset);
        EXPECT_EQ(store->Error(), QString()) << row.Name;
        EXPECT_EQ(store->Text(), row.Text) << row.Name;
        EXPECT_EQ(Written(*store), row.Bytes) << row.Name;
    }
}

// Line breaks are looked for a stretch of the file at a time: a CR LF, or a
// character of several UTF-8 bytes, on the border of two stretches comes in
// whole, and rows of a long line never split a character.
TEST_F(LineStoreTest, StretchesJoinWithoutSplittingLineBreaksOrCharacters) {
    const QString path = PathOf("pieces.txt");
    const qsizetype stretch = 256 * 1024;
    for (qsizetype shift : {-7, -3, -1, 0}) {
        QByteArray bytes(stretch + shift, 'a');
        bytes += "\r\n\xD0\x96\xD0\x96\r"; // "ЖЖ" and a lone CR
        bytes += QByteArray(10, 'b');
        for (int i = 0; i < 1000; ++i)
            bytes += "\xD0\x96";
        WriteFile(path, bytes);
        const auto store = Indexed(path, RegisterCharsets::Latin);
        EXPECT_TRUE(store->Utf8()) << shift;
        EXPECT_EQ(store->Text(), QString(stretch + shift, QLatin1Char('a')) + QString::fromUtf8("\nЖЖ\n") +
                                     QString(10, QLatin1Char('b')) + QString(1000, QChar(0x416)))
            << "shift " << shift;
        for (qsizetype row = 0; row < store->RowCount(); ++row)
            ASSERT_FALSE(store->Row(row).contains(QChar::ReplacementCharacter)) << row;
    }
}

TEST_F(LineStoreTest, WhatCannotBeViewedIsRefusedInTheLanguageOfTheMoment) {
    const QString path = PathOf("big.txt");
    WriteFile(path, QByteArray(1000, 'x'));
    EXPECT_EQ(Indexed(path, RegisterCharsets::Cyrillic, 1000)->Text(), QString(1000, QLatin1Char('x')));
    EXPECT_EQ(FileLineStore(path, RegisterCharsets::Cyrillic, 999).Error(),
              TooLargeToView.Text().arg(path).arg(0));
    EXPECT_TRUE(FileLineStore(PathOf("nowhere.txt"), RegisterCharsets::Cyrillic)
                    .Error()
                    .contains(PathOf("nowhere.txt")));

    Shell().UiLanguage = ShellSettings::Serbian;
    const QString serbian = FileLineStore(QStringLiteral("/dev/zero"), RegisterCharsets::Cyrillic).Error();
    Shell().UiLanguage = ShellSettings::English;
    EXPECT_EQ(FileLineStore(QStringLiteral("/dev/zero"), RegisterCharsets::Cyrillic).Error(),
              QStringLiteral("The file \"/dev/zero\" cannot be viewed: it is not a regular file (a "
                             "pipe, a device or a folder)."));
    EXPECT_EQ(serbian, QString::fromUtf8("Datoteka \"/dev/zero\" ne može da se prikaže: nije obična "
                                         "datoteka (cev, uređaj ili fascikla)."));
}

// Rows are read while the index grows on its worker; what has been
// published is there to read, and the store can go at any moment.
TEST_F(LineStoreTest, RowsAreReadWhileTheIndexGrows) {
    QByteArray bytes;
    for (int i = 0; i < 400000; ++i)
        bytes += "line " + QByteArray::number(i) + "\n";
    const QString path = PathOf("grow.txt");
    WriteFile(path, bytes);
    { FileLineStore dropped(path, RegisterCharsets::Default); }
    FileLineStore store(path, RegisterCharsets::Default);
    int grown = 0;
    bool finished = false;
    QObject::connect(&store, &LineStore::Grown, [&] {
        ++grown;
        const qsizetype rows = store.RowCount();
        if (rows > 0)
            EXPECT_EQ(store.Row(rows - 1), QStringLiteral("line %1").arg(rows - 1));
    });
    QObject::connect(&store, &LineStore::Finished, [&] { finished = true; });
    ASSERT_TRUE(WaitUntil([&] { return finished; }));
    EXPECT_EQ(store.RowCount(), 400000);
    EXPECT_GE(grown, 1);
    EXPECT_LE(store.HeldBytes(), 400000 * 8 + (qint64(8) << 18)) << "8 bytes a row and one segment";
}

struct FindRow {
    const char* Name;
    FindRequest Request;
    qsizetype Count;
    FindHit Shown;
};

// Find counts every hit and shows the one after the given place (before it
// going backward), round the end when there is none; case is as asked, also
// for letters outside ASCII and in a code page.
TEST_F(LineStoreTest, FindCountsEveryHitAndShowsTheNextOne) {
    const QString path = PathOf("find.txt");
    WriteFile(path, "Mleko 1L\r\nhleb\r\nMLEKO \xD7\xCE\xC2\r\nmleko mleko\r\n"); // code page 1251: ЧОВ
    const auto store = Indexed(path, RegisterCharsets::Cyrillic);
    ASSERT_FALSE(store->Utf8());
    const FindRow rows[] = {
        {"any case, from the top", {QStringLiteral("mleko"), false, false, 0, -1}, 4, {0, 0, 5}},
        {"exact case", {QStringLiteral("mleko"), true, false, 0, -1}, 2, {3, 0, 5}},
        {"after a hit", {QStringLiteral("mleko"), false, false, 3, 0}, 4, {3, 6, 5}},
        {"round the end", {QStringLiteral("mleko"), false, false, 3, 6}, 4, {0, 0, 5}},
        {"backward", {QStringLiteral("mleko"), false, true, 3, 0}, 4, {2, 0, 5}},
        {"backward round the start", {QStringLiteral("mleko"), false, true, 0, 0}, 4, {3, 6, 5}},
        {"code page, any case", {QStringLiteral("чов"), false, false, 0, -1}, 1, {2, 6, 3}},
        {"code page, exact case", {QStringLiteral("чов"), true, false, 0, -1}, 0, {}},
        {"nowhere", {QStringLiteral("sir"), false, false, 0, -1}, 0, {}},
    };
    for (const FindRow& row : rows) {
        std::atomic<bool> stop{false};
        FindHit shown;
        int shownTimes = 0;
        EXPECT_EQ(LineFinder::Search(*store, row.Request, stop,
                                     [&](const FindHit& hit) {
                                         shown = hit;
                                         ++shownTimes;
                                     }),
                  row.Count)
            << row.Name;
        EXPECT_EQ(shownTimes, row.Count > 0 ? 1 : 0) << row.Name;
        EXPECT_EQ(shown.Row, row.Shown.Row) << row.Name;
        EXPECT_EQ(shown.Column, row.Shown.Column) << row.Name;
        EXPECT_EQ(shown.Length, row.Shown.Length) << row.Name;
    }
}

} // namespace

// Another program shortens the file on show: what lay past its new end reads
// as zeros, and the store knows, instead of the program ending on SIGBUS.
TEST_F(LineStoreTest, AFileShortenedWhileShownReadsAsZerosAndIsNoted) {
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += "line " + QByteArray::number(i) + " of a log that is rotated\n";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(text), text.size());
    file.close();
    FileLineStore store(path, 204);
    ASSERT_TRUE(store.Error().isEmpty()) << store.Error().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return store.Complete(); }));
    ASSERT_EQ(store.RowCount(), 20000);
    EXPECT_FALSE(store.Shortened());

    ASSERT_TRUE(QFile::resize(path, 0));
    const QByteArrayView last = store.RowBytes(19999);
    const QByteArray copy(last.data(), last.size());
    EXPECT_EQ(copy, QByteArray(copy.size(), '\0'));
    EXPECT_TRUE(store.Shortened());
}
