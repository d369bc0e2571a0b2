#include "header/HeaderSequence.h"

#include "header/HeaderMessages.h"
#include "protocol/ReplyDispatcher.h"

#include <QCoreApplication>
#include <QStringList>

HeaderSequence::HeaderSequence(ReplyDispatcher& dispatcher, QObject* parent)
    : QObject(parent), m_dispatcher(dispatcher) {
    m_dispatcher.SetHandler(HeaderLineCode, [this](std::span<const uint8_t> p) { OnHeaderReply(p); });
    m_dispatcher.SetHandler(ThanksCode, [this](std::span<const uint8_t> p) { OnThanksReply(p); });
}

HeaderSequence::~HeaderSequence() {
    m_dispatcher.SetHandler(HeaderLineCode, {});
    m_dispatcher.SetHandler(ThanksCode, {});
}

bool HeaderSequence::CanStart() const {
    return !m_busy && !m_dispatcher.IsWaiting();
}

void HeaderSequence::ResetMode() {
    m_mode = Mode::Idle;
}

bool HeaderSequence::Start(Mode mode, QString& refusal) {
    // One exchange at a time: a second wait would take the first one's reply.
    if (!CanStart()) {
        refusal = HeaderMessages::Busy.Text(m_settings.Language);
        return false;
    }
    if (!m_dispatcher.EnsurePortOpen()) {
        refusal.clear();
        return false;
    }
    m_mode = mode;
    m_line = 1;
    return true;
}

int HeaderSequence::Exchange(std::span<const uint8_t> frame) {
    m_wrongLine = false;
    m_dispatcher.RS232().SendFrame(frame);
    int w = m_dispatcher.WaitReply(HeaderLineCode, ReplyDispatcher::ReplyTimeout);
    QCoreApplication::processEvents();
    if (!m_dispatcher.KeepWaiting())
        w = ReplyDispatcher::WaitCancelled;
    return w;
}

HeaderSequence::Outcome HeaderSequence::Read(int charset) {
    Outcome outcome;
    if (!Start(Mode::Reading, outcome.Message))
        return outcome;
    m_busy = true;
    m_charset = charset;
    int rerequests = 0;
    while (m_mode == Mode::Reading && m_line <= HeaderLineCount) {
        const int w = Exchange(EncodeHeaderRequest(m_line));
        if (w == ReplyDispatcher::WaitCancelled) {
            outcome.Message = HeaderMessages::ReadCancelled.Text(m_settings.Language).arg(m_line);
            break;
        }
        if (m_mode != Mode::Reading)
            break;
        if (w == ReplyDispatcher::WaitReplied) {
            rerequests = 0;
            ++m_line;
            continue;
        }
        if (!m_wrongLine) {
            outcome.Message = HeaderMessages::ReadTimeout.Text(m_settings.Language).arg(m_line);
            break;
        }
        if (++rerequests > Rerequests) {
            outcome.Message = HeaderMessages::WrongLine.Text(m_settings.Language).arg(m_line);
            break;
        }
    }
    outcome.Done = m_line > HeaderLineCount;
    if (!outcome.Done && outcome.Message.isEmpty())
        outcome.Message = HeaderMessages::ReadTimeout.Text(m_settings.Language).arg(m_line);
    m_mode = Mode::Idle;
    m_dispatcher.ClearExpectedReply();
    m_busy = false;
    return outcome;
}

HeaderSequence::Outcome HeaderSequence::Write(const std::array<LineContent, WritableHeaderLines>& lines,
                                              int charset) {
    Outcome outcome;
    std::array<HeaderFrame, WritableHeaderLines> frames;
    for (int i = 0; i < WritableHeaderLines; ++i) {
        LineFrameResult r = EncodeHeaderWrite(i + 1, lines[size_t(i)].Attributes, lines[size_t(i)].Text,
                                              charset, m_settings.Language);
        if (!r.Frame) {
            outcome.Message = r.Refusal;
            return outcome;
        }
        frames[size_t(i)] = std::move(*r.Frame);
    }
    if (!Start(Mode::Writing, outcome.Message))
        return outcome;
    m_busy = true;
    m_charset = charset;
    QStringList written;
    QString why;
    while (m_mode == Mode::Writing && m_line <= WritableHeaderLines) {
        const int w = Exchange(frames[size_t(m_line - 1)]);
        if (m_mode != Mode::Writing)
            break;
        if (w == ReplyDispatcher::WaitReplied) {
            written << QString::number(m_line);
            ++m_line;
            continue;
        }
        why = w == ReplyDispatcher::WaitCancelled ? HeaderMessages::Cancelled.Text(m_settings.Language)
              : m_wrongLine                       ? HeaderMessages::OtherLine.Text(m_settings.Language)
                                                  : HeaderMessages::NoAnswer.Text(m_settings.Language);
        break;
    }
    outcome.Done = m_line > WritableHeaderLines;
    if (outcome.Done) {
        m_dispatcher.RS232().SendFrame(EncodeHeaderEnd());
    } else {
        if (why.isEmpty())
            why = HeaderMessages::NoAnswer.Text(m_settings.Language);
        outcome.Message = HeaderMessages::WriteStopped.Text(m_settings.Language)
                              .arg(m_line)
                              .arg(why, written.isEmpty() ? HeaderMessages::None.Text(m_settings.Language)
                                                          : written.join(QStringLiteral(", ")));
    }
    m_mode = Mode::Idle;
    m_dispatcher.ClearExpectedReply();
    m_busy = false;
    return outcome;
}

HeaderSequence::Outcome HeaderSequence::WriteThanks(const QString& text, int charset) {
    Outcome outcome;
    LineFrameResult r = EncodeThanks(text, charset, m_settings.Language);
    if (!r.Frame) {
        outcome.Message = r.Refusal;
        return outcome;
    }
    if (!CanStart()) {
        outcome.Message = HeaderMessages::Busy.Text(m_settings.Language);
        return outcome;
    }
    if (!m_dispatcher.EnsurePortOpen())
        return outcome;
    m_busy = true;
    m_thanksPending = true;
    m_dispatcher.RS232().SendFrame(*r.Frame);
    int w = m_dispatcher.WaitReply(ThanksCode, ReplyDispatcher::ReplyTimeout);
    QCoreApplication::processEvents();
    if (!m_dispatcher.KeepWaiting())
        w = ReplyDispatcher::WaitCancelled;
    m_thanksPending = false;
    m_busy = false;
    outcome.Done = w == ReplyDispatcher::WaitReplied;
    if (!outcome.Done)
        outcome.Message = HeaderMessages::ThanksTimeout.Text(m_settings.Language);
    return outcome;
}

void HeaderSequence::OnHeaderReply(std::span<const uint8_t> payload) {
    // A reply after its sequence ended (a time-out, a take-over) changes nothing.
    if (m_mode == Mode::Idle)
        return;
    const std::optional<HeaderLine> line = DecodeHeaderReply(payload, m_charset);
    if (!line)
        return;
    if (line->Number != m_line) {
        m_wrongLine = true;
        return;
    }
    emit LineReceived(*line);
    m_dispatcher.CompleteWait();
}

void HeaderSequence::OnThanksReply(std::span<const uint8_t>) {
    if (m_thanksPending)
        m_dispatcher.CompleteWait();
}

void HeaderSequence::CancelThanks() {
    if (m_thanksPending)
        m_dispatcher.CancelWait();
}
