#include "toolkit/CharacterFilter.h"

#include <QLineEdit>
#include <algorithm>

CharacterFilter::CharacterFilter(QLineEdit* field, Refused refused, Baseline baseline)
    : QValidator(field), m_field(field), m_refused(std::move(refused)), m_baseline(baseline),
      m_accepted(field->text()) {
    if (m_baseline == Baseline::Accepted)
        connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { m_accepted = text; });
}

CharacterFilter* CharacterFilter::Install(QLineEdit* field, Refused refused, Baseline baseline) {
    auto* filter = new CharacterFilter(field, std::move(refused), baseline);
    field->setValidator(filter);
    return filter;
}

QValidator::State CharacterFilter::validate(QString& input, int&) const {
    if (m_valueRule && !m_valueRule(input))
        return Invalid;
    const QString before = BaselineText();
    if (m_limit && input.size() > m_limit() && input.size() > before.size())
        return Invalid;
    return RefusedCount(input) > RefusedCount(before) ? Invalid : Acceptable;
}

QString CharacterFilter::BaselineText() const {
    switch (m_baseline) {
    case Baseline::Accepted:
        return m_accepted;
    case Baseline::FieldText:
        return m_field->text();
    case Baseline::None:
        break;
    }
    return {};
}

qsizetype CharacterFilter::RefusedCount(const QString& text) const {
    return std::count_if(text.begin(), text.end(), [this](QChar c) { return m_refused(c); });
}
