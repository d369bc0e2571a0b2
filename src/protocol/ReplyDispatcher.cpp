#include "protocol/ReplyDispatcher.h"

#include "protocol/ClockReply.h"

#include <QEventLoop>
#include <QFileInfo>
#include <utility>

ReplyDispatcher::ReplyDispatcher(TRS232Form& rs232, QObject* parent) : QObject(parent), m_rs232(rs232) {
    setObjectName(QStringLiteral("ReplyDispatcher"));
    m_commandTimer.setObjectName(QStringLiteral("CommandTimer"));
    m_commandTimer.setInterval(ReplyTimeout);
    m_commandTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_commandTimer, &QTimer::timeout, this, &ReplyDispatcher::CommandTimerOnTimer);
    connect(&m_rs232, &TRS232Form::ReplyReceived, this, &ReplyDispatcher::DispatchReply);
    connect(&m_rs232.Serial(), &TCommPortDriver::PortLost, this,
            [this](const QString& device, const QString& reason) {
                m_lostDevice = device;
                m_lostIdentity = m_rs232.Serial().OpenedIdentity();
                // A pseudo-terminal named by its number never comes back as
                // the same line: that number is someone else's next.
                if (m_lostIdentity.MayComeBack())
                    m_reconnectTimer.start();
                emit ConnectionChanged(false);
                emit PortLost(device, reason);
            });
    m_reconnectTimer.setObjectName(QStringLiteral("ReconnectTimer"));
    m_reconnectTimer.setInterval(ReconnectPollMs);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &ReplyDispatcher::LookForLostDevice);
    SetHandler(ClockCode, [this](std::span<const uint8_t> payload) { ShowClock(payload); });
}

ReplyDispatcher::~ReplyDispatcher() {
    // A wait still running when its owner goes must not come back to a dead object.
    if (m_waitLoop)
        m_waitLoop->quit();
}

void ReplyDispatcher::SetHandler(uint8_t code, ReplyHandler handler) {
    m_handlers[code] = std::move(handler);
}

void ReplyDispatcher::DispatchReply(uint8_t code) {
    // Disarmed before the handler runs, so that the handler may arm the next wait.
    if (code == m_expectedReply && m_expectedReply != 0)
        ClearExpectedReply();
    if (const auto& handler = m_handlers[code])
        handler(m_rs232.Payload());
}

void ReplyDispatcher::ExpectReply(uint8_t code, int intervalMs) {
    m_commandTimer.setInterval(intervalMs);
    m_commandTimer.start();
    m_expectedReply = code;
}

void ReplyDispatcher::ClearExpectedReply() {
    m_commandTimer.stop();
    m_expectedReply = 0;
    WakeWait();
}

void ReplyDispatcher::CommandTimerOnTimer() {
    const bool clockUnanswered = m_expectedReply == ClockCode && std::exchange(m_clockAsked, false);
    ClearExpectedReply();
    if (clockUnanswered)
        emit ClockUnanswered();
}

bool ReplyDispatcher::WaitGoesOn() const {
    return m_commandTimer.isActive() && m_keepWaiting && m_replyPending;
}

void ReplyDispatcher::WakeWait() {
    if (m_waitLoop && !WaitGoesOn())
        m_waitLoop->quit();
}

int32_t ReplyDispatcher::WaitReply(uint8_t code, int intervalMs) {
    m_replyPending = true;
    m_keepWaiting = true;
    ExpectReply(code, intervalMs);
    // The loop sleeps until an event comes; whatever ends the wait (the reply's
    // handler, a cancel, the timer) quits it through WakeWait.
    QEventLoop loop;
    QEventLoop* const outer = std::exchange(m_waitLoop, &loop);
    if (WaitGoesOn())
        loop.exec();
    m_waitLoop = outer;
    // A wait nested in another shares its flags: the outer one ends with it.
    WakeWait();
    if (!m_keepWaiting)
        return WaitCancelled;
    if (!m_replyPending)
        return WaitReplied;
    return WaitTimedOut;
}

