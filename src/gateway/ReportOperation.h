#pragma once

#include "gateway/GatewayOperation.h"

#include <QJsonArray>
#include <QMetaObject>
#include <cstdint>
#include <vector>

class RegisterSession;

// One daily report as figures: the tax groups ('f'), the departments ('g'),
// the daily status ('h'), the last Z report ('k'), or the operators ('j'),
// one after another, each awaited before the next is asked for (the reply
// does not name its operator).
class ReportOperation : public GatewayOperation {
    Q_OBJECT
  public:
    // operators: for 'j' only, the operator numbers in the order asked.
    explicit ReportOperation(uint8_t code, std::vector<int> operators = {}, QObject* parent = nullptr);

    void Start(RegisterSession& session) override;

  private:
    void Ask();
    void Received(const QByteArray& payload);
    void Unanswered(quint8 code);

    uint8_t m_code;
    std::vector<int> m_operators;
    size_t m_next = 0;
    QJsonArray m_answered;
    RegisterSession* m_session = nullptr;
};
