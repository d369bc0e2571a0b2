#include "header/RegisterLineFilter.h"

#include "common/ShellSettings.h"
#include "protocol/RegisterCharset.h"
#include "toolkit/CharacterFilter.h"

#include <QLineEdit>

CharacterFilter* FilterRegisterLine(QLineEdit* line) {
    return CharacterFilter::Install(
        line,
        [line](QChar c) {
            return c != QLatin1Char(' ') &&
                   RegisterTextKeyRejected(c, Shell().RegisterCharset, line->font().family());
        },
        CharacterFilter::Baseline::FieldText);
}
