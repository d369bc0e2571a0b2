#include "gateway/ThanksOperation.h"

#include "gateway/GatewayMessages.h"
#include "gateway/GatewayReplies.h"
#include "header/HeaderFrames.h"
#include "header/HeaderMessages.h"
#include "header/HeaderSequence.h"
#include "session/RegisterSession.h"

#include <QDateTime>
#include <QJsonDocument>

namespace {

// Kept on the session, so that it lives and ends with its register.
constexpr const char* WrittenProperty = "orvexGatewayThanks";

} // namespace

ThanksOperation::ThanksOperation(std::optional<ThanksChange> change, QObject* parent)
    : GatewayOperation(parent), m_change(std::move(change)) {}

void ThanksOperation::Start(RegisterSession& session) {
    emit Finished(Run(session));
}

GatewayReply ThanksOperation::Run(RegisterSession& session) {
    if (!m_change) {
        const QJsonObject written =
            QJsonDocument::fromJson(session.property(WrittenProperty).toByteArray()).object();
        if (written.isEmpty())
            return Failure(404, SessionText(session, GatewayMessages::ThanksUnknown));
        return {200, written};
    }
    if (auto refusal = RegisterTextRefusal(session, m_change->Text, QStringLiteral("text")))
        return *refusal;
    if (auto refusal = LinkRefusal(session))
        return *refusal;
    const QString text = CenterThanksText(m_change->Text, m_change->Center);
    const HeaderSequence::Outcome outcome = session.Header().WriteThanks(text, session.Settings().Charset);
    if (outcome.Done) {
        const QJsonObject written{{"text", text},
                                  {"writtenAt", QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}};
        session.setProperty(WrittenProperty, QJsonDocument(written).toJson(QJsonDocument::Compact));
        return {200, written};
    }
    if (outcome.Message.isEmpty())
        return PortClosedReply(session);
    if (outcome.Message == SessionText(session, HeaderMessages::Busy))
        return Failure(503, outcome.Message);
    return Failure(504, outcome.Message);
}
