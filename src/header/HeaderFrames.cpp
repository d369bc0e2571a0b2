#include "header/HeaderFrames.h"

#include "header/HeaderMessages.h"
#include "protocol/RegisterCharset.h"

namespace {

// The text in register codes, zero-filled to width; or the refusal naming
// the line and the first character without a register form.
LineFrameResult RegisterText(int line, const QString& text, int width, int charset, int language,
                             HeaderFrame frame, size_t at) {
    if (text.size() > width)
        return {std::nullopt, HeaderMessages::TooLong.Text(language).arg(line).arg(text.size()).arg(width)};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<uint8_t> windows = CodePageByte(text[i], charset);
        const uint8_t code = windows ? ToRegisterChar(*windows, charset) : 0;
        if (code == 0)
            return {std::nullopt, HeaderMessages::BadChar.Text(language).arg(line).arg(text[i])};
        frame[at + size_t(i)] = code;
    }
    return {std::move(frame), {}};
}

int LeadingBlanks(const QString& text) {
    int n = 0;
    while (n < text.size() && text[n] == QLatin1Char(' '))
        ++n;
    return n;
}

} // namespace

uint8_t AttributeByte(HeaderAttributes attributes) {
    return uint8_t((attributes.DoubleWidth ? 1 : 0) | (attributes.DoubleHeight ? 2 : 0));
}

std::optional<HeaderAttributes> AttributesOf(uint8_t byte) {
    switch (byte) {
    case 1:
        return HeaderAttributes{true, false};
    case 2:
        return HeaderAttributes{false, true};
    case 3:
        return HeaderAttributes{true, true};
    default:
        return std::nullopt;
    }
}

HeaderFrame EncodeHeaderRequest(int line) {
    return {HeaderLineCode, uint8_t(line & 0xFF), uint8_t((line >> 8) & 0xFF)};
}

LineFrameResult EncodeHeaderWrite(int line, HeaderAttributes attributes, const QString& text, int charset,
                                  int language) {
    HeaderFrame frame(3 + HeaderLineWidth, 0);
    frame[0] = HeaderWriteCode;
    frame[1] = uint8_t(line);
    frame[2] = AttributeByte(attributes);
    const int width = attributes.DoubleWidth ? DoubleWidthLineWidth : HeaderLineWidth;
    // Trailing blanks print as the zero fill does: only what comes before
    // them counts against the width.
    return RegisterText(line, WithoutTrailingBlanks(text), width, charset, language, std::move(frame), 3);
}

HeaderFrame EncodeHeaderEnd() {
    return {HeaderEndCode};
}

std::optional<HeaderLine> DecodeHeaderReply(std::span<const uint8_t> payload, int charset) {
    if (payload.size() < size_t(3 + HeaderLineWidth))
        return std::nullopt;
    QByteArray windows(HeaderLineWidth, ' ');
    for (int i = 0; i < HeaderLineWidth; ++i) {
        const uint8_t c = payload[size_t(3 + i)];
        const uint8_t w = c ? FromRegisterChar(c, charset) : uint8_t(' ');
        windows[i] = char(w ? w : uint8_t(' '));
    }
    return HeaderLine{payload[1], payload[2], FromCodePage(windows, charset)};
}

LineFrameResult EncodeThanks(const QString& text, int charset, int language) {
    HeaderFrame frame(1 + HeaderLineWidth, 0);
    frame[0] = ThanksCode;
    return RegisterText(ThanksLineNumber, text, HeaderLineWidth, charset, language, std::move(frame), 1);
}

QString CenterHeaderText(const QString& text, int width, bool center) {
    const QString trimmed = text.trimmed();
    if (!center || trimmed.size() >= width)
        return trimmed;
    return QString((width - int(trimmed.size())) / 2, QLatin1Char(' ')) + trimmed;
}

QString WithoutTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.left(end);
}

bool IsHeaderCentred(const QString& text, int width) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    const int expected = width > trimmed.size() ? (width - int(trimmed.size())) / 2 : 0;
    return LeadingBlanks(text) == expected;
}

QString CenterThanksText(const QString& text, bool center) {
    if (!center)
        return text.mid(LeadingBlanks(text));
    const int l = int(text.size());
    const int blanks = l < HeaderLineWidth ? (HeaderLineWidth - l + 1) / 2 : 0;
    return QString(blanks, QLatin1Char(' ')) + text;
}
