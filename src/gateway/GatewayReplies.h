#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/GatewayRequests.h"

#include <QJsonObject>
#include <QString>
#include <optional>

class RegisterSession;
struct Caption;

// The replies and checks the register calls share.

// status {"error": text, ...extra}.
[[nodiscard]] GatewayReply Failure(int status, const QString& text, const QJsonObject& extra = {});
// 504: the register did not answer.
[[nodiscard]] GatewayReply NoResponseReply(const RegisterSession& session, const QJsonObject& extra = {});
[[nodiscard]] QString SessionText(const RegisterSession& session, const Caption& caption);

// 503: the port cannot be opened.
[[nodiscard]] GatewayReply PortClosedReply(RegisterSession& session);
// Nothing when the link is free and open; otherwise the 503 saying why not.
// Nothing has been sent either way.
[[nodiscard]] std::optional<GatewayReply> LinkRefusal(RegisterSession& session);

// 400 naming field when a character of text has no form in the register's charset.
[[nodiscard]] std::optional<GatewayReply> RegisterTextRefusal(const RegisterSession& session,
                                                              const QString& text, const QString& field);
