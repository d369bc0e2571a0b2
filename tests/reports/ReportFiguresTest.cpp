#include "reports/ReportDecoder.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Whole reports are compared at once; these print the two sides field by field
// when they differ. They sit beside the figures' own namespace for gtest to find.
static std::ostream& operator<<(std::ostream& os, const QString& s) {
    return os << '"' << s.toStdString() << '"';
}
static std::ostream& operator<<(std::ostream& os, const RegisterDateTime& d) {
    return os << d.Day << '/' << d.Month << '/' << d.Year << ' ' << d.Hour << ':' << d.Minute;
}
static void PrintTo(const TaxReport& r, std::ostream* os) {
    for (const TaxGroupTurnover& g : r.TaxGroups)
        *os << g.Turnover << ' ';
}
static void PrintTo(const DepartmentReport& r, std::ostream* os) {
    for (const DepartmentSales& d : r.Departments)
        *os << '{' << d.Turnover << ' ' << d.SalesCount << "} ";
}
static void PrintTo(const StatusReport& r, std::ostream* os) {
    *os << "VatChanges " << r.VatChanges << " ResetCount " << r.ResetCount << " HeaderChanges "
        << r.HeaderChanges << " ReceiptCount " << r.ReceiptCount << " CrNumber " << r.CrNumber
        << " FiscalId [" << Hex(r.FiscalId) << "] DepartmentAssociation [" << Hex(r.DepartmentAssociation)
        << ']';
}
static void PrintTo(const PluReport& r, std::ostream* os) {
    *os << "Plu " << r.Plu << " Sold " << r.Sold << " Stock " << r.Stock << " Total " << r.Total;
}
static void PrintTo(const CashMovement& m, std::ostream* os) {
    *os << '{' << m.ChequeAmount << ' ' << m.ChequeCount << ' ' << m.CashAmount << ' ' << m.CashCount << ' '
        << m.CardAmount << ' ' << m.CardCount << '}';
}
static void PrintTo(const OperatorReport& r, std::ostream* os) {
    *os << "PasswordProgrammed " << r.PasswordProgrammed << " Cash " << r.Cash << " Cheque " << r.Cheque
        << " Card " << r.Card << " Total " << r.Total << " DrawerOpenings " << r.DrawerOpenings
        << " ReceiptCount " << r.ReceiptCount << " CorrectionAmount " << r.CorrectionAmount
        << " CorrectionCount " << r.CorrectionCount << " PayIn ";
    PrintTo(r.PayIn, os);
    *os << " PayOut ";
    PrintTo(r.PayOut, os);
}
static void PrintTo(const LastZReport& r, std::ostream* os) {
    *os << "ZNumber " << r.ZNumber << " Date " << r.Date << " TaxGroups ";
    for (const TaxGroupTotals& g : r.TaxGroups)
        *os << '{' << g.Turnover << ' ' << g.Tax << "} ";
    *os << "ReceiptCount " << r.ReceiptCount << " ResetCount " << r.ResetCount << " ResetType " << r.ResetType
        << " ResetDate " << r.ResetDate << " HeaderChanges " << r.HeaderChanges;
}

