#include "support/ScriptedPeer.h"

#include "support/HexDump.h"
#include "support/WaitUntil.h"

#include <array>

ScriptedPeer::ScriptedPeer() {
    m_clock.start();
    m_receiver.SetOnFrame([this](uint8_t) {
        const auto p = m_receiver.Payload();
        Payload payload(p.begin(), p.end());
        m_all.push_back(payload);
        m_arrivals.push_back(m_clock.elapsed());
        m_queue.push_back(payload);
        if (m_responder)
            for (const Payload& answer : m_responder(payload))
                Send(answer);
    });
    if (m_pty.Ok()) {
        m_notifier = std::make_unique<QSocketNotifier>(m_pty.MasterFd(), QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &ScriptedPeer::ReadAvailable);
    }
}

ScriptedPeer::~ScriptedPeer() {
    m_notifier.reset();
}

void ScriptedPeer::Close() {
    m_notifier.reset();
    m_pty.Close();
}

void ScriptedPeer::ReadAvailable() {
    const QByteArray bytes = m_pty.ReadAvailable();
    m_receiver.Feed(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
}

std::optional<ScriptedPeer::Payload> ScriptedPeer::NextFrame(int timeoutMs) {
    if (!WaitUntil([this] { return !m_queue.empty(); }, timeoutMs))
        return std::nullopt;
    Payload p = std::move(m_queue.front());
    m_queue.pop_front();
    return p;
}

bool ScriptedPeer::QuietFor(int ms) {
    const size_t before = m_all.size();
    RunEventsFor(ms);
    return m_all.size() == before;
}

void ScriptedPeer::Send(std::span<const uint8_t> payload) {
    m_pty.Write(Framed(payload));
}
