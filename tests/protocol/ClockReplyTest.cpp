#include "protocol/ClockReply.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

TEST(ClockReply, FormatsWithoutZeroPaddingInBothLanguages) {
    const auto payload = Bytes("51 09 05 0E 03 0C D4 07");
    EXPECT_EQ(FormatClock(payload, 0).value_or("none"), QStringLiteral("Time : 14:5:9\n\nDate : 3-12-2004"));
    EXPECT_EQ(FormatClock(payload, 1).value_or("none"),
              QStringLiteral("Vreme : 14:5:9\n\nDatum : 3-12-2004"));
}

TEST(ClockReply, ReadsTheYearLowByteFirstAndWholeBytes) {
    EXPECT_EQ(FormatClock(Bytes("51 3B 3B 17 1F 0C FF FF"), 0).value_or("none"),
              QStringLiteral("Time : 23:59:59\n\nDate : 31-12-65535"));
}

TEST(ClockReply, ShortReplyHasNoText) {
    EXPECT_FALSE(FormatClock(Bytes("51 09 05 0E 03 0C D4"), 0).has_value());
    EXPECT_FALSE(FormatClock(Bytes("51"), 0).has_value());
}
