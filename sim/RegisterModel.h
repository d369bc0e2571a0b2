#pragma once

#include "sim/SimDay.h"
#include "sim/SimPlu.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <span>
#include <vector>

// The simulated Orvex register, without any line: a command payload goes in,
// the reply payloads come out in the order the register sends them. What the
// register sends on its own (the journal of its cashier's sales and its
// requests for PLUs kept on the PC) leaves through Unsolicited.
//
// It holds 10000 PLUs, eight header lines, the thanks message, a clock and the
// selling day (SimDay). Its cashier sells from the PLUs it holds, asks the PC
// for those it does not, and stands aside while the PC drives a receipt as a
// fiscal printer.
class RegisterModel : public QObject {
    Q_OBJECT
  public:
    static constexpr int PluCount = 10000;
    static constexpr int HeaderLines = 8;
    static constexpr int LineWidth = 21;
    // How long the cashier waits for the PC's answer to a PLU request.
    static constexpr int PluAnswerPatienceMs = 3000;

    struct HeaderLine {
        uint8_t Attribute = 0;
        std::array<uint8_t, LineWidth> Text{};
    };

    explicit RegisterModel(uint32_t seed = 1, QObject* parent = nullptr);

    [[nodiscard]] std::vector<QByteArray> Answer(std::span<const uint8_t> command);
    std::vector<QByteArray> Answer(const QByteArray& command) {
        return Answer(
            std::span(reinterpret_cast<const uint8_t*>(command.constData()), size_t(command.size())));
    }

    // One step of the cashier: one sale step of the current receipt, opening a
    // new one when none is open. Does nothing while the PC drives the receipt
    // or while a PLU request waits for the PC's answer.
    void SellStep();
    // A sale step every intervalMs; 0 stops.
    void StartSelling(int intervalMs);

    void SetClock(std::function<QDateTime()> clock);
    [[nodiscard]] QDateTime Now() const { return m_clock(); }

    // Takes PLUs from a PLU database file (10000 records of 128 bytes; a
    // shorter file leaves the remaining PLUs empty). Texts are converted to the
    // register character set of charset.
    bool LoadPlus(const QString& path, int charset, QString* error = nullptr);

    [[nodiscard]] const SimPlu& Plu(int n) const { return m_plus.at(size_t(n)); }
    void SetPlu(int n, const SimPlu& plu);
    [[nodiscard]] const HeaderLine& Header(int line) const { return m_header.at(size_t(line - 1)); }
    [[nodiscard]] const std::array<uint8_t, LineWidth>& Thanks() const { return m_thanks; }
    [[nodiscard]] uint8_t LastError() const { return m_lastError; }
    [[nodiscard]] uint8_t ReceiptStatus() const;
    [[nodiscard]] const SimDay& Day() const { return m_day; }
    [[nodiscard]] bool AwaitingPluAnswer() const { return m_pending.Active; }
    [[nodiscard]] int PluReportsPrinted() const { return m_pluReportsPrinted; }
    // Finds a PLU by barcode among those committed with 'P'; -1 when none.
    [[nodiscard]] int FindBarcode(const std::array<uint8_t, 19>& barcode) const;

  signals:
    void Unsolicited(const QByteArray& payload);

  private:
    enum class Step { Item, Adjust, Void, Subtotal, SubtotalDiscount, Pay };
    struct PendingRequest {
        bool Active = false;
        QElapsedTimer Since;
    };

    std::vector<QByteArray> SaleCommand(std::span<const uint8_t> cmd);
    std::vector<QByteArray> PluAnswer(std::span<const uint8_t> cmd);
    [[nodiscard]] QByteArray PluRecordReply(int n) const;
    [[nodiscard]] QByteArray HeaderReply(int line) const;
    [[nodiscard]] QByteArray ClockReply() const;
    void CommitBarcodes();
    void SetDefaultPlus();
    void SetDefaultHeader();

    void PlanReceipt();
    bool RunStep(Step step);
    bool SellItem();
    void Emit(const std::vector<QByteArray>& records);
    [[nodiscard]] int Random(int below) { return int(m_rng() % uint32_t(below)); }

    std::vector<SimPlu> m_plus;
    std::function<QDateTime()> m_clock;
    SimDay m_day;
    std::array<HeaderLine, HeaderLines> m_header{};
    std::array<uint8_t, LineWidth> m_thanks{};
    std::vector<std::pair<std::array<uint8_t, 19>, int>> m_barcodeIndex;
    uint8_t m_lastError = 0;
    int m_pluReportsPrinted = 0;

    std::mt19937 m_rng;
    QTimer m_sellTimer;
    std::deque<Step> m_plan;
    bool m_pcOwnsReceipt = false;
    int m_cashierOperator = 1;
    PendingRequest m_pending;
};
