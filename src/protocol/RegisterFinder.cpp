#include "protocol/RegisterFinder.h"

#include "common/Captions.h"
#include "common/SystemReasons.h"
#include "protocol/ClockReply.h"
#include "protocol/ReplyDispatcher.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

// Two names of one device (a symbolic link and its target) are one device.
QString SameDeviceKey(const QString& device) {
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
}

constexpr Caption AnswersAt{"answers at %1 bit/s", "odgovara na %1 bit/s"};
constexpr Caption NoAnswer{"no answer", "nema odgovora"};
constexpr Caption CannotOpen{"cannot be opened: %1", "ne može da se otvori: %1"};

} // namespace

QString RegisterFinder::OutcomeText(const Outcome& outcome, int lang) {
    switch (outcome.Result) {
    case Outcome::Answered:
        return AnswersAt.Text(lang).arg(BaudRateOf(outcome.Speed));
    case Outcome::Unopenable:
        return CannotOpen.Text(lang).arg(SystemReasons::Translate(outcome.Reason, lang));
    case Outcome::Silent:
        break;
    }
    return NoAnswer.Text(lang);
}

RegisterFinder::RegisterFinder(QObject* parent) : QObject(parent) {
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &RegisterFinder::OnTimeout);
    // The next device is opened from the event loop, so that a long list never
    // holds it and a Cancel in between is heard.
    m_next.setSingleShot(true);
    m_next.setInterval(0);
    connect(&m_next, &QTimer::timeout, this, &RegisterFinder::NextDevice);
    connect(&m_rs232, &TRS232Form::ReplyReceived, this, &RegisterFinder::OnReply);
    connect(&m_rs232.Serial(), &TCommPortDriver::PortLost, this,
            [this](const QString& device, const QString& reason) {
                if (m_running && m_device >= 0 && m_device < m_devices.size())
                    EndDevice({m_devices[m_device], Outcome::Unopenable, br9600,
                               reason.isEmpty() ? device : reason});
            });
}

RegisterFinder::~RegisterFinder() {
    m_rs232.Serial().ClosePort();
}

namespace {
constexpr TComPortNumber MenuPorts[] = {pnCOM1, pnCOM2, pnCOM3, pnCOM4};
} // namespace

std::optional<TComPortNumber> RegisterFinder::ComPortOf(const QString& device) {
    for (const TComPortNumber port : MenuPorts) {
        if (TCommPortDriver::DeviceName(port) == device)
            return port;
    }
    return std::nullopt;
}

QStringList RegisterFinder::MachineDevices() {
    QStringList devices;
    QStringList keys;
    const auto add = [&](const QString& device) {
        const QString key = SameDeviceKey(device);
        if (device.isEmpty() || keys.contains(key))
            return;
        keys << key;
        devices << device;
    };
    for (const TComPortNumber port : MenuPorts)
        add(TCommPortDriver::DeviceName(port));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        add(info.systemLocation());
    return devices;
}

void RegisterFinder::Start(const QStringList& devices) {
    Cancel();
    m_devices = devices;
    m_outcomes.clear();
    m_stepsDone = 0;
    m_device = -1;
    m_running = true;
    NextDevice();
}

void RegisterFinder::Cancel() {
    if (!m_running)
        return;
    m_running = false;
    m_timeout.stop();
    m_next.stop();
    m_rs232.Serial().ClosePort();
    emit Finished(true);
}

qint64 RegisterFinder::MsLeftAtMost() const {
    return qint64(StepsTotal() - m_stepsDone) * m_probeTimeoutMs;
}

QString RegisterFinder::CurrentDevice() const {
    return m_timeout.isActive() ? m_devices.value(m_device) : QString();
}

quint32 RegisterFinder::CurrentBitsPerSecond() const {
    return m_timeout.isActive() ? BaudRateOf(Speeds[m_speed]) : 0;
}

void RegisterFinder::NextDevice() {
    if (!m_running)
        return;
    ++m_device;
    if (m_device >= m_devices.size()) {
        m_running = false;
        emit Finished(false);
        return;
    }
    const QString device = m_devices[m_device];
    m_speed = 0;
    TCommPortDriver& serial = m_rs232.Serial();
    serial.SetComPortSpeed(Speeds[0]);
    if (!serial.OpenDevice(device)) {
        EndDevice({device, Outcome::Unopenable, br9600, serial.OpenError()});
        return;
    }
    ProbeSpeed();
}

void RegisterFinder::ProbeSpeed() {
    const TComPortBaudRate speed = Speeds[m_speed];
    // Setting the speed also drops whatever the line brought at the last one.
    m_rs232.Serial().SetComPortSpeed(speed);
    m_rs232.ResetFrame();
    emit Probing(m_devices[m_device], BaudRateOf(speed));
    m_timeout.start(m_probeTimeoutMs);
    m_rs232.SendFrame({ReplyDispatcher::ClockCode});
}

void RegisterFinder::OnReply(quint8 code) {
    // Only a whole clock reply counts: a frame that merely passed its checksum
    // at a wrong speed is not taken for a register.
    if (!m_running || !m_timeout.isActive() || code != ReplyDispatcher::ClockCode ||
        !FormatClock(m_rs232.Payload(), 0))
        return;
    m_timeout.stop();
    EndDevice({m_devices[m_device], Outcome::Answered, Speeds[m_speed], {}});
}

void RegisterFinder::OnTimeout() {
    if (!m_running)
        return;
    ++m_stepsDone;
    if (++m_speed < Speeds.size()) {
        ProbeSpeed();
        return;
    }
    EndDevice({m_devices[m_device], Outcome::Silent, br9600, {}});
}

void RegisterFinder::EndDevice(Outcome outcome) {
    m_timeout.stop();
    m_rs232.Serial().ClosePort();
    m_stepsDone = (m_device + 1) * int(Speeds.size());
    m_outcomes.push_back(std::move(outcome));
    emit DeviceDone(int(m_outcomes.size()) - 1);
    if (m_running)
        m_next.start();
}
