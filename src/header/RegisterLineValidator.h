#pragma once

#include <QLineEdit>
#include <QValidator>
#include <functional>

// Pasted text in a register line: only characters the register can print,
// and no more than the line's limit of the moment. Text already in the field
// (a line read from the register) stays editable: only an edit that adds a
// refused character or grows past the limit is undone.
class RegisterLineValidator : public QValidator {
  public:
    RegisterLineValidator(QLineEdit* field, std::function<int()> limit);
    State validate(QString& input, int& pos) const override;

  private:
    QLineEdit* m_field;
    std::function<int()> m_limit;
};
