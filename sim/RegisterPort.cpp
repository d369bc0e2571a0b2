#include "sim/RegisterPort.h"

#include "sim/RegisterModel.h"

#include <QDateTime>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

// Never let the queue grow without bound while nobody reads the line: a real
// register's bytes would be lost on an unplugged cable too.
constexpr qsizetype MaxQueuedBytes = 64 * 1024;
// How often a line nobody has open is looked at again.
constexpr int FarEndPollMs = 50;
// The longest the pacer sleeps while bytes wait: what a wake-up hands the line
// in one write.
constexpr qint64 PaceSliceNs = 1'000'000;

void AppendStuffed(QByteArray& out, uint8_t b) {
    if (b == Frame::Escape || b == Frame::Start || b == Frame::End) {
        out += char(Frame::Escape);
        out += char(b ^ Frame::EscapeXor);
    } else {
        out += char(b);
    }
}

std::span<const uint8_t> BytesOf(const QByteArray& a) {
    return {reinterpret_cast<const uint8_t*>(a.constData()), size_t(a.size())};
}

} // namespace

uint32_t RegisterPort::LineSpeed() const {
    // Both ends of a pseudo-terminal share one set of line settings: the
    // program's choice is read here.
    termios settings{};
    if (m_master < 0 || ::tcgetattr(m_master, &settings) != 0)
        return 0;
    static constexpr std::pair<speed_t, uint32_t> Rates[] = {
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},    {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    const speed_t in = ::cfgetispeed(&settings);
    for (const auto& [code, bps] : Rates) {
        if (code == in)
            return bps;
    }
    return 0;
}

RegisterPort::RegisterPort(RegisterModel& model, SimOptions options, QObject* parent)
    : QObject(parent), m_model(model), m_options(std::move(options)) {
    m_receiver.SetOnFrame([this](uint8_t) { OnFrame(); });
    // A timer of nanoseconds rather than QTimer's milliseconds: woken on a
    // millisecond grid, a frame's last bytes would leave up to a millisecond
    // late, which at 115200 bit/s is a sixth of a PLU reply.
    m_paceFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_paceFd >= 0) {
        m_paceNotifier = std::make_unique<QSocketNotifier>(m_paceFd, QSocketNotifier::Read);
        connect(m_paceNotifier.get(), &QSocketNotifier::activated, this, [this] {
            uint64_t expirations = 0;
            (void)::read(m_paceFd, &expirations, sizeof expirations);
            Pump();
        });
    }
    connect(&m_model, &RegisterModel::Unsolicited, this,
            [this](const QByteArray& payload) { Send(payload); });
    m_farEndTimer.setInterval(FarEndPollMs);
    connect(&m_farEndTimer, &QTimer::timeout, this, &RegisterPort::CheckFarEnd);
    m_clock.start();
}

RegisterPort::~RegisterPort() {
    Close();
    m_paceNotifier.reset();
    if (m_paceFd >= 0)
        ::close(m_paceFd);
}

void RegisterPort::ArmPace(qint64 inNs) {
    if (m_paceFd < 0)
        return;
    // Zero would disarm the timer: a byte already due still needs a wake-up.
    inNs = std::max<qint64>(inNs, 1000);
    itimerspec when{};
    when.it_value.tv_sec = time_t(inNs / 1'000'000'000);
    when.it_value.tv_nsec = long(inNs % 1'000'000'000);
    timerfd_settime(m_paceFd, 0, &when, nullptr);
}

void RegisterPort::StopPace() {
    if (m_paceFd < 0)
        return;
    const itimerspec never{};
    timerfd_settime(m_paceFd, 0, &never, nullptr);
}

bool RegisterPort::Open(QString* error) {
    Close();
    char name[256] = {};
    int slave = -1;
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        if (error)
            *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    // The far end is the program's: until it opens it, the master reads as
    // hung up, and that is how the register learns whether anyone listens.
    ::close(slave);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QString::fromLocal8Bit(name);

    if (!m_options.TraceFile.isEmpty()) {
        m_trace.setFileName(m_options.TraceFile);
        if (!m_trace.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            if (error)
                *error = m_trace.errorString();
            Close();
            return false;
        }
    }
    m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &RegisterPort::ReadInput);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &RegisterPort::Pump);
    SetFarEndOpen(false);
    CheckFarEnd();
    return true;
}

