#include "viewer/TextFile.h"
#include "common/ShellSettings.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class TextFileTest : public ::testing::Test {
  protected:
    [[nodiscard]] QString PathOf(const char* name) const {
        return QDir(dir.path()).filePath(QString::fromLatin1(name));
    }
    QTemporaryDir dir;
};

TEST_F(TextFileTest, LinesAreSavedAsUtf8EachEndedByCrLf) {
    const QString path = PathOf("journal.xls");
    ASSERT_EQ(
        SaveTextLines(path, TextLines(QStringLiteral("# OTVOREN RAČUN\t   \n\n# SUBTOTAL \tAmount:1,00"))),
        QString());
    EXPECT_EQ(Hex(ReadFile(path)), Hex(QByteArray("# OTVOREN RA\xC4\x8C"
                                                  "UN\t   \r\n\r\n# SUBTOTAL \tAmount:1,00\r\n")));
}

TEST_F(TextFileTest, SavingReplacesTheFileAndAnEmptyTextLeavesItEmpty) {
    const QString path = PathOf("out.txt");
    WriteFile(path, QByteArray(5000, 'x'));
    ASSERT_EQ(SaveTextLines(path, {QStringLiteral("one")}), QString());
    EXPECT_EQ(ReadFile(path), QByteArray("one\r\n"));
    ASSERT_EQ(SaveTextLines(path, TextLines(QString())), QString());
    EXPECT_EQ(ReadFile(path), QByteArray());
}

TEST_F(TextFileTest, AFileThatCannotBeWrittenIsReportedAndNotCreated) {
    const QString path = PathOf("missing-folder/out.txt");
    const QString failure = SaveTextLines(path, {QStringLiteral("one")});
    EXPECT_FALSE(failure.isEmpty());
    EXPECT_TRUE(failure.contains(path)) << failure.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(TextFileTest, SavedLinesLoadBackUnchanged) {
    const QString text = QStringLiteral("Evidencija: Količina\t1,000\n\n   \nЌирилица № 5");
    const QString path = PathOf("round.rtf");
    ASSERT_EQ(SaveTextLines(path, TextLines(text)), QString());
    const TextFileRead read = LoadTextFile(path, RegisterCharsets::Latin);
    EXPECT_EQ(read.Error, QString());
    EXPECT_EQ(read.Text, text);
}

struct LoadRow {
    const char* Name;
    QByteArray Bytes;
    int Charset;
    QString Text;
};

TEST_F(TextFileTest, EveryLineBreakEndsALineAndOtherFilesReadInTheCodePage) {
    const LoadRow rows[] = {
        {"CR LF", "a\r\nb\r\n", RegisterCharsets::Cyrillic, QStringLiteral("a\nb")},
        {"LF without one at the end", "a\nb", RegisterCharsets::Cyrillic, QStringLiteral("a\nb")},
        {"lone CR", "a\rb\r\rc", RegisterCharsets::Cyrillic, QStringLiteral("a\nb\n\nc")},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF\xC4\x8C\r\n", RegisterCharsets::Cyrillic,
         QStringLiteral("Č")},
        {"code page 1251", "\xCC\xCB\xC5\xCA\xCE\r\n", RegisterCharsets::Cyrillic, QStringLiteral("МЛЕКО")},
        {"code page 1250", "\x8A\xC8\r\n", RegisterCharsets::Latin, QStringLiteral("ŠČ")},
        {"empty", "", RegisterCharsets::Cyrillic, QString()},
    };
    for (const LoadRow& row : rows) {
        const QString path = PathOf("in.txt");
        WriteFile(path, row.Bytes);
        const TextFileRead read = LoadTextFile(path, row.Charset);
        EXPECT_EQ(read.Error, QString()) << row.Name;
        EXPECT_EQ(read.Text, row.Text) << row.Name;
    }
}

