#include "serial/TCommPortDriver.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <algorithm>
#include <cmath>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

constexpr uint32_t RateTable[] = {110,   300,   600,   1200,  2400,  4800,  9600,
                                  14400, 19200, 38400, 56000, 57600, 115200};

QHash<int, QString>& DeviceOverrides() {
    static QHash<int, QString> overrides;
    return overrides;
}

QSerialPort::StopBits StopBitsOf(TComPortStopBits v) {
    switch (v) {
    case sb1HALFBITS:
        return QSerialPort::OneAndHalfStop;
    case sb2BITS:
        return QSerialPort::TwoStop;
    default:
        return QSerialPort::OneStop;
    }
}

QSerialPort::Parity ParityOf(TComPortParity v) {
    switch (v) {
    case ptODD:
        return QSerialPort::OddParity;
    case ptEVEN:
        return QSerialPort::EvenParity;
    case ptMARK:
        return QSerialPort::MarkParity;
    case ptSPACE:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

// Many USB serial adapters hold received bytes for up to 16 ms before handing
// them on, which would dominate a PLU exchange of a few milliseconds; asked for
// low latency, they hand each byte on at once. Devices without the setting (a
// pseudo-terminal) refuse, and are used as they are.
bool RequestLowLatency([[maybe_unused]] qintptr handle) {
#ifdef Q_OS_LINUX
    serial_struct serial{};
    if (handle < 0 || ::ioctl(int(handle), TIOCGSERIAL, &serial) != 0)
        return false;
    if (serial.flags & ASYNC_LOW_LATENCY)
        return true;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(int(handle), TIOCSSERIAL, &serial) == 0;
#else
    return false;
#endif
}

} // namespace

uint32_t BaudRateOf(TComPortBaudRate rate) {
    const int i = static_cast<int>(rate);
    return (i >= 0 && i < static_cast<int>(std::size(RateTable))) ? RateTable[i] : 0;
}

uint32_t TransferTime(TComPortBaudRate rate, uint32_t n) {
    const uint32_t bps = rate == brcust ? 4800 : BaudRateOf(rate);
    return static_cast<uint32_t>(std::nearbyint(double(n) / (double(bps) / 10.0) * 1000.0));
}

QString ComPortName(TComPortNumber port) {
    return QStringLiteral("COM%1").arg(static_cast<int>(port) + 1);
}

void TCommPortDriver::SetDeviceOverride(TComPortNumber port, const QString& device) {
    DeviceOverrides().insert(static_cast<int>(port), device);
}

void TCommPortDriver::ClearDeviceOverrides() {
    DeviceOverrides().clear();
}

QString TCommPortDriver::DeviceName(TComPortNumber port) {
    const auto it = DeviceOverrides().constFind(static_cast<int>(port));
    if (it != DeviceOverrides().constEnd())
        return *it;
#ifdef Q_OS_WIN
    return ComPortName(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(static_cast<int>(port));
#endif
}

namespace {

// Who holds a port by the UUCP lock file QSerialPort and other programs leave
// (/var/lock/LCK..ttyS0, /run/lock/LCK..ttyS0): its pid, in ASCII, and the
// program's name when /proc tells it. Empty when no lock file names one.
QString LockHolder(const QString& portName) {
    const QString name =
        QStringLiteral("LCK..") + QString(portName).replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : {"/var/lock/", "/run/lock/"}) {
        QFile lock(QString::fromLatin1(folder) + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool isNumber = false;
        const qint64 pid = lock.read(64).trimmed().split('\n').value(0).trimmed().toLongLong(&isNumber);
        if (!isNumber || pid <= 0)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString program =
            comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
        return program.isEmpty() ? QStringLiteral("pid %1").arg(pid)
                                 : QStringLiteral("%1, pid %2").arg(program).arg(pid);
    }
    return {};
}

} // namespace

TCommPortDriver::TCommPortDriver(QObject* parent) : QObject(parent), m_port(std::make_unique<QSerialPort>()) {
    m_receiveBuffer.assign(m_inBufSize, 0);
    m_clock.start();
    connect(&m_pollTimer, &QTimer::timeout, this, &TCommPortDriver::OnPollTick);
    connect(m_port.get(), &QSerialPort::readyRead, this, &TCommPortDriver::OnPollTick);
    connect(m_port.get(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { OnPortError(static_cast<int>(e)); });
}

TCommPortDriver::~TCommPortDriver() {
    ClosePort();
}

bool TCommPortDriver::IsOpen() const {
    return m_port->isOpen();
}

bool TCommPortDriver::OpenPort() {
    return OpenDevice(CurrentDeviceName());
}

bool TCommPortDriver::OpenDevice(const QString& device) {
    if (IsOpen())
        return true;
    m_openDevice = device;
    m_port->setPortName(m_openDevice);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_openError = m_port->errorString();
        // QSerialPort reports a lock it could not take as a permission error;
        // a device we may read and write is then held by another program.
        if (m_port->error() == QSerialPort::PermissionError &&
            ::access(QFile::encodeName(m_openDevice.startsWith(QLatin1Char('/'))
                                           ? m_openDevice
                                           : QStringLiteral("/dev/") + m_openDevice)
                         .constData(),
                     R_OK | W_OK) == 0) {
            const QString holder = LockHolder(m_port->portName());
            m_openError = holder.isEmpty() ? QStringLiteral("in use by another program")
                                           : QStringLiteral("in use by another program (%1)").arg(holder);
        }
        m_port->clearError();
        return false;
    }
    m_openError.clear();
    m_openIdentity = DeviceIdentity::Of(m_openDevice);
    m_lowLatency = RequestLowLatency(m_port->handle());
    ApplyLineSettings();
    m_pollTimer.start(m_pollingDelay);
    return true;
}

void TCommPortDriver::ClosePort() {
    if (!IsOpen())
        return;
    m_pollTimer.stop();
    m_port->close();
}

uint32_t TCommPortDriver::ActualBaudRate() const {
    return IsOpen() ? static_cast<uint32_t>(m_port->baudRate()) : 0;
}

TCommPortDriver::ModemLines TCommPortDriver::LineSignals() const {
    if (m_hwHandshaking == hhRTSCTS)
        return {m_enableDtr, std::nullopt};
    return {m_enableDtr, false};
}

void TCommPortDriver::ApplyLineSettings() {
    if (!IsOpen())
        return;
    const uint32_t rate = m_speed == brcust ? m_specialb : BaudRateOf(m_speed);
    m_specialb = static_cast<uint16_t>(rate & 0xFFFF);
    // Failures here (a pseudo-terminal has no modem lines, for one) leave the port usable;
    // nothing is checked, as with the platform's own control block.
    m_port->setBaudRate(static_cast<qint32>(rate));
    m_port->setDataBits(static_cast<QSerialPort::DataBits>(static_cast<int>(m_dataBits) + 5));
    m_port->setParity(ParityOf(m_parity));
    m_port->setStopBits(StopBitsOf(m_stopBits));
    if (m_hwHandshaking == hhRTSCTS)
        m_port->setFlowControl(QSerialPort::HardwareControl);
    else if (m_swHandshaking == shXONXOFF)
        m_port->setFlowControl(QSerialPort::SoftwareControl);
    else
        m_port->setFlowControl(QSerialPort::NoFlowControl);
    const ModemLines lines = LineSignals();
    m_port->setDataTerminalReady(lines.Dtr);
    if (lines.Rts)
        m_port->setRequestToSend(*lines.Rts);
    m_port->clearError();
    PurgeBuffers(true, true);
}

void TCommPortDriver::PurgeBuffers(bool input, bool output) {
    if (!IsOpen())
        return;
    if (output)
        m_port->clear(QSerialPort::Output);
    if (input)
        m_port->clear(QSerialPort::Input);
    m_packetStartTick = -1;
}

void TCommPortDriver::ReadReceived() {
    // A line that never falls quiet must not hold the caller: a few rounds take
    // what has come; the rest arrives through the event loop as usual.
    constexpr int Rounds = 8;
    for (int i = 0; i < Rounds && IsOpen() && m_port->waitForReadyRead(0); ++i) {
    }
    OnPollTick();
}

int16_t TCommPortDriver::OutputFreeSpace() const {
    if (!IsOpen())
        return -1;
    return static_cast<int16_t>(m_outBufSize - static_cast<uint16_t>(m_port->bytesToWrite()));
}

int32_t TCommPortDriver::WriteData(std::span<const uint8_t> data) {
    if (!IsOpen() || data.empty())
        return 0;
    int32_t result = 0;
    QElapsedTimer started;
    started.start();
    while (!data.empty()) {
        const uint16_t freeSpace = static_cast<uint16_t>(OutputFreeSpace());
        qint64 written = 0;
        if (freeSpace > 0 && IsOpen()) {
            const size_t n = std::min<size_t>(data.size(), freeSpace);
            written =
                std::max<qint64>(0, m_port->write(reinterpret_cast<const char*>(data.data()), qint64(n)));
            m_port->flush();
            result += static_cast<int32_t>(written);
            data = data.subspan(static_cast<size_t>(written));
        }
        if (written > 0)
            continue;
        // The queue is full or the driver took nothing: wait for room, but never
        // longer than OutputTimeout from the start of the call.
        const qint64 left = qint64(m_outputTimeout) - started.elapsed();
        if (left <= 0 || !IsOpen())
            return -result;
        m_port->waitForBytesWritten(static_cast<int>(std::min<qint64>(left, 50)));
    }
    return result;
}

void TCommPortDriver::SetComPort(TComPortNumber v) {
    if (IsOpen())
        return;
    m_comPort = v;
    m_devicePath.clear();
}

void TCommPortDriver::SetDevicePath(const QString& device) {
    if (!IsOpen())
        m_devicePath = device;
}

void TCommPortDriver::SetComPortSpeed(TComPortBaudRate v) {
    m_speed = v;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortDataBits(TComPortDataBits v) {
    m_dataBits = v;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortStopBits(TComPortStopBits v) {
    m_stopBits = v;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortParity(TComPortParity v) {
    m_parity = v;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortHwHandshaking(TComPortHwHandshaking v) {
    m_hwHandshaking = v;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortSwHandshaking(TComPortSwHandshaking v) {
    m_swHandshaking = v;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortInBufSize(uint16_t v) {
    if (IsOpen())
        return;
    m_inBufSize = v;
    m_receiveBuffer.assign(v, 0);
    SetPacketSize(m_packetSize);
}

void TCommPortDriver::SetComPortOutBufSize(uint16_t v) {
    if (!IsOpen())
        m_outBufSize = v;
}

void TCommPortDriver::SetPacketSize(int16_t v) {
    if (v < 1) {
        m_packetSize = -1;
        return;
    }
    m_packetSize = v;
    if (v > m_inBufSize) {
        m_inBufSize = static_cast<uint16_t>(v * 2);
        m_receiveBuffer.assign(m_inBufSize, 0);
    }
}

void TCommPortDriver::SetPacketTimeout(int32_t v) {
    if (v < 1)
        m_packetTimeout = -1;
    else if (v < m_pollingDelay)
        m_packetTimeout = m_pollingDelay + 250;
    else
        m_packetTimeout = v;
}

void TCommPortDriver::SetComPortPollingDelay(uint16_t v) {
    if (v == m_pollingDelay)
        return;
    m_pollingDelay = v;
    if (IsOpen())
        m_pollTimer.start(m_pollingDelay);
    SetPacketTimeout(m_packetTimeout);
}

void TCommPortDriver::OnPortError(int error) {
    const auto e = static_cast<QSerialPort::SerialPortError>(error);
    if (!IsOpen())
        return;
    // A hung-up line shows as a read error that repeats on every notification.
    // A resource error is also what a full output queue reports (EAGAIN), so it
    // only means a lost device when the device node has gone with it.
    const bool lost =
        e == QSerialPort::ReadError || (e == QSerialPort::ResourceError && !QFileInfo::exists(m_openDevice));
    if (!lost)
        return;
    const QString device = m_openDevice;
    const QString reason = m_port->errorString();
    ClosePort();
    m_port->clearError();
    emit PortLost(device, reason);
}

void TCommPortDriver::OnPollTick() {
    if (!IsOpen())
        return;
    if (m_packetSize < 1)
        ReadPlain();
    else
        ReadPackets();
}

void TCommPortDriver::ReadPlain() {
    // A handler may wait for a reply in a nested event loop, which brings us back
    // here while the outer chunk is still being walked: the nested read must not
    // overwrite it.
    std::vector<uint8_t> nestedBuffer;
    std::vector<uint8_t>& buffer =
        m_reading ? (nestedBuffer.resize(m_inBufSize), nestedBuffer) : m_receiveBuffer;
    const bool outer = !m_reading;
    m_reading = true;
    while (IsOpen()) {
        const qint64 n = m_port->read(reinterpret_cast<char*>(buffer.data()), qint64(buffer.size()));
        if (n <= 0)
            break;
        if (OnReceiveData)
            OnReceiveData(this, std::span<const uint8_t>(buffer.data(), size_t(n)));
    }
    if (outer)
        m_reading = false;
}

void TCommPortDriver::ReadPackets() {
    const size_t packetSize = static_cast<size_t>(m_packetSize);
    int64_t q = m_port->bytesAvailable();
    const int64_t now = Now();
    if (q >= m_packetSize) {
        int64_t t = now;
        while (q >= m_packetSize && IsOpen()) {
            const qint64 n =
                m_port->read(reinterpret_cast<char*>(m_receiveBuffer.data()), qint64(packetSize));
            // A packet whose first byte was never seen before this tick arrived
            // within it: no time has passed for it.
            const uint32_t elapsed = m_packetStartTick < 0 ? 0 : static_cast<uint32_t>(t - m_packetStartTick);
            if (n > 0 && OnReceivePacket)
                OnReceivePacket(this, std::span<const uint8_t>(m_receiveBuffer.data(), size_t(n)), elapsed);
            if (q > m_packetSize) {
                const uint32_t step = TransferTime(m_speed, packetSize);
                t += step;
                if (m_packetStartTick >= 0)
                    m_packetStartTick += step;
            }
            q -= m_packetSize;
            if (q == 0)
                m_packetStartTick = -1;
        }
        return;
    }
    if (m_packetTimeout > 0 && m_packetStartTick >= 0 && now - m_packetStartTick > m_packetTimeout) {
        const qint64 n = m_port->read(reinterpret_cast<char*>(m_receiveBuffer.data()),
                                      std::min<qint64>(q, qint64(m_receiveBuffer.size())));
        if (n > 0 && m_packetMode == pmPass && OnReceivePacket)
            OnReceivePacket(this, std::span<const uint8_t>(m_receiveBuffer.data(), size_t(n)),
                            static_cast<uint32_t>(now - m_packetStartTick));
        m_packetStartTick = -1;
        return;
    }
    if (q > 0 && m_packetStartTick < 0)
        m_packetStartTick = now;
}
