#include "toolkit/DecimalSeparator.h"

#include <QLocale>
#include <QString>

QChar DecimalSeparator() {
    // A locale may give no separator at all; the full stop is what the
    // register's own texts use.
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}
