#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// The register prints and stores texts in its own 8-bit character set. These
// conversions work one Windows code-page byte at a time, by the charset the user
// picked: 204 Cyrillic, 238 Latin, anything else no table.
namespace RegisterCharsets {
constexpr int Default = 1;
constexpr int Cyrillic = 204;
constexpr int Latin = 238;
} // namespace RegisterCharsets

// Font names of the charset menu.
inline constexpr const char* PlainFontName = "Courier New";
inline constexpr const char* RegisterFontName = "OrvexChars";

[[nodiscard]] uint8_t ToRegisterChar(uint8_t c, int charset);
[[nodiscard]] uint8_t FromRegisterChar(uint8_t c, int charset);
[[nodiscard]] bool CharAllowed(uint8_t c, int charset, QStringView font);
[[nodiscard]] bool RegisterTextKeyRejected(uint8_t c, int charset, QStringView font);
// The key filter for a typed QChar: the character is looked up in the charset's
// code page first; characters the code page lacks are rejected.
[[nodiscard]] bool RegisterTextKeyRejected(QChar c, int charset, QStringView font);

// Leading blanks removed, or -1 for an empty source.
[[nodiscard]] int TrimText(const QByteArray& src, QByteArray& dst);
[[nodiscard]] int CenterText(int width, const QByteArray& text, QByteArray& dst);

// The one place that picks the Windows code page of a charset: 1251 for
// Cyrillic, 1250 for Latin, 1252 otherwise.
[[nodiscard]] const char* CodePageName(int charset);
[[nodiscard]] QByteArray ToCodePage(QStringView text, int charset);
[[nodiscard]] QString FromCodePage(QByteArrayView bytes, int charset);
// The code-page byte of one character, or nothing when the code page lacks it.
[[nodiscard]] std::optional<uint8_t> CodePageByte(QChar c, int charset);
