#include "gateway/GatewayReplies.h"

#include "gateway/GatewayMessages.h"
#include "header/HeaderSequence.h"
#include "plu/PluTransfer.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "session/RegisterSession.h"

GatewayReply Failure(int status, const QString& text, const QJsonObject& extra) {
    QJsonObject body = extra;
    body.insert(QStringLiteral("error"), text);
    return {status, body};
}

QString SessionText(const RegisterSession& session, const Caption& caption) {
    return caption.Text(session.Settings().Language);
}

GatewayReply NoResponseReply(const RegisterSession& session, const QJsonObject& extra) {
    return Failure(504, SessionText(session, GatewayMessages::NoResponse), extra);
}

GatewayReply PortClosedReply(RegisterSession& session) {
    return Failure(
        503,
        SessionText(session, GatewayMessages::PortClosed).arg(session.RS232().Serial().CurrentDeviceName()));
}

std::optional<GatewayReply> LinkRefusal(RegisterSession& session) {
    if (session.Dispatcher().IsWaiting() || session.Transfer().IsRunning() || session.Header().IsBusy() ||
        session.PluSeries().IsRunning() || session.Reports().ZReportRunning())
        return Failure(503, SessionText(session, GatewayMessages::Busy));
    if (!session.Dispatcher().EnsurePortOpen())
        return PortClosedReply(session);
    return std::nullopt;
}

std::optional<GatewayReply> RegisterTextRefusal(const RegisterSession& session, const QString& text,
                                                const QString& field) {
    const int charset = session.Settings().Charset;
    for (const QChar c : text) {
        const std::optional<uint8_t> windows = CodePageByte(c, charset);
        if (!windows || ToRegisterChar(*windows, charset) == 0)
            return BadField(field,
                            SessionText(session, GatewayMessages::BadCharacter).arg(field, QString(c)));
    }
    return std::nullopt;
}
