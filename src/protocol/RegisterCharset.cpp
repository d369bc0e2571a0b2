#include "protocol/RegisterCharset.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <string_view>

namespace {

// The register's character codes, as this program maps them. Each table pairs
// a Windows code-page byte (left) with a register code (right); the register
// side is longer, and its extra codes are glyphs without a Windows counterpart.
//
//   table               Windows (code page)                    register codes
//   CyrillicTable       1251: А Б В Г Д Ђ Е Ж З И Ј К Л Љ М Н   0x80 ... 0x9E (in that order)
//                       Њ О П Р С Т Ћ У Ф Х Ц Ч Џ Ш Ѕ           unpaired: 0x9F 0xA0 0xA1 0xA2 0xA3
//   CyrillicExtraTable  1251: № § ° « »                          0xA4 ... 0xA8, unpaired 0xA9 ... 0xAD
//   LatinTable          1250: Č Ć Đ Š Ž                          0x80 ... 0x84, unpaired 0x85 0x86 0x87
//
// A register code without a Windows counterpart comes in as '?'.
struct CodeTable {
    std::string_view Windows;
    std::string_view Register;
};

constexpr CodeTable CyrillicTable{"\xC0\xC1\xC2\xC3\xC4\x80\xC5\xC6\xC7\xC8\xA3\xCA\xCB\x8A\xCC\xCD"
                                  "\x8C\xCE\xCF\xD0\xD1\xD2\x8E\xD3\xD4\xD5\xD6\xD7\x8F\xD8\xBD",
                                  "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                                  "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E"
                                  "\x9F\xA0\xA1\xA2\xA3"};
constexpr CodeTable CyrillicExtraTable{"\xB9\xA7\xB0\xAB\xBB", "\xA4\xA5\xA6\xA7\xA8\xA9\xAA\xAB\xAC\xAD"};
constexpr CodeTable LatinTable{"\xC8\xC6\xD0\x8A\x8E", "\x80\x81\x82\x83\x84\x85\x86\x87"};

static_assert(CyrillicTable.Windows.size() == 31 && CyrillicTable.Register.size() == 36);
static_assert(CyrillicExtraTable.Windows.size() == 5 && CyrillicExtraTable.Register.size() == 10);
static_assert(LatinTable.Windows.size() == 5 && LatinTable.Register.size() == 8);

constexpr uint8_t UnpairedRegisterCode = '?';

std::optional<size_t> Find(std::string_view side, uint8_t c) {
    const size_t i = side.find(static_cast<char>(c));
    if (i == std::string_view::npos)
        return std::nullopt;
    return i;
}

// The tables searched for a charset, in order.
std::array<const CodeTable*, 2> TablesOf(int charset) {
    switch (charset) {
    case RegisterCharsets::Cyrillic:
        return {&CyrillicTable, &CyrillicExtraTable};
    case RegisterCharsets::Latin:
        return {&LatinTable, nullptr};
    default:
        return {nullptr, nullptr};
    }
}

} // namespace

uint8_t ToRegisterChar(uint8_t c, int charset) {
    for (const CodeTable* table : TablesOf(charset)) {
        if (!table)
            continue;
        if (auto i = Find(table->Windows, c))
            return static_cast<uint8_t>(table->Register[*i]);
    }
    return (c >= 0x20 && c <= 0x71) ? c : 0;
}

uint8_t FromRegisterChar(uint8_t c, int charset) {
    for (const CodeTable* table : TablesOf(charset)) {
        if (!table)
            continue;
        if (auto i = Find(table->Register, c))
            return *i < table->Windows.size() ? static_cast<uint8_t>(table->Windows[*i])
                                              : UnpairedRegisterCode;
    }
    return c;
}

bool CharAllowed(uint8_t c, int charset, QStringView font) {
    // Space, digits, punctuation and the capitals A to Z reach the register
    // unchanged under every charset, so every field takes them.
    if (c >= 0x20 && c <= 0x5A)
        return true;
    switch (charset) {
    case RegisterCharsets::Cyrillic:
        if (Find(CyrillicTable.Windows, c))
            return true;
        return font == QLatin1String(RegisterFontName) && Find(CyrillicExtraTable.Windows, c).has_value();
    case RegisterCharsets::Latin:
        return Find(LatinTable.Windows, c).has_value();
    default:
        return false;
    }
}

bool RegisterTextKeyRejected(uint8_t c, int charset, QStringView font) {
    if (c == 0x08 || c == 0x0D || c == 0x20 || c == 0x10)
        return false;
    return !CharAllowed(c, charset, font);
}

bool RegisterTextKeyRejected(QChar c, int charset, QStringView font) {
    const std::optional<uint8_t> b = CodePageByte(c, charset);
    return !b || RegisterTextKeyRejected(*b, charset, font);
}

int TrimText(const QByteArray& src, QByteArray& dst) {
    if (src.isEmpty())
        return -1;
    qsizetype first = 0;
    while (first < src.size() && src[first] == ' ')
        ++first;
    qsizetype last = src.size();
    while (last > first && src[last - 1] == ' ')
        --last;
    dst = src.mid(first, last - first);
    return static_cast<int>(first);
}

int CenterText(int width, const QByteArray& text, QByteArray& dst) {
    const int pad = (width - static_cast<int>(text.size())) / 2;
    dst = QByteArray(pad > 0 ? pad : 0, ' ') + text;
    return pad;
}

const char* CodePageName(int charset) {
    switch (charset) {
    case RegisterCharsets::Cyrillic:
        return "windows-1251";
    case RegisterCharsets::Latin:
        return "windows-1250";
    default:
        return "windows-1252";
    }
}

QByteArray ToCodePage(QStringView text, int charset) {
    QStringEncoder encoder(CodePageName(charset));
    return encoder.encode(text);
}

QString FromCodePage(QByteArrayView bytes, int charset) {
    QStringDecoder decoder(CodePageName(charset));
    return decoder.decode(bytes);
}

std::optional<uint8_t> CodePageByte(QChar c, int charset) {
    if (c.unicode() < 0x80)
        return static_cast<uint8_t>(c.unicode());
    QStringEncoder encoder(CodePageName(charset), QStringConverter::Flag::Stateless);
    const QByteArray b = encoder.encode(QStringView(&c, 1));
    if (encoder.hasError() || b.size() != 1)
        return std::nullopt;
    // The encoder writes '?' for characters its code page lacks.
    if (b[0] == '?')
        return std::nullopt;
    return static_cast<uint8_t>(b[0]);
}
