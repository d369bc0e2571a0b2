#pragma once

#include "serial/TRS232Form.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Looks for the register on the machine's serial devices: each device is opened
// in turn and asked for the clock at each of the register's speeds, with a
// short wait for the reply. The clock request is all a device is ever sent, and
// a device that answers is asked nothing more. Works on its own port, so the
// owner closes its connection first when it uses one of these devices.
class RegisterFinder : public QObject {
    Q_OBJECT
  public:
    static constexpr std::array<TComPortBaudRate, 3> Speeds{br9600, br19200, br38400};
    // Long enough for the clock exchange (under 20 ms of line time at 9600 bit/s)
    // and a register that is busy printing; short enough that a machine with a
    // handful of silent ports is searched in a few seconds.
    static constexpr int DefaultProbeTimeoutMs = 400;

    struct Outcome {
        enum Kind { Answered, Silent, Unopenable };
        QString Device;
        Kind Result = Silent;
        // Answered: the speed that answered.
        TComPortBaudRate Speed = br9600;
        // Unopenable: the system's reason.
        QString Reason;
    };

    // What became of a device, in words: "answers at 19200 bit/s", "no answer",
    // "cannot be opened: <the system's reason>".
    [[nodiscard]] static QString OutcomeText(const Outcome& outcome, int lang);

    explicit RegisterFinder(QObject* parent = nullptr);
    ~RegisterFinder() override;

    // The serial devices this machine has: what COM1 to COM4 stand for (the
    // command line may map COM1 elsewhere), then every device the system
    // detects, each once however it is named.
    [[nodiscard]] static QStringList MachineDevices();
    // Which of COM1 to COM4 stands for device, if one does.
    [[nodiscard]] static std::optional<TComPortNumber> ComPortOf(const QString& device);

    void SetProbeTimeout(int ms) { m_probeTimeoutMs = ms; }
    // Starts a search over the devices (a running search is cancelled first).
    void Start(const QStringList& devices);
    // Stops at once; the outcomes so far stay, the port is closed.
    void Cancel();
    [[nodiscard]] bool IsRunning() const { return m_running; }

    // One step is one speed of one device; the steps a device no longer needs
    // (it answered or cannot be opened) count as done.
    [[nodiscard]] int StepsDone() const { return m_stepsDone; }
    [[nodiscard]] int StepsTotal() const { return int(m_devices.size() * Speeds.size()); }
    // At most this long until the search ends: every step left waits its time-out.
    [[nodiscard]] qint64 MsLeftAtMost() const;
    [[nodiscard]] const std::vector<Outcome>& Outcomes() const { return m_outcomes; }
    [[nodiscard]] const QStringList& Devices() const { return m_devices; }
    // The device and speed being asked now (empty and 0 between devices).
    [[nodiscard]] QString CurrentDevice() const;
    [[nodiscard]] quint32 CurrentBitsPerSecond() const;

  signals:
    // A step begins: device at bitsPerSecond.
    void Probing(const QString& device, quint32 bitsPerSecond);
    // The search of one device ended; outcome indexes Outcomes().
    void DeviceDone(int outcome);
    void Finished(bool cancelled);

  private:
    void NextDevice();
    void ProbeSpeed();
    void OnReply(quint8 code);
    void OnTimeout();
    void EndDevice(Outcome outcome);

    TRS232Form m_rs232;
    QTimer m_timeout;
    QTimer m_next;
    QStringList m_devices;
    std::vector<Outcome> m_outcomes;
    int m_probeTimeoutMs = DefaultProbeTimeoutMs;
    int m_device = -1;
    size_t m_speed = 0;
    int m_stepsDone = 0;
    bool m_running = false;
};

// The register's line speed of bps bit/s; none when it has no such speed.
[[nodiscard]] inline std::optional<TComPortBaudRate> RegisterSpeedOf(qint64 bps) {
    for (const TComPortBaudRate speed : RegisterFinder::Speeds) {
        if (qint64(BaudRateOf(speed)) == bps)
            return speed;
    }
    return std::nullopt;
}
