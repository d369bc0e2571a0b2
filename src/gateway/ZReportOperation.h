#pragma once

#include "gateway/GatewayOperation.h"

#include <QMetaObject>
#include <vector>

class RegisterSession;

// Runs the Z report, which closes the register's day. The register answers
// with its error status: 0 is done, any other code is its refusal (422).
class ZReportOperation : public GatewayOperation {
    Q_OBJECT
  public:
    using GatewayOperation::GatewayOperation;

    void Start(RegisterSession& session) override;

  private:
};
