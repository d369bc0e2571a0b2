#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <span>

class ReplyDispatcher;

// The one handler of the register's error status reply. The reply may answer
// the sales page's Error Status or the Reports page's Z report; both listen
// here, so neither takes the code away from the other.
class StatusReplies : public QObject {
    Q_OBJECT
  public:
    explicit StatusReplies(ReplyDispatcher& dispatcher, QObject* parent = nullptr);
    ~StatusReplies() override;

    void ErrorStatusReply(std::span<const uint8_t> payload);

  signals:
    // line: the error box's text in the language of the moment, empty for no
    // error. A reply too short to carry the status byte is not passed on.
    void ErrorStatusReceived(quint8 status, const QString& line);

  private:
    ReplyDispatcher& m_dispatcher;
};
