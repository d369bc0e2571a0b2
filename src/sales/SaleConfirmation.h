#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>

class TRS232Form;

// The register answers a sale command only with the journal record of the
// step it carried out, and a status request with its status reply; a step
// it refused or never heard gets nothing back. Each step sent waits here for
// its answer, and one that has none within the time is reported: it may not
// have been done.
class SaleConfirmation : public QObject {
    Q_OBJECT
  public:
    static constexpr int DefaultTimeoutMs = 4000;

    explicit SaleConfirmation(TRS232Form& rs232, QObject* parent = nullptr);

    void SetTimeout(int ms) { m_timeoutMs = ms; }
    [[nodiscard]] int Timeout() const { return m_timeoutMs; }

    // A command has left; what names it for the user. Commands the register
    // answers with nothing at all (Clear) are not followed.
    void Sent(uint8_t command, const QString& what);
    [[nodiscard]] size_t Pending() const { return m_steps.size(); }

    // The reply codes that confirm a command: its journal records, or its
    // status reply; empty for a command that gets no answer.
    [[nodiscard]] static QByteArray ConfirmingCodes(uint8_t command);

  signals:
    // No answer came within the time; command is the step's first byte.
    void Unconfirmed(quint8 command, const QString& what);

  private:
    struct Step {
        uint8_t Command;
        QString What;
        QElapsedTimer Since;
    };
    void Received(quint8 code);
    void Expire();
    void Schedule();

    std::deque<Step> m_steps;
    QTimer m_timer;
    int m_timeoutMs = DefaultTimeoutMs;
};
