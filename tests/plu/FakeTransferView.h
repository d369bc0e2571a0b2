#pragma once

#include "database/PluTable.h"
#include "plu/PluTransfer.h"

#include <QString>
#include <functional>
#include <vector>

// The page side of a transfer, recorded: what the transfer showed and asked.
class FakeTransferView : public PluTransferView {
  public:
    // Shows transfer's steps and records its table signals.
    void Watch(PluTransfer& transfer) {
        transfer.SetView(this);
        QObject::connect(&transfer, &PluTransfer::RowChanged, &transfer,
                         [this](int n) { GridRows.push_back(n); });
        QObject::connect(&transfer, &PluTransfer::TableStale, &transfer, [this] { Stale = true; });
        QObject::connect(&transfer, &PluTransfer::PlusRead, &transfer, [this] { ++PlusReads; });
    }

    void PutPageToTable(int n) override {
        PutPages.push_back(n);
        if (OnPutPage)
            OnPutPage(n);
    }
    void ShowReceivedRecord(const PluRecord& record) override { Shown.push_back(record); }
    void ShowStatusPanel(bool visible) override { PanelShows.push_back(visible); }
    void ShowRequest(const QString& indicator, int plu) override {
        Requests.push_back(indicator);
        RequestPlus.push_back(plu);
    }
    void ShowReply(const QString& indicator, int plu) override {
        Replies.push_back(indicator);
        ReplyPlus.push_back(plu);
    }
    void ShowProgress(int done, int total, qint64) override {
        Progress.push_back({done, total});
        if (OnProgress)
            OnProgress(done, total);
    }
    void SetRangeRunning(bool running, TransferKind) override { RangeRunning.push_back(running); }
    void ShowMessage(const QString& text) override { Messages.push_back(text); }
    void ShowNoResponse() override { ++NoResponses; }
    void ShowStopped(const QString& text) override { Stopped.push_back(text); }

    // The page's choices the test hands to the transfer's starts.
    int Scope = 1;
    bool Active = false;
    std::function<void(int)> OnPutPage;
    std::function<void(int, int)> OnProgress;

    std::vector<int> PutPages;
    std::vector<PluRecord> Shown;
    std::vector<int> GridRows;
    bool Stale = false;
    int PlusReads = 0;
    std::vector<bool> PanelShows;
    std::vector<QString> Requests;
    std::vector<int> RequestPlus;
    std::vector<QString> Replies;
    std::vector<int> ReplyPlus;
    std::vector<std::pair<int, int>> Progress;
    std::vector<bool> RangeRunning;
    std::vector<QString> Messages;
    int NoResponses = 0;
    std::vector<QString> Stopped;
};
