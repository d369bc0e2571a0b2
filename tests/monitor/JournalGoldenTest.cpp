#include "monitor/JournalDecoder.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>
#include <gtest/gtest.h>

namespace {

// A recorded day: every journal code with each sale kind, the widest values,
// records cut short or sent long, and a few hundred with arbitrary bytes in
// their fields. The monitor text of each style is kept beside it; set
// ORVEX_WRITE_GOLDEN=1 to write those files afresh from the decoder.
const QString Day = QStringLiteral(ORVEX_FIXTURES_DIR "/journal-day.hex");

std::vector<std::vector<uint8_t>> RecordedDay() {
    std::vector<std::vector<uint8_t>> records;
    for (const QByteArray& line : ReadFile(Day).split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#'))
            records.push_back(Bytes(line.constData()));
    }
    return records;
}

struct Golden {
    const char* File;
    JournalStyle Style;
};

void PrintTo(const Golden& g, std::ostream* out) {
    *out << g.File;
}

class JournalGolden : public ::testing::TestWithParam<Golden> {};

TEST_P(JournalGolden, MonitorTextOfTheRecordedDay) {
    const auto records = RecordedDay();
    ASSERT_GT(records.size(), 500u) << Day.toStdString();
    QJsonArray lines;
    for (const auto& payload : records) {
        const std::optional<QString> line = DecodeJournalRecord(payload, GetParam().Style);
        lines.append(line ? QJsonValue(*line) : QJsonValue());
    }
    const QString path = QStringLiteral(ORVEX_FIXTURES_DIR "/") + QString::fromLatin1(GetParam().File);
    if (qEnvironmentVariableIntValue("ORVEX_WRITE_GOLDEN") == 1)
        WriteFile(path, QJsonDocument(lines).toJson(QJsonDocument::Indented));
    const QJsonArray expected = QJsonDocument::fromJson(ReadFile(path)).array();
    ASSERT_EQ(expected.size(), lines.size()) << path.toStdString();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].toString().toStdString(), expected[i].toString().toStdString())
            << "record " << i << ": " << Hex(records[size_t(i)]);
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, JournalGolden,
                         ::testing::Values(Golden{"journal-day-en.json",
                                                  {0, false, RegisterCharsets::Default, QLatin1Char('.')}},
                                           Golden{"journal-day-sr-cyrillic.json",
                                                  {1, true, RegisterCharsets::Cyrillic, QLatin1Char(',')}},
                                           Golden{"journal-day-en-latin.json",
                                                  {0, false, RegisterCharsets::Latin, QLatin1Char(',')}}));

} // namespace
