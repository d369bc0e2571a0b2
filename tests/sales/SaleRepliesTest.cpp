#include "sales/SaleReplies.h"
#include "common/Captions.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

namespace {

struct StatusRow {
    uint8_t Byte;
    const char* English;
    const char* Serbian;
};

TEST(ErrorStatus, EveryByteOfTheTableAndTheOthers) {
    const StatusRow rows[] = {
        {0x30, "E30-The department or the PLU is not activated", "E30-Odeljenje ili PLU nije aktiviran"},
        {0x31, "E31-Negative result is not allowed", "E31-Negativan rezultat nije dozvoljen"},
        {0x32, "E32-PLU code not accepted", "E32-PLU kod nije prihvaćen"},
        {0x34, "E34-The department or PLU is not programmed", "E34-Odeljenje ili PLU nije programiran"},
        {0x38, "E38-The entry of a value is obligatory", "E38-Unos vrednosti je obavezan"},
        {0x39, "E39-The zero value is not allowed", "E39-Nulta vrednost nije dozvoljena"},
        {0x42, "E42-The operation is not allowed", "E42-Operacija nije dozvoljena"},
        {0x43, "E43-Value out of range", "E43-Vrednost je van opsega"},
        {0x44, "E44-The department or PLU is not activated", "E44-Odeljenje ili PLU nije aktiviran"},
        {0x45, "E45-Decadic value not accepted", "E45-Decimalna vrednost nije prihvaćena"},
        {0x46, "E46-The sum exceeds the receipt limit", "E46-Iznos prelazi granicu računa"},
        {0x48, "E48-The issue of change is not possible", "E48-Vraćanje kusura nije moguće"},
        {0x50, "E50-Unit error", "E50-Greška jedinice"},
        // No error: the box is emptied.
        {0x00, "", ""},
        {0x5A, "", ""},
        // Errors the table does not name still show as errors, never as a clean state.
        {0x33, "E33", "E33"},
        {0x5B, "E5B", "E5B"},
        {0xFF, "EFF", "EFF"},
    };
    for (const StatusRow& row : rows) {
        const std::vector<uint8_t> payload{' ', row.Byte};
        EXPECT_EQ(DecodeErrorStatus(payload, 0), QString::fromUtf8(row.English)) << Hex(payload);
        EXPECT_EQ(DecodeErrorStatus(payload, 1), QString::fromUtf8(row.Serbian)) << Hex(payload);
    }
}

TEST(ErrorStatus, AReplyWithoutItsStatusByteChangesNothing) {
    EXPECT_FALSE(DecodeErrorStatus(Bytes("20"), 0).has_value());
    EXPECT_FALSE(DecodeErrorStatus({}, 0).has_value());
    // Bytes after the status byte are not looked at.
    EXPECT_EQ(DecodeErrorStatus(Bytes("20 42 99 99"), 0), QStringLiteral("E42-The operation is not allowed"));
}

} // namespace
