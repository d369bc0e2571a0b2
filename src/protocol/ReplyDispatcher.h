#pragma once

#include "protocol/ClockReply.h"

#include "common/SessionSettings.h"

#include "serial/TRS232Form.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <span>

class QEventLoop;

// The hub of the protocol: every verified frame ends in DispatchReply, which
// runs the handler registered for its reply code. Commands that expect an
// answer arm the one-slot expected reply with a time-out; WaitReply waits for
// one modally without blocking the event loop. It also owns the connection
// logic behind the main window's connect, port and speed controls, and the
// clock exchange. It shows nothing: the views listen to its signals.
class ReplyDispatcher : public QObject {
    Q_OBJECT
  public:
    // Language, charset and separator of what it says and decodes.
    void SetSettings(const SessionSettings& settings) { m_settings = settings; }
    [[nodiscard]] const SessionSettings& Settings() const { return m_settings; }
    // Results of WaitReply.
    static constexpr int32_t WaitTimedOut = 0;
    static constexpr int32_t WaitReplied = 5;
    static constexpr int32_t WaitCancelled = 7;
    // Time-outs of the commands that expect an answer.
    static constexpr int ReplyTimeout = 6000;
    static constexpr int ZReportTimeout = 65000;
    static constexpr int TransferTimeout = 3000;
    static constexpr uint8_t ClockCode = 'Q';

    // The payload of the frame being handled, reply code first; valid only
    // during the call.
    using ReplyHandler = std::function<void(std::span<const uint8_t> payload)>;

    explicit ReplyDispatcher(TRS232Form& rs232, QObject* parent = nullptr);
    ~ReplyDispatcher() override;

    [[nodiscard]] TRS232Form& RS232() { return m_rs232; }

    // One handler per reply code; an empty handler makes the code select nothing.
    void SetHandler(uint8_t code, ReplyHandler handler);
    [[nodiscard]] bool HasHandler(uint8_t code) const { return static_cast<bool>(m_handlers[code]); }

    void DispatchReply(uint8_t code);
    void ExpectReply(uint8_t code, int intervalMs);
    void ClearExpectedReply();
    [[nodiscard]] uint8_t ExpectedReply() const { return m_expectedReply; }
    [[nodiscard]] const QTimer& CommandTimer() const { return m_commandTimer; }

    // 5 when the reply's handler called CompleteWait, 7 when CancelWait came
    // first, 0 when the time-out ran out (or the expected reply was cleared).
    int32_t WaitReply(uint8_t code, int intervalMs);
    // Clears ReplyPending: the awaited reply has been handled.
    void CompleteWait();
    // Clears KeepWaiting: the page's Close, a Cancel button or the close request.
    void CancelWait();
    [[nodiscard]] bool ReplyPending() const { return m_replyPending; }
    [[nodiscard]] bool KeepWaiting() const { return m_keepWaiting; }
    [[nodiscard]] bool IsWaiting() const { return m_waitLoop != nullptr; }

    [[nodiscard]] bool IsOpen() const { return m_rs232.Serial().IsOpen(); }
    // Opens the port unless it is open; false (and PortOpenFailed) when it cannot.
    bool EnsurePortOpen();
    void Disconnect();
    // Connect1: disconnects when open, else connects.
    void ToggleConnection();
    // Move to another port number or speed; an open port is reopened there.
    void ChangePort(TComPortNumber port);
    void ChangeSpeed(TComPortBaudRate speed);
    // Moves to a device found on the machine (a USB adapter, say), through a
    // port number of its own.
    void ChangeDevice(const QString& devicePath);
    static constexpr TComPortNumber DevicePortNumber = pnCOM16;

    // After a lost device the same device path is looked for this often and the
    // port reopened at the same speed when it is back; the user closing the
    // port or moving to another one ends the watch.
    static constexpr int ReconnectPollMs = 500;
    [[nodiscard]] bool WatchingForLostDevice() const { return m_reconnectTimer.isActive(); }

    // Asks the register for its clock; the answer comes as ClockReceived.
    void RequestClock();

  signals:
    // The port opened or closed (by the user, a failed reopen or a lost device).
    void ConnectionChanged(bool open);
    void PortOpenFailed(const QString& device);
    void PortLost(const QString& device, const QString& reason);
    // A lost device came back and the port is open on it again.
    void Reconnected(const QString& device);
    // The user closed the port (Disconnect), as opposed to losing it.
    void ClosedByUser();
    // The formatted clock of a 'Q' reply, in the language of the moment.
    void ClockReceived(const QString& text);
    // The same reply as numbers.
    void ClockDecoded(const RegisterClock& clock);
    // RequestClock's reply did not come within the reply time-out.
    void ClockUnanswered();

  private:
    void CommandTimerOnTimer();
    void ShowClock(std::span<const uint8_t> payload);
    void WakeWait();
    void AfterReopen(bool wasOpen);
    void LookForLostDevice();
    [[nodiscard]] bool WaitGoesOn() const;

    TRS232Form& m_rs232;
    std::array<ReplyHandler, 256> m_handlers;
    QTimer m_commandTimer;
    QTimer m_reconnectTimer;
    QString m_lostDevice;
    DeviceIdentity m_lostIdentity;
    uint8_t m_expectedReply = 0;
    bool m_replyPending = false;
    bool m_keepWaiting = false;
    bool m_clockAsked = false;
    QEventLoop* m_waitLoop = nullptr;
    SessionSettings m_settings;
};
