#pragma once

#include <QChar>

// What the register's exchanges are shown in: handed to a session as values
// by whoever hosts it (the window, orvexctl), never read from a global.
struct SessionSettings {
    // 0 English, 1 Serbian.
    int Language = 1;
    // The register charset: 204 Cyrillic, 238 Latin, anything else the default.
    int Charset = 204;
    QChar DecimalSeparator = QLatin1Char('.');
};
