#include "sales/StatusReplies.h"

#include "protocol/ReplyDispatcher.h"
#include "sales/SaleCommands.h"
#include "sales/SaleReplies.h"

StatusReplies::StatusReplies(ReplyDispatcher& dispatcher, QObject* parent)
    : QObject(parent), m_dispatcher(dispatcher) {
    setObjectName(QStringLiteral("StatusReplies"));
    m_dispatcher.SetHandler(ErrorStatusCode,
                            [this](std::span<const uint8_t> payload) { ErrorStatusReply(payload); });
    m_dispatcher.SetHandler(ReceiptStatusCode,
                            [this](std::span<const uint8_t> payload) { ReceiptStatusReply(payload); });
}

StatusReplies::~StatusReplies() {
    m_dispatcher.SetHandler(ErrorStatusCode, {});
    m_dispatcher.SetHandler(ReceiptStatusCode, {});
}

void StatusReplies::ReceiptStatusReply(std::span<const uint8_t> payload) {
    if (const auto text = DecodeReceiptStatus(payload, m_settings.Language)) {
        emit ReceiptStatusReceived(*text);
        emit ReceiptStateReceived(payload[1]);
    }
}

void StatusReplies::ErrorStatusReply(std::span<const uint8_t> payload) {
    if (const auto line = DecodeErrorStatus(payload, m_settings.Language))
        emit ErrorStatusReceived(payload[1], *line);
}