// Files over the limit are refused with a message instead of being read whole:
// the size of a file is asked first, a device without one is read no further
// than the limit.
TEST_F(TextFileTest, FilesOverTheLimitAreRefused) {
    const QString path = PathOf("big.txt");
    WriteFile(path, QByteArray(1000, 'x'));
    EXPECT_EQ(LoadTextFile(path, RegisterCharsets::Cyrillic, 1000).Text, QString(1000, QLatin1Char('x')));
    const TextFileRead over = LoadTextFile(path, RegisterCharsets::Cyrillic, 999);
    EXPECT_TRUE(over.Text.isEmpty());
    EXPECT_EQ(over.Error, TooLargeToView.Text().arg(path).arg(0));

    Shell().UiLanguage = ShellSettings::Serbian;
    const TextFileRead endless =
        LoadTextFile(QStringLiteral("/dev/zero"), RegisterCharsets::Cyrillic, 4 * 1024 * 1024);
    EXPECT_TRUE(endless.Text.isEmpty());
    // In the language of the moment: both are there.
    Shell().UiLanguage = ShellSettings::English;
    EXPECT_EQ(LoadTextFile(QStringLiteral("/dev/zero"), RegisterCharsets::Cyrillic).Error,
              QStringLiteral("The file \"/dev/zero\" cannot be viewed: it is not a regular file (a "
                             "pipe, a device or a folder)."));
    EXPECT_EQ(endless.Error, QString::fromUtf8("Datoteka \"/dev/zero\" ne može da se prikaže: nije obična "
                                               "datoteka (cev, uređaj ili fascikla)."));
    EXPECT_EQ(MaxViewedFileBytes, 64 * 1024 * 1024);
}

// A binary file comes in as text of its code page, zero bytes and all: nothing
// is cut off at the first zero byte.
TEST_F(TextFileTest, BinaryFilesAreReadWhole) {
    const QString path = PathOf("data.bin");
    WriteFile(path, QByteArray("\x01\x00\xFF\n\x00z", 6));
    const TextFileRead read = LoadTextFile(path, RegisterCharsets::Default);
    EXPECT_EQ(read.Error, QString());
    EXPECT_EQ(read.Text, QStringLiteral("\x01") + QChar(0) + QChar(0xFF) + QLatin1Char('\n') + QChar(0) +
                             QLatin1Char('z'));
}

// A file is read and decoded in pieces: a CR LF, or a character of several
// UTF-8 bytes, that falls on the border of two pieces comes in whole, and the
// caller's between runs once a piece.
TEST_F(TextFileTest, PiecesJoinWithoutSplittingLineBreaksOrCharacters) {
    const QString path = PathOf("pieces.txt");
    const qsizetype piece = 512 * 1024;
    // Shifted so that the CR LF, a two-byte character and the lone CR each
    // straddle the border in turn.
    for (qsizetype shift : {-7, -3, -1, 0}) {
        QByteArray bytes(piece + shift, 'a');
        bytes += "\r\n\xD0\x96\xD0\x96\r"; // "ЖЖ" and a lone CR
        bytes += QByteArray(piece, 'b');
        WriteFile(path, bytes);
        int pieces = 0;
        const TextFileRead read =
            LoadTextFile(path, RegisterCharsets::Latin, MaxViewedFileBytes, [&](qint64, qint64) {
                ++pieces;
                return true;
            });
        EXPECT_EQ(read.Error, QString());
        EXPECT_EQ(read.Text, QString(piece + shift, QLatin1Char('a')) + QString::fromUtf8("\nЖЖ\n") +
                                 QString(piece, QLatin1Char('b')))
            << "shift " << shift;
        EXPECT_GE(pieces, 4) << "read and decoded in pieces";
    }
}

// The caller's step sees the work grow to its whole and can stop it: a
// stopped read gives no text and says it was cancelled.
TEST_F(TextFileTest, AStepThatSaysStopEndsTheReadWithNoText) {
    const QString path = PathOf("stop.txt");
    WriteFile(path, QByteArray(3 * 512 * 1024, 'x'));
    std::vector<std::pair<qint64, qint64>> seen;
    const TextFileRead whole =
        LoadTextFile(path, RegisterCharsets::Cyrillic, MaxViewedFileBytes, [&](qint64 done, qint64 total) {
            seen.emplace_back(done, total);
            return true;
        });
    EXPECT_FALSE(whole.Cancelled);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().first, seen.back().second) << "the last step is the whole work";
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    for (int stopAt : {1, 4}) {
        int steps = 0;
        const TextFileRead read = LoadTextFile(path, RegisterCharsets::Cyrillic, MaxViewedFileBytes,
                                               [&](qint64, qint64) { return ++steps < stopAt; });
        EXPECT_TRUE(read.Cancelled) << stopAt;
        EXPECT_TRUE(read.Text.isEmpty());
        EXPECT_TRUE(read.Error.isEmpty());
        EXPECT_EQ(steps, stopAt) << "nothing more is done once stopped";
    }
}

TEST_F(TextFileTest, AFileThatCannotBeReadIsReported) {
    const TextFileRead read = LoadTextFile(PathOf("nowhere.txt"), RegisterCharsets::Cyrillic);
    EXPECT_FALSE(read.Error.isEmpty());
    EXPECT_TRUE(read.Text.isEmpty());
}

} // namespace
