#include "sales/SaleReplies.h"

#include "common/Captions.h"

namespace {

struct ErrorText {
    uint8_t Byte;
    const Caption& Text;
};

namespace S = Captions::Status;

const ErrorText ErrorTexts[] = {
    {0x30, S::E30}, {0x31, S::E31}, {0x32, S::E32}, {0x34, S::E34}, {0x38, S::E38},
    {0x39, S::E39}, {0x42, S::E42}, {0x43, S::E43}, {0x44, S::E44}, {0x45, S::E45},
    {0x46, S::E46}, {0x48, S::E48}, {0x50, S::E50},
};

} // namespace

bool IsNoError(uint8_t status) {
    return status == 0x00 || status == 0x5A;
}

std::optional<QString> DecodeErrorStatus(std::span<const uint8_t> payload, int language) {
    if (payload.size() < 2)
        return std::nullopt;
    const uint8_t status = payload[1];
    if (IsNoError(status))
        return QString();
    for (const ErrorText& e : ErrorTexts) {
        if (e.Byte == status)
            return e.Text.Text(language);
    }
    return QStringLiteral("E%1").arg(status, 2, 16, QLatin1Char('0')).toUpper();
}
