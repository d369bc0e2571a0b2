#include "shell/GatewayHostDialog.h"

#include "shell/GatewayHostMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

GatewayHostDialog::GatewayHostDialog(const GatewayHostSettings& settings, int lang, QWidget* parent)
    : QDialog(parent) {
    using namespace GatewayHostMessages;
    setObjectName(QStringLiteral("GatewayHostDialog"));
    setWindowTitle(Title.Text(lang));
    auto* layout = new QVBoxLayout(this);
    m_on = new QCheckBox(On.Text(lang), this);
    m_on->setObjectName(QStringLiteral("GatewayOn"));
    m_on->setChecked(settings.On);
    layout->addWidget(m_on);

    auto* portRow = new QHBoxLayout;
    auto* portLabel = new QLabel(Port.Text(lang), this);
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("GatewayPort"));
    // Ports below 1024 are the system's.
    m_port->setRange(1024, 65535);
    m_port->setValue(settings.Port);
    portLabel->setBuddy(m_port);
    portRow->addWidget(portLabel);
    portRow->addWidget(m_port);
    portRow->addStretch();
    layout->addLayout(portRow);

    auto* tokenLabel = new QLabel(Token.Text(lang), this);
    tokenLabel->setWordWrap(true);
    layout->addWidget(tokenLabel);
    auto* tokenRow = new QHBoxLayout;
    m_token = new QLineEdit(settings.Token, this);
    m_token->setObjectName(QStringLiteral("GatewayToken"));
    m_token->setReadOnly(true);
    m_token->setMinimumWidth(440);
    tokenLabel->setBuddy(m_token);
    auto* copy = new QPushButton(Copy.Text(lang), this);
    copy->setObjectName(QStringLiteral("GatewayCopyToken"));
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(m_token->text()); });
    tokenRow->addWidget(m_token);
    tokenRow->addWidget(copy);
    layout->addLayout(tokenRow);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Ok.Text(lang), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("GatewayHostOk"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(Cancel.Text(lang), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("GatewayHostCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

GatewayHostSettings GatewayHostDialog::Settings() const {
    return {m_on->isChecked(), m_port->value(), m_token->text()};
}
