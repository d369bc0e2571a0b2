#pragma once

#include "plu/PluTransfer.h"

#include <cstdio>

// A page for the benchmarks' transfers: it shows nothing but prints a message
// on stderr and counts no-response warnings.
class QuietTransferView : public PluTransferView {
  public:
    void ShowMessage(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowNoResponse() override { ++NoResponses; }

    int NoResponses = 0;
};
