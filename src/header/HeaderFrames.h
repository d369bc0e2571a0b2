#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The receipt header lines and the thanks message on the wire, and the
// centring rules of their editors.

inline constexpr uint8_t HeaderLineCode = ']';
inline constexpr uint8_t HeaderWriteCode = '_';
inline constexpr uint8_t HeaderEndCode = 'a';
inline constexpr uint8_t ThanksCode = 'S';
inline constexpr int HeaderLineCount = 8;
inline constexpr int WritableHeaderLines = 5;
inline constexpr int HeaderLineWidth = 21;
inline constexpr int DoubleWidthLineWidth = 10;
inline constexpr int ThanksLineNumber = 9;

using HeaderFrame = std::vector<uint8_t>;

struct HeaderAttributes {
    bool DoubleWidth = false;
    bool DoubleHeight = false;
};

[[nodiscard]] uint8_t AttributeByte(HeaderAttributes attributes);
// Nothing for a byte that names no attribute pair: the boxes stay as they are.
[[nodiscard]] std::optional<HeaderAttributes> AttributesOf(uint8_t byte);

struct HeaderLine {
    int Number = 0;
    uint8_t Attribute = 0;
    // Zero bytes read as blanks; all 21 characters are kept.
    QString Text;
};

// A line write or thanks write, or the reason it is refused.
struct LineFrameResult {
    std::optional<HeaderFrame> Frame;
    QString Refusal;
};

[[nodiscard]] HeaderFrame EncodeHeaderRequest(int line);
// Refused (nothing to send) when a character has no register form, or the
// text without its trailing blanks is longer than the line: 21 characters, 10
// with double width.
[[nodiscard]] LineFrameResult EncodeHeaderWrite(int line, HeaderAttributes attributes, const QString& text,
                                                int charset, int language);
[[nodiscard]] HeaderFrame EncodeHeaderEnd();
// Nothing for a reply shorter than its 24 bytes.
[[nodiscard]] std::optional<HeaderLine> DecodeHeaderReply(std::span<const uint8_t> payload, int charset);

[[nodiscard]] LineFrameResult EncodeThanks(const QString& text, int charset, int language);

// Header lines: the text trimmed, and with center put after floor((W - L) / 2)
// blanks.
[[nodiscard]] QString CenterHeaderText(const QString& text, int width, bool center);
// A line as it prints: the blanks that fill it to its width go.
[[nodiscard]] QString WithoutTrailingBlanks(const QString& text);
// Whether a received line stands centred in its width; blanks only are not.
[[nodiscard]] bool IsHeaderCentred(const QString& text, int width);
// The thanks line: with center ceil((21 - L) / 2) blanks go before the text as
// it is; without, its leading blanks go.
[[nodiscard]] QString CenterThanksText(const QString& text, bool center);
