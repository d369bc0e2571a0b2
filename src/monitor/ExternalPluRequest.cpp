#include "monitor/ExternalPluRequest.h"

#include "database/PluTable.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"
#include "common/Captions.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>

namespace {

namespace J = Captions::Journal;

constexpr size_t RequestSize = 21;
constexpr double MaxPriceHundredths = 99999999.0;

void PutRegisterText(std::span<uint8_t> field, QByteArrayView text, int charset) {
    std::ranges::fill(field, uint8_t{0});
    for (qsizetype i = 0; i < text.size() && size_t(i) < field.size(); ++i)
        field[size_t(i)] = ToRegisterChar(uint8_t(text[i]), charset);
}

QString CommandLine(const Caption& what, const QString& subject, size_t length, int language) {
    return QStringLiteral("%1 : 0x%2  %3 %4 Bytes %5")
        .arg(J::Command.Text(language), QString::number(ExternalPluCode, 16), what.Text(language), subject,
             QString::number(length));
}

PluAnswerFrame Answer(const PluTable& table, int n, int charset) {
    return EncodePluAnswer(table[n], n, charset).value_or(NotFoundPluAnswer());
}

} // namespace

std::optional<PluAnswerFrame> EncodePluAnswer(const PluRecord& entry, int n, int charset) {
    // The register reads the price in hundredths, in eight BCD digits, like the
    // PLU write; a price those digits cannot hold would reach it cut short.
    const double hundredths = std::round(entry.Price * 100.0);
    if (!std::isfinite(hundredths) || hundredths < 0 || hundredths > MaxPriceHundredths)
        return std::nullopt;
    PluAnswerFrame out{};
    const std::span<uint8_t> bytes(out);
    bytes[0] = ExternalPluCode;
    bytes[1] = uint8_t(n & 0xFF);
    bytes[2] = uint8_t((n >> 8) & 0xFF);
    PutRegisterText(bytes.subspan(3, 12), entry.DescriptionText(), charset);
    if (hundredths > 0)
        IntToBytesBE(IntToBcd(uint32_t(hundredths)), bytes.subspan(15, 4));
    bytes[19] = entry.Flags;
    PutRegisterText(bytes.subspan(20, 19), entry.BarcodeText(), charset);
    return out;
}

PluAnswerFrame NotFoundPluAnswer() {
    PluAnswerFrame out{};
    out[0] = ExternalPluCode;
    out[1] = 0xFF;
    out[2] = 0xFF;
    return out;
}

ExternalPluOutcome AnswerExternalPluRequest(std::span<const uint8_t> payload, const PluTable& table,
                                            const JournalStyle& style) {
    std::array<uint8_t, RequestSize> request{};
    std::copy_n(payload.begin(), std::min(payload.size(), request.size()), request.begin());
    ExternalPluOutcome out;
    switch (request[1]) {
    case 'C': {
        const uint32_t n = BcdToInt(std::span<const uint8_t>(request).subspan(17, 4));
        if (n >= uint32_t(PluTable::Size)) {
            out.Answer = NotFoundPluAnswer();
            return out;
        }
        out.Line = CommandLine(J::ExternalPluByNumber, QString::number(n), payload.size(), style.Language);
        out.CountedBytes = int(payload.size());
        out.Answer = Answer(table, int(n), style.Charset);
        return out;
    }
    case 'B': {
        const auto field = std::span<const uint8_t>(request).subspan(2, 19);
        const auto end = std::ranges::find(field, uint8_t{0});
        const QByteArray barcode(reinterpret_cast<const char*>(field.data()), qsizetype(end - field.begin()));
        out.Line = CommandLine(J::ExternalPluByBarcode, FromCodePage(barcode, style.Charset), payload.size(),
                               style.Language);
        out.CountedBytes = int(payload.size());
        out.Answer = NotFoundPluAnswer();
        // An empty barcode names no article: it would match every PLU without one.
        if (barcode.isEmpty())
            return out;
        for (int n = 0; n < PluTable::Size; ++n) {
            if (table[n].BarcodeText() == barcode) {
                out.Answer = Answer(table, n, style.Charset);
                break;
            }
        }
        return out;
    }
    default:
        return out;
    }
}
