#include "gateway/TransferCapture.h"

TransferCapture::TransferCapture(PluTransfer& transfer, PutToTable put)
    : m_transfer(transfer), m_before(transfer.CurrentView()), m_put(std::move(put)) {
    m_transfer.SetView(this);
}

TransferCapture::~TransferCapture() {
    m_transfer.SetView(m_before);
}

void TransferCapture::PutPageToTable(int n) {
    if (m_put)
        m_put(n);
}

void TransferCapture::ShowMessage(const QString& text) {
    if (!m_messages.isEmpty())
        m_messages += QLatin1Char(' ');
    m_messages += QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}
