#include "sales/SaleConfirmation.h"

#include "sales/SaleCommands.h"
#include "serial/TRS232Form.h"

#include <algorithm>

SaleConfirmation::SaleConfirmation(TRS232Form& rs232, QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("SaleConfirmation"));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SaleConfirmation::Expire);
    connect(&rs232, &TRS232Form::ReplyReceived, this, &SaleConfirmation::Received);
}

QByteArray SaleConfirmation::ConfirmingCodes(uint8_t command) {
    switch (command) {
    case PluSaleCode:
        return QByteArrayLiteral("?");
    // Inside a subtotal the register books the change under its subtotal letters.
    case AmountIncrementCode:
    case AmountDecrementCode:
        return QByteArrayLiteral("CDIJ");
    case PercentIncrementCode:
    case PercentDecrementCode:
        return QByteArrayLiteral("EFGH");
    case ImmediateCorrectionCode:
        return QByteArrayLiteral("K");
    case SubtotalCode:
        return QByteArrayLiteral("L");
    case PaymentCode:
        return QByteArrayLiteral("O");
    case ReceiptStatusCode:
        return QByteArrayLiteral("V");
    case ErrorStatusRequestCode:
        return QByteArrayLiteral(" ");
    default:
        return {};
    }
}

void SaleConfirmation::Sent(uint8_t command, const QString& what) {
    if (ConfirmingCodes(command).isEmpty())
        return;
    Step step{command, what, {}};
    step.Since.start();
    m_steps.push_back(std::move(step));
    Schedule();
}

void SaleConfirmation::Received(quint8 code) {
    // The oldest step this answer belongs to.
    const auto step = std::ranges::find_if(
        m_steps, [code](const Step& s) { return ConfirmingCodes(s.Command).contains(char(code)); });
    if (step == m_steps.end())
        return;
    m_steps.erase(step);
    Schedule();
}

void SaleConfirmation::Expire() {
    while (!m_steps.empty() && m_steps.front().Since.elapsed() >= m_timeoutMs) {
        const Step step = m_steps.front();
        m_steps.pop_front();
        emit Unconfirmed(step.Command, step.What);
    }
    Schedule();
}

void SaleConfirmation::Schedule() {
    if (m_steps.empty()) {
        m_timer.stop();
        return;
    }
    m_timer.start(int(std::max<qint64>(0, m_timeoutMs - m_steps.front().Since.elapsed())));
}
