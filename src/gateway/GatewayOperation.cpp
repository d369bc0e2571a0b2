#include "gateway/GatewayOperation.h"

#include <QJsonObject>

GatewayReply BadField(const QString& field, const QString& message)
{
    return {400, QJsonObject{{"error", message}, {"field", field}}};
}
