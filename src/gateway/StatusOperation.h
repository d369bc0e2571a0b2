#pragma once

#include "gateway/GatewayOperation.h"

#include <QJsonObject>
#include <QList>
#include <QMetaObject>
#include <QTimer>
#include <cstdint>

// The register's error status byte for programs: {"status": 66, "code": "E42",
// "text": ..., "textSr": ...}; nothing but the status for no error.
[[nodiscard]] QJsonObject RegisterErrorJson(uint8_t status);
// 'I', 'O', 'P' of a receipt status reply: "inside", "outside", "payment".
[[nodiscard]] QString ReceiptStateName(uint8_t state);

// GET status: the receipt status 'V', the last error 'X' and the clock 'Q',
// asked one after another.
class StatusOperation : public GatewayOperation {
    Q_OBJECT
  public:
    explicit StatusOperation(int answerTimeoutMs, QObject* parent = nullptr);
    void Start(RegisterSession& session) override;

  private:
    void Ask(uint8_t code);
    void Next();
    void Done();

    RegisterSession* m_session = nullptr;
    QList<QMetaObject::Connection> m_connections;
    QTimer m_timer;
    int m_stage = 0;
    bool m_anyAnswer = false;
    bool m_finished = false;
    QJsonObject m_result;
};
