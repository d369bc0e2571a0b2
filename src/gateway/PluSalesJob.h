#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/GatewayRequests.h"

#include <QJsonArray>
#include <QMetaObject>
#include <vector>

class RegisterSession;

// The day's sales of every PLU of a range, one request per PLU at the
// register's pace. PLUs that sold nothing are left out; PLUs the register did
// not answer for are named, and make the reply a 504.
class PluSalesJob : public GatewayOperation {
    Q_OBJECT
  public:
    explicit PluSalesJob(PluRange range, QObject* parent = nullptr);

    void Start(RegisterSession& session) override;
    void Cancel() override;

  private:
    void Received(const QByteArray& payload);
    void Ended(int end);
    [[nodiscard]] QJsonObject Outcome() const;

    PluRange m_range;
    RegisterSession* m_session = nullptr;
    QJsonArray m_sold;
    bool m_cancelled = false;
};
