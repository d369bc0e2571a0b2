// libFuzzer target: the report replies 'f' to 'k' of any length and body, in
// every language and charset, against a PC table with texts in it. A report
// code gives lines (the short-report line at the least; only a PLU that sold
// nothing gives none), any other code none, and no reply may be read past its
// end.
#include "database/PluTable.h"
#include "reports/ReportDecoder.h"

#include <cstdlib>
#include <vector>

namespace {

const PluTable& Table() {
    static const PluTable table = [] {
        PluTable t;
        t.FillDefaults();
        return t;
    }();
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static constexpr int Charsets[] = {204, 238, 0, 1};
    ReportStyle style;
    style.Language = data[0] & 1;
    style.RegisterFont = (data[0] & 2) != 0;
    style.Charset = Charsets[(data[0] >> 2) & 3];
    style.DecimalSeparator = (data[0] & 16) ? QLatin1Char(',') : QLatin1Char('.');
    static constexpr char Codes[] = "fghijk";
    const uint8_t code = data[1] < 0xF0 ? uint8_t(Codes[data[1] % 6]) : data[1];
    // An exact-size copy, so that ASan sees any read past the reply's end.
    std::vector<uint8_t> payload(size - 1);
    payload[0] = code;
    std::copy(data + 2, data + size, payload.begin() + 1);

    const QStringList lines = DecodeReport(payload, style, Table());
    if (!IsReportCode(code) && !lines.isEmpty())
        std::abort();
    if (IsReportCode(code) && code != PluReportCode && lines.isEmpty())
        std::abort();
    (void)ReportedPlu(payload);
    return 0;
}
