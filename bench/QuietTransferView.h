#pragma once

#include "plu/PluTransfer.h"

#include <cstdio>

// A page for the benchmarks' transfers: it shows nothing, writes the constant
// fields of every PLU, prints a message on stderr and counts no-response
// warnings.
class QuietTransferView : public PluTransferView {
  public:
    [[nodiscard]] int WriteScope() const override { return 1; }
    [[nodiscard]] bool ActiveOnly() const override { return false; }
    void PutPageToTable(int) override {}
    void ShowReceivedRecord(const PluRecord&) override {}
    void FillGridRow(int) override {}
    void SetGridStale() override {}
    void ShowStatusPanel(bool) override {}
    void ShowRequest(const QString&, int) override {}
    void ShowReply(const QString&, int) override {}
    void ShowProgress(int, int, qint64) override {}
    void SetRangeRunning(bool, TransferKind) override {}
    void ShowMessage(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowNoResponse() override { ++NoResponses; }

    int NoResponses = 0;
};
