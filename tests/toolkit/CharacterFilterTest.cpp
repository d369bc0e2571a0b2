#include "toolkit/CharacterFilter.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <string>

namespace {

using Baseline = CharacterFilter::Baseline;

// How the text reaches the field: typed through a key filter that asks before
// the key goes in, as the register line pages do, or pasted from the clipboard.
enum class Way { Typed, Pasted };

struct FilterRow {
    const char* Name;
    Baseline Measure;
    int Limit;          // 0: none
    bool ValueRule;     // the field holds a number up to 15
    const char* Before; // put in by the program
    const char* Added;  // at the end of the text
    Way How;
    const char* After;
};

class CharacterFilterTest : public ::testing::TestWithParam<FilterRow> {};

TEST_P(CharacterFilterTest, FieldTakesOnlyWhatItsRulesLetThrough) {
    const FilterRow& row = GetParam();
    QLineEdit field;
    field.setText(QString::fromUtf8(row.Before));
    CharacterFilter* filter = CharacterFilter::Install(
        &field, [](QChar c) { return !c.isDigit(); }, row.Measure);
    if (row.Limit > 0)
        filter->SetLengthLimit([limit = row.Limit] { return limit; });
    if (row.ValueRule)
        filter->SetValueRule([](const QString& text) { return text.isEmpty() || text.toInt() <= 15; });
    ASSERT_EQ(field.validator(), filter);
    field.end(false);
    const QString added = QString::fromUtf8(row.Added);
    if (row.How == Way::Typed) {
        QString probe = field.text();
        probe.insert(field.cursorPosition(), added);
        int pos = 0;
        if (filter->validate(probe, pos) != QValidator::Invalid)
            field.insert(added);
    } else {
        QApplication::clipboard()->setText(added);
        field.paste();
    }
    EXPECT_EQ(field.text(), QString::fromUtf8(row.After));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CharacterFilterTest,
    ::testing::Values(
        // Nothing to measure against: one refused character refuses the text.
        FilterRow{"NoneTakesDigits", Baseline::None, 0, false, "1", "23", Way::Pasted, "123"},
        FilterRow{"NoneRefusesALetter", Baseline::None, 0, false, "1", "2a", Way::Pasted, "1"},
        FilterRow{"NoneRefusesAfterHeldLetter", Baseline::None, 0, false, "a", "2", Way::Pasted, "a"},
        FilterRow{"NoneRefusesTypedLetter", Baseline::None, 0, false, "", "a", Way::Typed, ""},
        // The accepted text: what the program put in stays editable.
        FilterRow{"AcceptedKeepsHeldLetter", Baseline::Accepted, 0, false, "a", "2", Way::Pasted, "a2"},
        FilterRow{"AcceptedRefusesAnotherLetter", Baseline::Accepted, 0, false, "a", "b", Way::Pasted, "a"},
        FilterRow{"AcceptedRefusesTypedLetter", Baseline::Accepted, 0, false, "1", "x", Way::Typed, "1"},
        FilterRow{"AcceptedTakesTypedDigit", Baseline::Accepted, 0, false, "a", "7", Way::Typed, "a7"},
        // A value rule refuses a value the field cannot hold, whatever its characters.
        FilterRow{"ValueInRange", Baseline::Accepted, 0, true, "1", "2", Way::Pasted, "12"},
        FilterRow{"ValueAboveRange", Baseline::Accepted, 0, true, "1", "6", Way::Pasted, "1"},
        FilterRow{"ValueAboveRangeTyped", Baseline::Accepted, 0, true, "", "16", Way::Typed, ""},
        // The field's own text, asked before the key goes in.
        FilterRow{"FieldTextRefusesTypedLetter", Baseline::FieldText, 0, false, "1", "a", Way::Typed, "1"},
        FilterRow{"FieldTextKeepsHeldLetter", Baseline::FieldText, 0, false, "a", "1", Way::Typed, "a1"},
        FilterRow{"LimitTakesUpToIt", Baseline::FieldText, 3, false, "12", "3", Way::Typed, "123"},
        FilterRow{"LimitRefusesBeyondIt", Baseline::FieldText, 3, false, "123", "4", Way::Typed, "123"},
        FilterRow{"LimitRefusesLetterWithinIt", Baseline::FieldText, 3, false, "1", "a", Way::Typed, "1"}),
    [](const auto& info) { return std::string(info.param.Name); });

// A line read in before its limit shrank stays as it is and can be shortened.
TEST(CharacterFilterLimitTest, LongerTextReadInCanBeShortened) {
    QLineEdit field;
    field.setText(QStringLiteral("123456"));
    CharacterFilter* filter = CharacterFilter::Install(
        &field, [](QChar c) { return !c.isDigit(); }, Baseline::FieldText);
    filter->SetLengthLimit([] { return 3; });
    int pos = 0;
    QString shorter = QStringLiteral("12345");
    EXPECT_EQ(filter->validate(shorter, pos), QValidator::Acceptable);
    QString longer = QStringLiteral("1234567");
    EXPECT_EQ(filter->validate(longer, pos), QValidator::Invalid);
}

} // namespace
