#pragma once

#include "common/SessionSettings.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <span>

class ReplyDispatcher;

// The one handler of the register's error status reply (and of the receipt
// status reply beside it). The reply may answer
// the sales page's Error Status or the Reports page's Z report; both listen
// here, so neither takes the code away from the other.
class StatusReplies : public QObject {
    Q_OBJECT
  public:
    // Language, charset and separator of what it says and decodes.
    void SetSettings(const SessionSettings& settings) { m_settings = settings; }
    [[nodiscard]] const SessionSettings& Settings() const { return m_settings; }
    explicit StatusReplies(ReplyDispatcher& dispatcher, QObject* parent = nullptr);
    ~StatusReplies() override;

    void ErrorStatusReply(std::span<const uint8_t> payload);
    void ReceiptStatusReply(std::span<const uint8_t> payload);

  signals:
    // line: the error box's text in the language of the moment, empty for no
    // error. A reply too short to carry the status byte is not passed on.
    void ErrorStatusReceived(quint8 status, const QString& line);
    // The receipt status panel's text, empty for a state it does not know.
    void ReceiptStatusReceived(const QString& text);
    // The receipt status byte itself ('I' inside, 'O' outside, 'P' payment).
    void ReceiptStateReceived(quint8 state);

  private:
    ReplyDispatcher& m_dispatcher;
    SessionSettings m_settings;
};
