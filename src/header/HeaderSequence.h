#pragma once

#include "common/SessionSettings.h"

#include "header/HeaderFrames.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <span>

class ReplyDispatcher;

// The header line and thanks message exchanges with the register: one frame,
// one awaited reply at a time, every wait in the dispatcher's WaitReply. The
// page supplies the texts and shows the lines as they come back.
class HeaderSequence : public QObject {
    Q_OBJECT
  public:
    // Language, charset and separator of what it says and decodes.
    void SetSettings(const SessionSettings& settings) { m_settings = settings; }
    [[nodiscard]] const SessionSettings& Settings() const { return m_settings; }
    enum class Mode { Idle, Reading, Writing };
    // A line the register keeps answering for the wrong line is asked again
    // this often before reading gives up.
    static constexpr int Rerequests = 3;

    struct LineContent {
        QString Text;
        HeaderAttributes Attributes;
    };
    struct Outcome {
        bool Done = false;
        // Empty when done; otherwise what the user is told.
        QString Message;
    };

    explicit HeaderSequence(ReplyDispatcher& dispatcher, QObject* parent = nullptr);
    ~HeaderSequence() override;

    // Each returns when its exchange has ended.
    Outcome Read(int charset);
    // Lines 1 to 5; all are checked before the first frame leaves.
    Outcome Write(const std::array<LineContent, WritableHeaderLines>& lines, int charset);
    Outcome WriteThanks(const QString& text, int charset);
    // The editor closes while its write waits: the wait ends, nothing is resent.
    void CancelThanks();

    // Another exchange takes the link over: a running sequence ends after its wait.
    void ResetMode();
    [[nodiscard]] Mode CurrentMode() const { return m_mode; }
    [[nodiscard]] int CurrentLine() const { return m_line; }
    [[nodiscard]] bool IsBusy() const { return m_busy; }
    // No other exchange waits for its reply: a sequence may start.
    [[nodiscard]] bool CanStart() const;

    void OnHeaderReply(std::span<const uint8_t> payload);
    void OnThanksReply(std::span<const uint8_t> payload);

  signals:
    // A line read, or a written line as the register gives it back.
    void LineReceived(const HeaderLine& line);

  private:
    [[nodiscard]] bool Start(Mode mode, QString& refusal);
    // Sends and waits for the current line's reply: 5 replied, 0 time-out, 7 cancelled.
    int Exchange(std::span<const uint8_t> frame);

    ReplyDispatcher& m_dispatcher;
    Mode m_mode = Mode::Idle;
    int m_line = 1;
    int m_charset = 0;
    bool m_busy = false;
    bool m_wrongLine = false;
    bool m_thanksPending = false;
    SessionSettings m_settings;
};
