#pragma once

#include <QString>
#include <QValidator>
#include <functional>

class QLineEdit;

// Holds what reaches a field, typed or pasted, to the characters its key rule
// lets through. The fields differ in what a refused character already in the
// field counts for, and some add a rule for the whole value or a length limit
// that can change while the field is open.
class CharacterFilter : public QValidator {
  public:
    using Refused = std::function<bool(QChar)>;
    using ValueRule = std::function<bool(const QString&)>;
    using LengthLimit = std::function<int()>;

    // What the refused characters of an edit are measured against.
    enum class Baseline {
        // Nothing: one refused character refuses the whole text.
        None,
        // The field's last accepted text: text the program put in (a record
        // from a file, say) stays editable, and only an edit that adds a
        // refused character is undone.
        Accepted,
        // The field's text at the moment it is asked. QLineEdit has already
        // taken an edit's text by then, so this refuses only a text a key
        // filter probes before it lets the key through.
        FieldText,
    };

    CharacterFilter(QLineEdit* field, Refused refused, Baseline baseline);

    // Sets a new filter on the field and hands it back for further rules.
    static CharacterFilter* Install(QLineEdit* field, Refused refused, Baseline baseline);

    // A text the rule refuses is refused whatever its characters.
    void SetValueRule(ValueRule rule) { m_valueRule = std::move(rule); }
    // A text longer than the limit is refused, unless it is no longer than
    // the baseline text (a line read in before the limit shrank).
    void SetLengthLimit(LengthLimit limit) { m_limit = std::move(limit); }

    State validate(QString& input, int& pos) const override;

  private:
    [[nodiscard]] QString BaselineText() const;
    [[nodiscard]] qsizetype RefusedCount(const QString& text) const;

    QLineEdit* m_field;
    Refused m_refused;
    Baseline m_baseline;
    ValueRule m_valueRule;
    LengthLimit m_limit;
    QString m_accepted;
};
