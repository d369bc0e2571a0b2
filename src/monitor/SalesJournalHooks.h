#pragma once

#include <QString>

// What the journal does on the fiscal printer page while that page is up: a
// subtotal record shows its amount, a receipt close readies the page for the
// next receipt. The page implements this; the main window calls it only while
// the page is the one on show.
class SalesJournalHooks {
  public:
    virtual ~SalesJournalHooks() = default;
    virtual void SubtotalRecorded(const QString& amountText) = 0;
    virtual void ReceiptClosed() = 0;

  protected:
    SalesJournalHooks() = default;
    SalesJournalHooks(const SalesJournalHooks&) = default;
    SalesJournalHooks& operator=(const SalesJournalHooks&) = default;
};
