#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/GatewayRequests.h"

#include <optional>

class RegisterSession;

// The thanks message. The register only takes it and never gives it back, so
// reading answers with the last message written through this service to the
// session's register, and says so when there is none.
class ThanksOperation : public GatewayOperation {
    Q_OBJECT
  public:
    explicit ThanksOperation(std::optional<ThanksChange> change, QObject* parent = nullptr);

    void Start(RegisterSession& session) override;

  private:
    [[nodiscard]] GatewayReply Run(RegisterSession& session);

    std::optional<ThanksChange> m_change;
};
