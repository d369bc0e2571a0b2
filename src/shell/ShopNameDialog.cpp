#include "shell/ShopNameDialog.h"

#include "history/HistoryMessages.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The history keeps the name as text; a page of it helps nobody.
constexpr int ShopNameLength = 80;
} // namespace

ShopNameDialog::ShopNameDialog(const QString& shop, int lang, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ShopNameDialog"));
    setWindowTitle(HistoryMessages::ShopNameTitle.Text(lang));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(HistoryMessages::ShopNameLabel.Text(lang), this);
    label->setObjectName(QStringLiteral("ShopNameLabel"));
    layout->addWidget(label);
    m_edit = new QLineEdit(shop, this);
    m_edit->setObjectName(QStringLiteral("ShopNameEdit"));
    m_edit->setMaxLength(ShopNameLength);
    m_edit->setMinimumWidth(320);
    label->setBuddy(m_edit);
    layout->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(HistoryMessages::Ok.Text(lang), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ShopNameOk"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(HistoryMessages::Cancel.Text(lang), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ShopNameCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString ShopNameDialog::Shop() const {
    return m_edit->text().trimmed();
}
