#pragma once

#include "database/PluTable.h"
#include "plu/PluTransfer.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Stands in for whatever view the session's PLU transfer has while a call
// uses it: the window's page shows no box for a call from outside, and the
// call keeps every word of failure for its reply. The call works on a table
// of its own, filled from the PC's entries it names: the PC's table (the shop
// keeper's) and its "PLUs read" stay as they were. The view and the table set
// before come back when the capture ends.
class TransferCapture : public PluTransferView {
  public:
    using PutToTable = std::function<void(PluTable& table, int n)>;

    TransferCapture(PluTransfer& transfer, const PluTable& pcTable, int from, int to, PutToTable put = {});
    ~TransferCapture() override;
    TransferCapture(const TransferCapture&) = delete;
    TransferCapture& operator=(const TransferCapture&) = delete;

    void PutPageToTable(int n) override;
    void ShowReceivedRecord(const PluRecord& record) override { m_received = record; }
    void ShowMessage(const QString& text) override;
    void ShowNoResponse() override { m_noResponse = true; }

    // The call's own table: what it writes, and what it read.
    [[nodiscard]] PluTable& Table() { return *m_table; }
    [[nodiscard]] const std::optional<PluRecord>& Received() const { return m_received; }
    [[nodiscard]] bool NoResponse() const { return m_noResponse; }
    // Refusals and lost connections, joined.
    [[nodiscard]] const QString& Messages() const { return m_messages; }

  private:
    PluTransfer& m_transfer;
    PluTransferView* m_before;
    std::unique_ptr<PluTable> m_table;
    PutToTable m_put;
    std::optional<PluRecord> m_received;
    bool m_noResponse = false;
    QString m_messages;
};
