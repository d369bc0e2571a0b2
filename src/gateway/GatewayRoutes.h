#pragma once

#include "gateway/GatewayOperation.h"

#include <QJsonObject>
#include <vector>

// The calls on one register's reports, PLUs, header and thanks message, under
// /v1/registers/{id}/.
[[nodiscard]] std::vector<GatewayRoute> RegisterOperationRoutes();

// The OpenAPI 3 "paths" of exactly those calls, keyed by their full paths
// ("/v1/registers/{id}/plus/{plu}"), with their bodies and replies. Schemas
// are referred to under #/components/schemas, which RegisterOperationSchemas
// gives.
[[nodiscard]] QJsonObject RegisterOperationPaths();
[[nodiscard]] QJsonObject RegisterOperationSchemas();
