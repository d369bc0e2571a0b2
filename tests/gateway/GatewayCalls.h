#pragma once

#include "gateway/GatewayRequests.h"
#include "gateway/GatewayRoutes.h"

#include <QJsonArray>

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <optional>

// A call as the server would hand it on: its route found by method and path.
inline const GatewayRoute* FindRoute(const std::vector<GatewayRoute>& routes, const QByteArray& method,
                                     const QString& path) {
    for (const GatewayRoute& route : routes) {
        if (route.Method == method && route.Path == path)
            return &route;
    }
    return nullptr;
}

inline GatewayCall MakeCall(const QStringList& arguments = {}, const QString& query = {},
                            const QByteArray& body = {}) {
    GatewayCall call;
    call.Register = QStringLiteral("1");
    call.Arguments = arguments;
    call.Query = QUrlQuery(query);
    call.Body = QJsonValue(QJsonValue::Undefined);
    if (!body.isEmpty()) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(body, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << body.toStdString();
        call.Body = document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    }
    return call;
}

inline std::string Text(const QJsonValue& value) {
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact).toStdString();
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact).toStdString();
    return value.toVariant().toString().toStdString();
}
