#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/GatewayRequests.h"

#include <optional>

class RegisterSession;

// A range of PLUs read from the register into the PC's table, or written to
// it from the call's records, one PLU at a time with its progress; Cancel
// stops it after the PLU on the line. The reply says how far it came and, for
// a read, holds the PLUs read.
class PluRangeJob : public GatewayOperation {
    Q_OBJECT
  public:
    explicit PluRangeJob(PluRange read, QObject* parent = nullptr);
    explicit PluRangeJob(PluRangeWrite write, QObject* parent = nullptr);

    void Start(RegisterSession& session) override;
    void Cancel() override;

  private:
    [[nodiscard]] GatewayReply Run(RegisterSession& session);

    PluRange m_range;
    std::optional<PluRangeWrite> m_write;
    RegisterSession* m_session = nullptr;
    bool m_cancelled = false;
};
