#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/GatewayRequests.h"

#include <optional>

class RegisterSession;

// The receipt header: all eight lines read from the register, or lines 1 to 5
// written (every line checked before the first frame leaves) and given back
// as the register holds them.
class HeaderOperation : public GatewayOperation {
    Q_OBJECT
  public:
    explicit HeaderOperation(std::optional<HeaderChange> change, QObject* parent = nullptr);

    void Start(RegisterSession& session) override;

  private:
    [[nodiscard]] GatewayReply Run(RegisterSession& session);

    std::optional<HeaderChange> m_change;
};
