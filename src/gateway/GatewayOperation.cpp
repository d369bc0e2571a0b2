#include "gateway/GatewayOperation.h"

#include <QJsonObject>

GatewayReply BadField(const QString& field, const QString& message) {
    return {400, QJsonObject{{"error", message}, {"field", field}}};
}

void GatewayOperation::FinishOnce(const GatewayReply& reply) {
    if (m_finished)
        return;
    m_finished = true;
    for (const QMetaObject::Connection& c : m_watched)
        disconnect(c);
    m_watched.clear();
    emit Finished(reply);
}
