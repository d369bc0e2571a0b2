#pragma once

#include "serial/FrameCodec.h"
#include "support/PtyPair.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// A register played by the test: the program under test opens DevicePath(),
// the test reads the frames it sends (as verified payloads, in order) and
// answers with frames of its choice, or with none.
//
// Frames are taken as they arrive, from the event loop, so a responder set with
// SetResponder answers even while the program waits in a nested loop of its own.
class ScriptedPeer : public QObject {
    Q_OBJECT
  public:
    using Payload = std::vector<uint8_t>;
    // The frames to send back for one received payload (none: stay silent).
    using Responder = std::function<std::vector<Payload>(const Payload& received)>;

    ScriptedPeer();
    ~ScriptedPeer() override;

    [[nodiscard]] bool Ok() const { return m_pty.Ok(); }
    [[nodiscard]] QString DevicePath() const { return m_pty.DevicePath(); }

    void SetResponder(Responder responder) { m_responder = std::move(responder); }

    // The next payload the program sent, or nothing when none arrives in timeoutMs.
    std::optional<Payload> NextFrame(int timeoutMs = 3000);
    // True when no frame arrives for ms (frames that do arrive stay queued).
    bool QuietFor(int ms);
    // Every payload taken so far, including those NextFrame handed out.
    [[nodiscard]] const std::vector<Payload>& Received() const { return m_all; }
    // When each of them arrived, in ms since the peer was made.
    [[nodiscard]] const std::vector<qint64>& ArrivalMs() const { return m_arrivals; }
    // The line goes dead: the device vanishes for whoever has it open.
    void Close();

    void Send(std::span<const uint8_t> payload);
    void Send(std::initializer_list<uint8_t> payload) {
        Send(std::span<const uint8_t>(payload.begin(), payload.size()));
    }
    void SendRaw(std::span<const uint8_t> bytes) { m_pty.Write(bytes); }
    // True once what was sent waits in the program's input, unread.
    [[nodiscard]] bool SentBytesWait(int timeoutMs = 2000) const {
        return m_pty.InputWaitsAtFarEnd(timeoutMs);
    }

  private:
    void ReadAvailable();

    PtyPair m_pty;
    std::unique_ptr<QSocketNotifier> m_notifier;
    FrameReceiver m_receiver;
    Responder m_responder;
    std::deque<Payload> m_queue;
    std::vector<Payload> m_all;
    std::vector<qint64> m_arrivals;
    QElapsedTimer m_clock;
};
