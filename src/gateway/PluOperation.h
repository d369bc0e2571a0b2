#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/GatewayRequests.h"

#include <optional>

class RegisterSession;

// One PLU read from the register, or written to it (the constant fields, and
// the stock when the call gives one). The PC's table takes the register's
// record, as the PLU page's single read and write do; a write the register
// never confirmed leaves the entry as it was.
class PluOperation : public GatewayOperation {
    Q_OBJECT
  public:
    PluOperation(int plu, std::optional<PluChange> change, QObject* parent = nullptr);

    void Start(RegisterSession& session) override;

  private:
    [[nodiscard]] GatewayReply Run(RegisterSession& session);

    int m_plu;
    std::optional<PluChange> m_change;
};
