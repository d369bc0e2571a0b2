#pragma once

#include "plu/PluTransfer.h"

#include <QString>
#include <functional>
#include <optional>

// Stands in for whatever view the session's PLU transfer has while a call
// uses it: the window's page shows no box for a call from outside, and the
// call keeps every word of failure for its reply. The view set before comes
// back when the capture ends.
class TransferCapture : public PluTransferView {
  public:
    using PutToTable = std::function<void(int n)>;

    TransferCapture(PluTransfer& transfer, PutToTable put = {});
    ~TransferCapture() override;
    TransferCapture(const TransferCapture&) = delete;
    TransferCapture& operator=(const TransferCapture&) = delete;

    void PutPageToTable(int n) override;
    void ShowReceivedRecord(const PluRecord& record) override { m_received = record; }
    void ShowMessage(const QString& text) override;
    void ShowNoResponse() override { m_noResponse = true; }

    [[nodiscard]] const std::optional<PluRecord>& Received() const { return m_received; }
    [[nodiscard]] bool NoResponse() const { return m_noResponse; }
    // Refusals and lost connections, joined.
    [[nodiscard]] const QString& Messages() const { return m_messages; }

  private:
    PluTransfer& m_transfer;
    PluTransferView* m_before;
    PutToTable m_put;
    std::optional<PluRecord> m_received;
    bool m_noResponse = false;
    QString m_messages;
};
