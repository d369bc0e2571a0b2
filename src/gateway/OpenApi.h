#pragma once

#include <QJsonObject>

// The OpenAPI 3 description of each call the gateway itself serves, kept
// beside its route table in GatewayServer, and the document around them.
[[nodiscard]] QJsonObject HealthDoc();
[[nodiscard]] QJsonObject OpenApiDoc();
[[nodiscard]] QJsonObject RegistersDoc();
[[nodiscard]] QJsonObject StatusDoc();
[[nodiscard]] QJsonObject JournalDoc();
[[nodiscard]] QJsonObject JournalStreamDoc();
[[nodiscard]] QJsonObject PostReceiptDoc();
[[nodiscard]] QJsonObject GetReceiptDoc();
[[nodiscard]] QJsonObject GetJobDoc();
[[nodiscard]] QJsonObject DeleteJobDoc();

// The whole document around the given "paths".
[[nodiscard]] QJsonObject OpenApiShell(const QJsonObject& paths);
