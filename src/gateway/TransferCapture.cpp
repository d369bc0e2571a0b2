#include "gateway/TransferCapture.h"

#include <algorithm>

TransferCapture::TransferCapture(PluTransfer& transfer, const PluTable& pcTable, int from, int to,
                                 PutToTable put)
    : m_transfer(transfer), m_before(transfer.CurrentView()), m_table(std::make_unique<PluTable>()),
      m_put(std::move(put)) {
    // What a reply leaves out (the second description) and what a write does
    // not name come from the PC's entries, as they would for the window.
    for (int n = std::max(from, 0); n <= std::min(to, PluTable::Size - 1); ++n)
        (*m_table)[n] = pcTable[n];
    m_transfer.SetView(this);
    m_transfer.SetWorkTable(m_table.get());
}

TransferCapture::~TransferCapture() {
    m_transfer.SetWorkTable(nullptr);
    m_transfer.SetView(m_before);
}

void TransferCapture::PutPageToTable(int n) {
    if (m_put)
        m_put(*m_table, n);
}

void TransferCapture::ShowMessage(const QString& text) {
    if (!m_messages.isEmpty())
        m_messages += QLatin1Char(' ');
    m_messages += QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}
