#include "header/RegisterLineValidator.h"

#include "common/ShellSettings.h"
#include "protocol/RegisterCharset.h"

RegisterLineValidator::RegisterLineValidator(QLineEdit* field, std::function<int()> limit)
    : QValidator(field), m_field(field), m_limit(std::move(limit)) {}

QValidator::State RegisterLineValidator::validate(QString& input, int&) const {
    const QString before = m_field->text();
    if (input.size() > m_limit() && input.size() > before.size())
        return Invalid;
    const auto refused = [this](const QString& text) {
        return std::count_if(text.begin(), text.end(), [this](QChar c) {
            return c != QLatin1Char(' ') &&
                   RegisterTextKeyRejected(c, Shell().RegisterCharset, m_field->font().family());
        });
    };
    return refused(input) > refused(before) ? Invalid : Acceptable;
}