void RegisterPort::Close() {
    StopPace();
    m_farEndTimer.stop();
    m_readNotifier.reset();
    m_writeNotifier.reset();
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_farEndOpen = false;
    m_out.clear();
    m_trace.close();
}

void RegisterPort::ReadInput() {
    std::array<uint8_t, 4096> buf{};
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, buf.data(), buf.size());
        if (n < 0 && errno == EIO) {
            SetFarEndOpen(false); // the program closed its port
            break;
        }
        if (n <= 0)
            break;
        // At another speed a UART reads noise; the register answers none of it.
        if (m_options.StrictSpeed && m_options.Speed > 0 && LineSpeed() != m_options.Speed)
            continue;
        if (m_options.Speed > 0) {
            // The pseudo-terminal hands the program's bytes over at once; on a
            // real line they arrive one by one at the line speed.
            const qint64 now = m_clock.nsecsElapsed();
            m_inboundEndNs =
                std::max(now, m_inboundEndNs) + qint64(double(n) * 1e10 / double(m_options.Speed));
        }
        m_receiver.Feed(std::span<const uint8_t>(buf.data(), size_t(n)));
    }
}

void RegisterPort::OnFrame() {
    const auto payload = m_receiver.Payload();
    const QByteArray command(reinterpret_cast<const char*>(payload.data()), qsizetype(payload.size()));
    ++m_framesIn;
    QByteArray wire(qsizetype(EncodedFrameSize(payload)), '\0');
    const size_t n =
        EncodeFrame(payload, std::span(reinterpret_cast<uint8_t*>(wire.data()), size_t(wire.size())));
    Trace("IN", wire.left(qsizetype(n)));
    emit FrameReceived(command);

    std::vector<QByteArray> replies = m_model.Answer(command);
    for (QByteArray& reply : replies) {
        if (reply.size() >= 3 && reply[0] == '[' && m_options.WrongPluEvery > 0 &&
            ++m_pluReplies % m_options.WrongPluEvery == 0) {
            const int plu = (uint8_t(reply[1]) | (uint8_t(reply[2]) << 8)) + 1;
            reply[1] = char(plu % RegisterModel::PluCount & 0xFF);
            reply[2] = char(plu % RegisterModel::PluCount >> 8);
        }
        // An answer cannot start before its command has come in whole.
        const qint64 commandEnd = m_inboundEndNs;
        if (m_options.DelayMs > 0)
            QTimer::singleShot(m_options.DelayMs, this,
                               [this, reply, commandEnd] { Send(reply, commandEnd); });
        else
            Send(reply, commandEnd);
    }
}

void RegisterPort::SetFarEndOpen(bool open) {
    m_farEndOpen = open;
    if (m_readNotifier)
        m_readNotifier->setEnabled(open);
    if (open) {
        m_farEndTimer.stop();
        ReadInput();
    } else {
        m_receiver.ResetFrame();
        m_out.clear();
        m_blocked = false;
        StopPace();
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(false);
        m_farEndTimer.start();
    }
}

void RegisterPort::CheckFarEnd() {
    if (m_master < 0)
        return;
    pollfd p{m_master, POLLIN, 0};
    if (::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP))
        SetFarEndOpen(true);
}

QByteArray RegisterPort::Wire(const QByteArray& payload, bool corrupt) const {
    const uint16_t check = FrameChecksum(BytesOf(payload));
    QByteArray sent = payload;
    // One payload bit flipped under the original checksum: the sum changes by
    // one, so the frame fails its check whatever the payload is.
    if (corrupt && !sent.isEmpty())
        sent[sent.size() - 1] = char(sent[sent.size() - 1] ^ 0x01);
    QByteArray wire;
    wire.reserve(sent.size() * 2 + 6);
    wire += char(Frame::Start);
    for (char c : sent)
        AppendStuffed(wire, uint8_t(c));
    AppendStuffed(wire, uint8_t(check >> 8));
    AppendStuffed(wire, uint8_t(check & 0xFF));
    wire += char(Frame::End);
    return wire;
}