namespace {

// Lengths written out rather than asked of the decoder, so that a wrong layout
// length shows here.
std::vector<uint8_t> Payload(uint8_t code, size_t length,
                             std::initializer_list<std::pair<size_t, const char*>> fields = {}) {
    std::vector<uint8_t> p(length, 0);
    p[0] = code;
    for (const auto& [at, hex] : fields) {
        const auto bytes = Bytes(hex);
        std::copy(bytes.begin(), bytes.end(), p.begin() + std::ptrdiff_t(at));
    }
    return p;
}

template <typename Report> struct Case {
    const char* Name;
    std::vector<uint8_t> Payload;
    Report Want;
};

template <typename Report, typename Decoder>
void ExpectDecoded(std::initializer_list<Case<Report>> cases, Decoder decode) {
    for (const Case<Report>& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::optional<Report> got = decode(c.Payload);
        ASSERT_TRUE(got.has_value()) << "payload " << Hex(c.Payload);
        EXPECT_EQ(*got, c.Want) << "payload " << Hex(c.Payload);
    }
}

TaxReport TaxGroups(std::initializer_list<std::pair<size_t, Hundredths>> turnovers) {
    TaxReport r;
    for (const auto& [group, turnover] : turnovers)
        r.TaxGroups[group].Turnover = turnover;
    return r;
}

TEST(ReportFigures, TaxReportTurnoversKeepEveryDigit) {
    auto longer = Payload('f', 46, {{1, "00 00 00 01 00"}});
    longer.push_back(0x99);
    ExpectDecoded<TaxReport>(
        {
            {"zero-filled", Payload('f', 46), TaxReport{}},
            {"ten digits past 32 bits; nibble A counts ten",
             Payload('f', 46, {{1, "99 99 99 99 99"}, {6, "42 94 96 72 96"}, {11, "00 00 00 1A 05"}}),
             TaxGroups({{0, 9999999999}, {1, 4294967296}, {2, 2005}})},
            {"group K ends the layout", Payload('f', 46, {{36, "00 00 00 00 07"}, {41, "00 00 01 23 45"}}),
             TaxGroups({{7, 7}, {8, 12345}})},
            {"a longer reply is read at the layout's offsets", longer, TaxGroups({{0, 100}})},
        },
        DecodeTaxReport);
}

TEST(ReportFigures, DepartmentReportTurnoversThenSalesCounts) {
    auto p = Payload('g', 64);
    DepartmentReport want;
    for (size_t i = 0; i < 9; ++i) {
        p[1 + 5 * i + 3] = uint8_t(0x10 * (i + 1));
        p[46 + 2 * i + 1] = uint8_t(i + 1);
        want.Departments[i] = {Hundredths(1000 * (i + 1)), int(i + 1)};
    }
    p[46] = 0x12;
    want.Departments[0].SalesCount = 1201;
    auto allNines = Payload('g', 64);
    std::fill(allNines.begin() + 1, allNines.end(), uint8_t(0x99));
    DepartmentReport nines;
    nines.Departments.fill({9999999999, 9999});
    ExpectDecoded<DepartmentReport>({{"worked example", p, want}, {"every digit a nine", allNines, nines}},
                                    DecodeDepartmentReport);
}

TEST(ReportFigures, StatusReportCountersAndRegisterTextsUpToTheirNul) {
    ExpectDecoded<StatusReport>(
        {
            {"worked example: texts end at their NUL",
             Payload('h', 29,
                     {{1, "03 02 07 FF 00 01 23 45 04"},
                      {10, "80 81 31 32 33 00 39 39 39 39"},
                      {20, "41 C3 00 45"}}),
             StatusReport{3, 2, 7, 12345, 4,
                          QByteArray("\x80\x81"
                                     "123"),
                          QByteArray("\x41\xC3")}},
            {"texts filling their fields; byte 4 is not read",
             Payload('h', 29,
                     {{1, "FF 00 80 77 99 99 99 99 FE"},
                      {10, "31 32 33 34 35 36 37 38 39 30"},
                      {20, "41 C3 C4 8E 45 C6 C8 4A 4B"}}),
             StatusReport{255, 0, 128, 99999999, 254, QByteArray("1234567890"),
                          QByteArray("\x41\xC3\xC4\x8E\x45\xC6\xC8\x4A\x4B")}},
            {"every nibble F counts fifteen", Payload('h', 29, {{5, "FF FF FF FF"}}),
             StatusReport{0, 0, 0, 166666665, 0, {}, {}}},
        },
        DecodeStatusReport);
}

TEST(ReportFigures, PluReportKeepsTheRegistersNumbersOnly) {
    ExpectDecoded<PluReport>(
        {
            {"whole pieces", Payload('i', 17, {{1, "2C 01 00 00 15 00 00 00 00 40 00 00 00 01 78 50"}}),
             PluReport{300, 1500, 40, 17850}},
            {"thousandths stay as sent",
             Payload('i', 17, {{1, "19 00 00 00 15 00 00 01 20 00 00 00 00 00 22 43"}}),
             PluReport{25, 1500, 12000, 2243}},
            {"twelve-digit total", Payload('i', 17, {{1, "2C 01 00 00 00 01 00 00 00 00 99 99 99 99 99 99"}}),
             PluReport{300, 1, 0, 999999999999}},
            {"PLU number beyond the PC table",
             Payload('i', 17, {{1, "10 27 00 00 00 02 00 00 00 03 00 00 00 00 01 00"}}),
             PluReport{10000, 2, 3, 100}},
            {"nothing sold is still a report", Payload('i', 17, {{1, "2C 01 00 00 00 00 00 00 00 40"}}),
             PluReport{300, 0, 40, 0}},
        },
        DecodePluReport);
}

TEST(ReportFigures, OperatorReportAmountsCountsAndBothCashMovements) {
    auto worked = Payload('j', 115,
                          {{1, "E9 03"},
                           {3, "00 00 00 12 34 56"},
                           {9, "00 00 00 00 10 00"},
                           {15, "12 34 56 78 90 12"},
                           {21, "99 99 99 99 99 99"},
                           {27, "00 42"},
                           {29, "01 23"},
                           {66, "00 00 00 05 50"},
                           {71, "00 02"},
                           {73, "00 00 00 01 00"},
                           {78, "00 01"},
                           {80, "00 00 00 02 00"},
                           {85, "00 02"},
                           {87, "00 00 00 03 00"},
                           {92, "00 03"},
                           {94, "00 00 00 04 00"},
                           {99, "00 04"},
                           {101, "00 00 00 05 00"},
                           {106, "00 05"},
                           {108, "99 99 99 99 99"},
                           {113, "00 06"}});
    // The bytes between the receipt count and the correction amount are not read.
    std::fill(worked.begin() + 31, worked.begin() + 66, uint8_t(0x99));
    OperatorReport want;
    want.PasswordProgrammed = true;
    want.Cash = 123456;
    want.Cheque = 1000;
    want.Card = 123456789012;
    want.Total = 999999999999;
    want.DrawerOpenings = 42;
    want.ReceiptCount = 123;
    want.CorrectionAmount = 550;
    want.CorrectionCount = 2;
    want.PayIn = {100, 1, 200, 2, 300, 3};
    want.PayOut = {400, 4, 500, 5, 9999999999, 6};

    const auto password = [](const char* hex, bool programmed) {
        OperatorReport r;
        r.PasswordProgrammed = programmed;
        return Case<OperatorReport>{hex, Payload('j', 115, {{1, hex}}), r};
    };
    ExpectDecoded<OperatorReport>({{"worked example", worked, want},
                                   password("FF FF", false),
                                   password("FF 00", true),
                                   password("00 FF", true),
                                   password("00 00", true)},
                                  DecodeOperatorReport);
}

// Date 03/12/2004 14:05, Z number 300, tax group A 1234.56 with tax 205.76,
// group K twelve nines, 4711 receipts.
std::vector<uint8_t> ZReport(const char* resetHex, uint8_t headerByte) {
    auto p = Payload('k', 130,
                     {{1, "03 12 20 04 14 05 2C 01"},
                      {1 + 8, "00 00 00 12 34 56"},
                      {1 + 8 + 48, "99 99 99 99 99 99"},
                      {1 + 62, "00 00 00 02 05 76"},
                      {1 + 116, "00 00 47 11"},
                      {1 + 121, resetHex}});
    p[1 + 128] = headerByte;
    return p;
}

LastZReport WantZ(int resetCount, int resetType, RegisterDateTime resetDate, int headerChanges) {
    LastZReport r;
    r.ZNumber = 300;
    r.Date = {"03", "12", "2004", "14", "05"};
    r.TaxGroups[0] = {123456, 20576};
    r.TaxGroups[8].Turnover = 999999999999;
    r.ReceiptCount = 4711;
    r.ResetCount = resetCount;
    r.ResetType = resetType;
    r.ResetDate = std::move(resetDate);
    r.HeaderChanges = headerChanges;
    return r;
}

TEST(ReportFigures, LastZReportDatesAsDigitsAndProgressiveSumsPerGroup) {
    auto nibbles = ZReport("00 00 00 00 00 00 00", 0);
    const auto date = Bytes("3A 1B 20 0F 2C 5D");
    std::copy(date.begin(), date.end(), nibbles.begin() + 1);
    const auto receipts = Bytes("00 00 1A 23");
    std::copy(receipts.begin(), receipts.end(), nibbles.begin() + 1 + 116);
    LastZReport lettered = WantZ(0, 0, {"00", "00", "00", "00", "00"}, 0);
    lettered.Date = {"3A", "1B", "200F", "2C", "5D"};
    lettered.ReceiptCount = 2023;

    ExpectDecoded<LastZReport>(
        {
            {"no reset", ZReport("02 00 00 00 00 00 00", 0x03),
             WantZ(2, 0, {"00", "00", "00", "00", "00"}, 3)},
            {"a reset of type 5 on 21/06/05 09:30; bit 7 of the header byte is no count",
             ZReport("01 21 06 05 05 09 30", 0x85), WantZ(1, 5, {"21", "06", "05", "09", "30"}, 5)},
            {"reset type 0xAB", ZReport("01 21 06 AB 05 09 30", 0x7F),
             WantZ(1, 0xAB, {"21", "06", "05", "09", "30"}, 127)},
            {"nibbles A-F are letters in dates and count ten to fifteen in numbers", nibbles, lettered},
        },
        DecodeLastZReport);
}

// Exactly as long as the reply and on the heap, so that the sanitizers catch
// a read past its end.
struct HeapPayload {
    HeapPayload(uint8_t code, size_t size) : Bytes(std::make_unique<uint8_t[]>(size)), Size(size) {
        std::fill_n(Bytes.get(), size, uint8_t(0x99));
        if (size > 0)
            Bytes[0] = code;
    }
    [[nodiscard]] std::span<const uint8_t> Span() const { return {Bytes.get(), Size}; }
    std::unique_ptr<uint8_t[]> Bytes;
    size_t Size;
};

TEST(ReportFigures, APayloadShorterThanItsLayoutGivesNothing) {
    struct Layout {
        uint8_t Code;
        size_t Length;
        bool (*Decodes)(std::span<const uint8_t>);
    };
    const Layout layouts[] = {
        {'f', 46, [](std::span<const uint8_t> p) { return DecodeTaxReport(p).has_value(); }},
        {'g', 64, [](std::span<const uint8_t> p) { return DecodeDepartmentReport(p).has_value(); }},
        {'h', 29, [](std::span<const uint8_t> p) { return DecodeStatusReport(p).has_value(); }},
        {'i', 17, [](std::span<const uint8_t> p) { return DecodePluReport(p).has_value(); }},
        {'j', 115, [](std::span<const uint8_t> p) { return DecodeOperatorReport(p).has_value(); }},
        {'k', 130, [](std::span<const uint8_t> p) { return DecodeLastZReport(p).has_value(); }},
    };
    for (const Layout& layout : layouts) {
        EXPECT_EQ(ReportLength(layout.Code), layout.Length) << layout.Code;
        for (const size_t size : {size_t(0), size_t(1), size_t(3), layout.Length - 1})
            EXPECT_FALSE(layout.Decodes(HeapPayload(layout.Code, size).Span())) << layout.Code << " " << size;
        EXPECT_TRUE(layout.Decodes(HeapPayload(layout.Code, layout.Length).Span())) << layout.Code;
    }
}

} // namespace
