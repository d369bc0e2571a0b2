#include "common/Captions.h"
#include "protocol/RegisterCharset.h"
#include "common/ShellSettings.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

std::vector<std::span<const ControlCaption>> AllTables() {
    using namespace Captions;
    return {MenuCaptions(),  MonitorCaptions(),  ViewerCaptions(),    SalesCaptions(),
            DailyCaptions(), PluCaptions(),      HeaderCaptions(),    PluStatCaptions(),
            OperCaptions(),  DataFormCaptions(), DLFormCaptions(),    ThanksCaptions(),
            ToolbarHints(),  PageHints(),        PrintFormCaptions(), PopupCaptions()};
}

} // namespace

TEST(Captions, EveryRowNamesItsControlOnceAndHasBothTexts) {
    size_t rows = 0;
    for (const auto table : AllTables()) {
        QSet<QString> seen;
        for (const ControlCaption& row : table) {
            ++rows;
            ASSERT_NE(row.Form, nullptr);
            ASSERT_NE(row.Control, nullptr);
            ASSERT_NE(row.Text.En, nullptr);
            ASSERT_NE(row.Text.Sr, nullptr);
            const QString key = QString::fromLatin1(row.Form) + '.' + QString::fromLatin1(row.Control);
            // The printing wizard's Close is set by two views on purpose.
            if (key != QStringLiteral("TPLUPrintForm.ClosePrevBtn")) {
                EXPECT_FALSE(seen.contains(key)) << key.toStdString();
            }
            seen.insert(key);
            EXPECT_EQ(row.Target == CaptionTarget::Title, *row.Control == 0) << key.toStdString();
            EXPECT_TRUE(*row.Text.Sr != 0) << key.toStdString();
        }
    }
    EXPECT_GE(rows, 250u);
}

TEST(Captions, TextFollowsTheLanguageOfTheMoment) {
    ResetShellSettings();
    EXPECT_EQ(Captions::Clock::Time.Text(), QStringLiteral("Vreme"));
    Shell().UiLanguage = ShellSettings::English;
    EXPECT_EQ(Captions::Clock::Time.Text(), QStringLiteral("Time"));
    EXPECT_EQ(Captions::Status::E42.Text(1), QStringLiteral("E42-Operacija nije dozvoljena"));
    EXPECT_EQ(Captions::Link::NoResponse.Text(1), QStringLiteral("Nema odgovora od Orvex"));
    EXPECT_EQ(Captions::Transfer::Cancel.Text(1), QStringLiteral("Brisi"));
    ResetShellSettings();
}

TEST(Captions, ListsHaveTheSameLengthInBothLanguages) {
    EXPECT_EQ(Captions::UnitNames(0).size(), 8);
    EXPECT_EQ(Captions::UnitNames(1).size(), 8);
    EXPECT_EQ(Captions::UnitNames(0).first(), QStringLiteral("item"));
    EXPECT_EQ(Captions::UnitNames(1).last(), QStringLiteral("kubni metar"));
    EXPECT_EQ(Captions::PluSettingsFields(0).size(), 7);
    EXPECT_EQ(Captions::PluSettingsFields(1).size(), 7);
    EXPECT_EQ(Captions::PluSettingsFields(1).at(3), QStringLiteral("Ulazna cena"));
    EXPECT_EQ(QByteArray(Captions::SeparatorLine), QByteArray(48, '_'));
}

// Each twin's register form is its Serbian text in capitals, Cyrillic, in the
// register's codes: read back through the Cyrillic tables it must give the
// Cyrillic spelling, and every code must have come from the table.
TEST(Captions, RegisterTwinsAreTheSerbianTextInRegisterCodes) {
    struct Row {
        const TwinCaption& Twin;
        const char* English;
        const char* Cyrillic;
    };
    const Row rows[] = {
        {Captions::Journal::ReceiptNumber, "Receipt Number", "БРОЈ РАЧУНА"},
        {Captions::Journal::Quantity, "Quantity", "КОЛИЧИНА"},
        {Captions::Journal::OpenReceipt, "# OPEN RECEIPT", "# ОТВОРЕН РАЧУН"},
        {Captions::Journal::PaymentReceiptClose, "# PAYMENT/RECEIPT CLOSE ", "# ПЛАЋАЊЕ/ЗАТВАРАЊЕ РАЧУНА "},
        {Captions::Reports::TotalReceipts, "Total Receipts", "УКУПНО РАЧУНА"},
        {Captions::Reports::OperatorPassword, "Operator Password", "ЛОЗИНКА БЛАГАЈНИКА"},
        {Captions::Reports::Cheque, "Cheque", "ЧЕК"},
        {Captions::Reports::PayIn, "Pay In", "УПЛАТА"},
        {Captions::Reports::PayOut, "Pay Out", "ИСПЛАТА"},
        {Captions::Reports::ChequeAmount, "Cheque Amount", "ИЗНОС ЧЕКОВА"},
        {Captions::Reports::Cheques, "Cheques", "ЧЕКОВИ"},
        {Captions::Reports::Receipts, "Receipts", "РАЧУНИ"},
        {Captions::Printing::CostTitle, "COST        ", "УЛ. ЦЕНА    "},
    };
    for (const Row& row : rows) {
        EXPECT_STREQ(row.Twin.Plain.En, row.English);
        const QByteArray codes = row.Twin.RegisterBytes();
        QByteArray windows;
        for (const char c : codes)
            windows +=
                static_cast<char>(FromRegisterChar(static_cast<uint8_t>(c), RegisterCharsets::Cyrillic));
        EXPECT_EQ(FromCodePage(windows, RegisterCharsets::Cyrillic), QString::fromUtf8(row.Cyrillic))
            << row.English;
        QByteArray back;
        for (const char c : ToCodePage(QString::fromUtf8(row.Cyrillic), RegisterCharsets::Cyrillic))
            back += static_cast<char>(ToRegisterChar(static_cast<uint8_t>(c), RegisterCharsets::Cyrillic));
        EXPECT_EQ(back, codes) << row.English;
        EXPECT_EQ(row.Twin.Text(1, true), QString::fromLatin1(codes));
        EXPECT_EQ(row.Twin.Text(1, false), QString::fromUtf8(row.Twin.Plain.Sr));
        EXPECT_EQ(row.Twin.Text(0, true), QString::fromUtf8(row.English));
    }
}