void RegisterPort::Send(const QByteArray& payload, qint64 notBeforeNs) {
    if (m_master < 0 || m_options.Silent || !m_farEndOpen)
        return;
    ++m_framesOut;
    const bool drop = m_options.DropEvery > 0 && m_framesOut % m_options.DropEvery == 0;
    const bool corrupt = !drop && m_options.CorruptEvery > 0 && m_framesOut % m_options.CorruptEvery == 0;
    const QByteArray wire = Wire(payload, corrupt);
    if (drop) {
        Trace("DROP", wire);
        return;
    }
    Trace("OUT", wire);
    if (m_out.size() + wire.size() > MaxQueuedBytes)
        m_out.clear();
    if (m_out.isEmpty() && m_options.Speed > 0) {
        // A line that has finished its last byte by the time this frame may start
        // starts a new period; one still busy keeps its schedule, so back-to-back
        // frames never go faster.
        const qint64 now = m_clock.nsecsElapsed();
        const double byteNs = 1e10 / double(m_options.Speed);
        const qint64 start = std::max(now, notBeforeNs);
        if (double(start - m_periodStartNs) >= double(m_periodBytes) * byteNs) {
            m_periodStartNs = start;
            m_periodBytes = 0;
        }
    }
    m_out += wire;
    Pump();
}

void RegisterPort::Pump() {
    if (m_master < 0 || !m_farEndOpen)
        return;
    m_writeNotifier->setEnabled(false);
    const bool paced = m_options.Speed > 0;
    if (m_blocked) {
        // The listener stopped reading for a while: the line starts afresh
        // rather than catching up in a burst.
        m_blocked = false;
        m_periodStartNs = m_clock.nsecsElapsed();
        m_periodBytes = 0;
    }
    qint64 allowed = m_out.size();
    if (paced && !m_out.isEmpty()) {
        const double byteNs = 1e10 / double(m_options.Speed);
        // A byte reaches the far end once its stop bit is out, as from a UART.
        const qint64 due = qint64(std::floor(double(m_clock.nsecsElapsed() - m_periodStartNs) / byteNs));
        allowed = std::clamp<qint64>(due - m_periodBytes, 0, m_out.size());
    }
    if (allowed > 0) {
        const ssize_t n = ::write(m_master, m_out.constData(), size_t(allowed));
        if (n > 0) {
            m_out.remove(0, qsizetype(n));
            m_periodBytes += n;
            m_bytesSent += n;
        } else if (n < 0 && errno == EAGAIN) {
            m_blocked = true;
        } else if (n < 0 && errno == EIO) {
            SetFarEndOpen(false);
            return;
        }
    }
    if (m_out.isEmpty()) {
        StopPace();
        emit Drained();
    } else if (m_blocked || !paced) {
        // Woken when the listener has read some of what waits.
        StopPace();
        m_writeNotifier->setEnabled(true);
    } else {
        // Next when the next byte is through, then a slice at a time, but the
        // last byte of what waits exactly when it is through.
        const double byteNs = 1e10 / double(m_options.Speed);
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 nextDue = m_periodStartNs + qint64(std::ceil(double(m_periodBytes + 1) * byteNs)) - now;
        const qint64 lastDue =
            m_periodStartNs + qint64(std::ceil(double(m_periodBytes + m_out.size()) * byteNs)) - now;
        ArmPace(std::max(nextDue, std::min(PaceSliceNs, lastDue)));
    }
}

void RegisterPort::Trace(const char* direction, const QByteArray& wire) {
    if (!m_trace.isOpen())
        return;
    QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toLatin1();
    line += ' ';
    line += direction;
    line += ' ';
    line += wire.toHex(' ').toUpper();
    line += '\n';
    m_trace.write(line);
    m_trace.flush();
}
