#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/GatewayRequests.h"
#include "plu/PluRecord.h"

#include <QJsonObject>
#include <QStringList>
#include <optional>

class RegisterSession;

// A PLU between a call's JSON and the register's record.

// Both texts of a PLU change, field names after prefix.
[[nodiscard]] std::optional<GatewayReply> PluTextRefusal(const RegisterSession& session,
                                                         const PluChange& change, const QString& prefix = {});

// A PLU as the register reported it: its texts through the charset, stock
// and quantity in units (thousandths turned into decimals for PLUs not sold
// by the item).
[[nodiscard]] QJsonObject PluJson(const PluRecord& record, int n, int charset);
// The change put into a table entry, as the PLU page puts its fields.
void ApplyPluChange(PluRecord& entry, const PluChange& change, int charset);
// The fields of change the register's record does not hold; empty when it took them all.
[[nodiscard]] QStringList PluDifferences(const PluRecord& registered, const PluChange& change, int n,
                                         int charset);
