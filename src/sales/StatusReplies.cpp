#include "sales/StatusReplies.h"

#include "common/ShellSettings.h"
#include "protocol/ReplyDispatcher.h"
#include "sales/SaleReplies.h"

StatusReplies::StatusReplies(ReplyDispatcher& dispatcher, QObject* parent)
    : QObject(parent), m_dispatcher(dispatcher) {
    setObjectName(QStringLiteral("StatusReplies"));
    m_dispatcher.SetHandler(ErrorStatusCode,
                            [this](std::span<const uint8_t> payload) { ErrorStatusReply(payload); });
}

StatusReplies::~StatusReplies() {
    m_dispatcher.SetHandler(ErrorStatusCode, {});
}

void StatusReplies::ErrorStatusReply(std::span<const uint8_t> payload) {
    if (const auto line = DecodeErrorStatus(payload, Shell().UiLanguage))
        emit ErrorStatusReceived(payload[1], *line);
}
