#include "gateway/HeaderOperation.h"

#include "gateway/GatewayMessages.h"
#include "gateway/GatewayReplies.h"
#include "header/HeaderMessages.h"
#include "header/HeaderSequence.h"
#include "session/RegisterSession.h"

#include <QJsonArray>
#include <map>

namespace {

QJsonObject LineJson(const HeaderLine& line) {
    const HeaderAttributes attributes = AttributesOf(line.Attribute).value_or(HeaderAttributes{});
    const int width = attributes.DoubleWidth ? DoubleWidthLineWidth : HeaderLineWidth;
    const bool writable = line.Number >= 1 && line.Number <= WritableHeaderLines;
    return {{"line", line.Number},
            {"text", WithoutTrailingBlanks(line.Text)},
            {"doubleWidth", attributes.DoubleWidth},
            {"doubleHeight", attributes.DoubleHeight},
            {"center", writable && IsHeaderCentred(line.Text, width)},
            {"writable", writable}};
}

} // namespace

HeaderOperation::HeaderOperation(std::optional<HeaderChange> change, QObject* parent)
    : GatewayOperation(parent), m_change(std::move(change)) {}

void HeaderOperation::Start(RegisterSession& session) {
    emit Finished(Run(session));
}

GatewayReply HeaderOperation::Run(RegisterSession& session) {
    if (m_change) {
        for (int i = 0; i < WritableLines; ++i) {
            if (auto refusal = RegisterTextRefusal(session, (*m_change)[size_t(i)].Text,
                                                   QStringLiteral("lines[%1].text").arg(i)))
                return *refusal;
        }
    }
    if (auto refusal = LinkRefusal(session))
        return *refusal;
    HeaderSequence& header = session.Header();
    const int charset = session.Settings().Charset;
    std::map<int, HeaderLine> lines;
    const QMetaObject::Connection received =
        connect(&header, &HeaderSequence::LineReceived, this,
                [&](const HeaderLine& line) { lines[line.Number] = line; });
    HeaderSequence::Outcome outcome;
    if (m_change) {
        std::array<HeaderSequence::LineContent, WritableHeaderLines> content;
        for (int i = 0; i < WritableLines; ++i) {
            const HeaderLineChange& line = (*m_change)[size_t(i)];
            const int width = line.DoubleWidth ? DoubleWidthLineWidth : HeaderLineWidth;
            content[size_t(i)] = {line.Center ? CenterHeaderText(line.Text, width, true) : line.Text,
                                  {line.DoubleWidth, line.DoubleHeight}};
        }
        outcome = header.Write(content, charset);
    } else {
        outcome = header.Read(charset);
    }
    disconnect(received);

    QJsonArray json;
    for (const auto& [number, line] : lines)
        json.append(LineJson(line));
    const QJsonObject body{{"lines", json}};
    if (outcome.Done)
        return {200, body};
    if (outcome.Message.isEmpty())
        return PortClosedReply(session);
    if (outcome.Message == SessionText(session, HeaderMessages::Busy))
        return Failure(503, outcome.Message, body);
    return Failure(504, outcome.Message, body);
}
