#include "support/PtyPair.h"

#include "support/WaitUntil.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    tcsetattr(m_slave, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
    Close();
}

void PtyPair::Close() {
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_master = m_slave = -1;
}

bool PtyPair::InputWaitsAtFarEnd(int timeoutMs) const {
    if (m_slave < 0)
        return false;
    pollfd p{m_slave, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
}

void PtyPair::Write(std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += size_t(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
}

QByteArray PtyPair::ReadAtLeast(int n, int timeoutMs) {
    QByteArray got;
    WaitUntil(
        [&] {
            got += ReadAvailable();
            return got.size() >= n;
        },
        timeoutMs);
    return got;
}

QByteArray PtyPair::ReadAvailable() {
    QByteArray out;
    char buf[4096];
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    return out;
}
