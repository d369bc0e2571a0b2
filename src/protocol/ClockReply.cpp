#include "protocol/ClockReply.h"

#include "common/Captions.h"

std::optional<QString> FormatClock(std::span<const uint8_t> payload, int lang) {
    constexpr size_t Size = 8;
    if (payload.size() < Size)
        return std::nullopt;
    const int year = payload[6] | (payload[7] << 8);
    return QStringLiteral("%1 : %2:%3:%4\n\n%5 : %6-%7-%8")
        .arg(Captions::Clock::Time.Text(lang))
        .arg(int{payload[3]})
        .arg(int{payload[2]})
        .arg(int{payload[1]})
        .arg(Captions::Clock::Date.Text(lang))
        .arg(int{payload[4]})
        .arg(int{payload[5]})
        .arg(year);
}

std::optional<RegisterClock> DecodeClock(std::span<const uint8_t> payload) {
    if (payload.size() < 8)
        return std::nullopt;
    return RegisterClock{payload[3], payload[2], payload[1],
                         payload[4], payload[5], payload[6] | (payload[7] << 8)};
}
