#include "protocol/RegisterCharset.h"

#include <QList>
#include <gtest/gtest.h>

namespace {
uint8_t Win(const QString& s, int charset) {
    return static_cast<uint8_t>(ToCodePage(s, charset).at(0));
}
const QString Courier = QString::fromLatin1(PlainFontName);
const QString Orvex = QString::fromLatin1(RegisterFontName);
} // namespace

TEST(RegisterCharset, DefaultPassesPrintableRangeOnly) {
    EXPECT_EQ(ToRegisterChar('A', RegisterCharsets::Default), 'A');
    EXPECT_EQ(ToRegisterChar('q', RegisterCharsets::Default), 'q');
    EXPECT_EQ(ToRegisterChar('z', RegisterCharsets::Default), 0);
    EXPECT_EQ(ToRegisterChar(0x1F, RegisterCharsets::Default), 0);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(FromRegisterChar(uint8_t(c), RegisterCharsets::Default), c);
}

TEST(RegisterCharset, EveryPairedCharacterRoundTrips) {
    const QString serbianCyrillic = QString::fromUtf8("АБВГДЂЕЖЗИЈКЛЉМНЊОПРСТЋУФХЦЧЏШ");
    const QString extras = QString::fromUtf8("№§°«»");
    const QString serbianLatin = QString::fromUtf8("ČĆĐŠŽ");
    struct Case {
        QString text;
        int charset;
    };
    for (const Case& c : {Case{serbianCyrillic, 204}, Case{extras, 204}, Case{serbianLatin, 238}}) {
        QList<uint8_t> seen;
        for (QChar ch : c.text) {
            const uint8_t w = Win(ch, c.charset);
            const uint8_t r = ToRegisterChar(w, c.charset);
            EXPECT_GE(r, 0x80) << "register code for " << int(ch.unicode());
            EXPECT_FALSE(seen.contains(r)) << "register code used twice: " << int(r);
            seen.append(r);
            EXPECT_EQ(FromRegisterChar(r, c.charset), w);
        }
    }
}

TEST(RegisterCharset, UnpairedRegisterCodesComeInAsQuestionMarks) {
    EXPECT_EQ(FromRegisterChar(0x9F, 204), '?');
    EXPECT_EQ(FromRegisterChar(0xAD, 204), '?');
    EXPECT_EQ(FromRegisterChar(0x87, 238), '?');
}

TEST(RegisterCharset, LatinPassesOtherCharactersBothWays) {
    EXPECT_EQ(ToRegisterChar('K', 238), 'K');
    EXPECT_EQ(FromRegisterChar('K', 238), 'K');
    EXPECT_EQ(ToRegisterChar('z', 238), 0);
}

TEST(RegisterCharset, CharAllowedFollowsCharsetAndFont) {
    const uint8_t numero = Win(QString::fromUtf8("№"), 204);
    const uint8_t zhe = Win(QString::fromUtf8("Ж"), 204);
    EXPECT_TRUE(CharAllowed(zhe, 204, Courier));
    EXPECT_FALSE(CharAllowed(numero, 204, Courier));
    EXPECT_TRUE(CharAllowed(numero, 204, Orvex));
    EXPECT_TRUE(CharAllowed(Win(QString::fromUtf8("Š"), 238), 238, Courier));
    EXPECT_FALSE(CharAllowed(Win(QString::fromUtf8("Я"), 204), 238, Courier));
}

// What the register shows unchanged (0x20 to 0x5A) is typed under every
// charset and font; small letters and what lies above 'Z' are not.
TEST(RegisterCharset, PlainCapitalsDigitsAndPunctuationAreAllowedUnderEveryCharset) {
    for (int charset : {1, 204, 238}) {
        for (const QStringView font : {Courier, Orvex}) {
            for (uint8_t c : {uint8_t(' '), uint8_t('0'), uint8_t('9'), uint8_t('A'), uint8_t('M'),
                              uint8_t('Z'), uint8_t('.'), uint8_t('?'), uint8_t('%')})
                EXPECT_TRUE(CharAllowed(c, charset, font)) << int(c) << " charset " << charset;
            for (uint8_t c : {uint8_t('a'), uint8_t('z'), uint8_t('['), uint8_t('~'), uint8_t(0x1F)})
                EXPECT_FALSE(CharAllowed(c, charset, font)) << int(c) << " charset " << charset;
        }
    }
    for (const char* text : {"MLEKO 1L", "COD   12"}) {
        for (const QChar c : QString::fromLatin1(text))
            EXPECT_FALSE(RegisterTextKeyRejected(c, 204, Courier)) << text;
    }
    for (const QChar c : QString::fromUtf8("МЛЕКО 1Л"))
        EXPECT_FALSE(RegisterTextKeyRejected(c, 204, Courier));
}

TEST(RegisterCharset, KeyFilterKeepsControlsAndSpaceAndRejectsWhatTheCodePageLacks) {
    for (uint8_t c : {uint8_t(0x08), uint8_t(0x0D), uint8_t(0x20), uint8_t(0x10)})
        EXPECT_FALSE(RegisterTextKeyRejected(c, 238, Courier));
    EXPECT_TRUE(RegisterTextKeyRejected(uint8_t('a'), 1, Courier));
    EXPECT_FALSE(RegisterTextKeyRejected(QChar(u'Ж'), 204, Courier));
    EXPECT_TRUE(RegisterTextKeyRejected(QChar(u'Ж'), 238, Courier));
    EXPECT_TRUE(RegisterTextKeyRejected(QChar(u'a'), 204, Courier));
    EXPECT_TRUE(RegisterTextKeyRejected(QChar(u'€'), 1, Courier));
}

TEST(RegisterCharset, TrimAndCenter) {
    QByteArray out = "x";
    EXPECT_EQ(TrimText("", out), -1);
    EXPECT_EQ(TrimText("  AB C  ", out), 2);
    EXPECT_EQ(out, "AB C");
    EXPECT_EQ(TrimText("   ", out), 3);
    EXPECT_EQ(out, "");
    EXPECT_EQ(CenterText(20, "ABC", out), 8);
    EXPECT_EQ(out, QByteArray(8, ' ') + "ABC");
    EXPECT_EQ(CenterText(2, "ABCDE", out), -1);
    EXPECT_EQ(out, "ABCDE");
}

TEST(RegisterCharset, CodePagesRoundTripRegisterTexts) {
    const QString text = QString::fromUtf8("ЂУРЂЕВИЋ");
    EXPECT_EQ(FromCodePage(ToCodePage(text, 204), 204), text);
    EXPECT_EQ(FromCodePage(ToCodePage(QString::fromUtf8("ĐURĐEVIĆ"), 238), 238),
              QString::fromUtf8("ĐURĐEVIĆ"));
    EXPECT_EQ(QString::fromLatin1(CodePageName(1)), "windows-1252");
}