void ReplyDispatcher::CompleteWait() {
    m_replyPending = false;
    WakeWait();
}

void ReplyDispatcher::CancelWait() {
    m_keepWaiting = false;
    WakeWait();
}

bool ReplyDispatcher::EnsurePortOpen() {
    if (IsOpen())
        return true;
    if (!m_rs232.Serial().OpenPort()) {
        emit PortOpenFailed(m_rs232.Serial().CurrentDeviceName());
        return false;
    }
    emit ConnectionChanged(true);
    return true;
}

void ReplyDispatcher::LookForLostDevice() {
    // Opened again by the user, or moved to another device: nothing to wait for.
    if (IsOpen() || m_rs232.Serial().CurrentDeviceName() != m_lostDevice) {
        m_reconnectTimer.stop();
        return;
    }
    // A device node that is back may not be usable yet (permissions are set a
    // moment after it appears): a failed open just waits for the next look.
    if (!QFileInfo::exists(m_lostDevice) || !m_lostIdentity.SameAs(DeviceIdentity::Of(m_lostDevice)) ||
        !m_rs232.Serial().OpenPort())
        return;
    m_reconnectTimer.stop();
    m_rs232.ResetFrame();
    emit ConnectionChanged(true);
    emit Reconnected(m_lostDevice);
}

void ReplyDispatcher::Disconnect() {
    // Closing is the user's answer to a lost device too: stop waiting for it.
    m_reconnectTimer.stop();
    if (!IsOpen())
        return;
    m_rs232.Serial().ClosePort();
    emit ConnectionChanged(false);
    emit ClosedByUser();
}

void ReplyDispatcher::ToggleConnection() {
    if (IsOpen())
        Disconnect();
    else
        EnsurePortOpen();
}

void ReplyDispatcher::AfterReopen(bool wasOpen) {
    // A port that failed to reopen is not reported, but the controls must not
    // go on showing a connection that is gone.
    if (wasOpen && !IsOpen())
        emit ConnectionChanged(false);
}

void ReplyDispatcher::ChangePort(TComPortNumber port) {
    m_reconnectTimer.stop();
    const bool wasOpen = IsOpen();
    m_rs232.ChangePort(port);
    AfterReopen(wasOpen);
}

void ReplyDispatcher::ChangeSpeed(TComPortBaudRate speed) {
    const bool wasOpen = IsOpen();
    m_rs232.ChangeSpeed(speed);
    AfterReopen(wasOpen);
}

void ReplyDispatcher::ChangeDevice(const QString& devicePath) {
    m_reconnectTimer.stop();
    const bool wasOpen = IsOpen();
    // The mapping is read when the port opens, so an open port on the device
    // number is closed first and reopened on the new device.
    if (wasOpen && m_rs232.Serial().ComPort() == DevicePortNumber)
        m_rs232.Serial().ClosePort();
    TCommPortDriver::SetDeviceOverride(DevicePortNumber, devicePath);
    if (wasOpen && !IsOpen()) {
        m_rs232.Serial().SetComPort(DevicePortNumber);
        m_rs232.Serial().OpenPort();
    } else {
        m_rs232.ChangePort(DevicePortNumber);
    }
    AfterReopen(wasOpen);
}

void ReplyDispatcher::RequestClock() {
    // On a closed port the frame goes nowhere: silence then says nothing of the register.
    m_clockAsked = IsOpen();
    ExpectReply(ClockCode, ReplyTimeout);
    m_rs232.SendFrame({ClockCode});
}

void ReplyDispatcher::ShowClock(std::span<const uint8_t> payload) {
    m_clockAsked = false;
    // A clock reply too short for its fields is dropped rather than read past its end.
    if (const auto clock = DecodeClock(payload))
        emit ClockDecoded(*clock);
    if (const auto text = FormatClock(payload, m_settings.Language))
        emit ClockReceived(*text);
}
