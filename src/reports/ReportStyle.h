#pragma once

#include <QChar>

// How report lines are written: read at the moment the lines are built, so
// that lines already in the view keep the language they were written in.
struct ReportStyle {
    int Language = 1;
    // The report view draws register codes (OrvexChars at the Cyrillic
    // charset): the twin captions take their register form, and raw register
    // bytes (tax letters, department association) show as the codes they are.
    bool RegisterFont = false;
    // The register charset: the code page raw bytes are shown through, and the
    // table that turns register texts into Windows text.
    int Charset = 204;
    QChar DecimalSeparator = QLatin1Char('.');
};
