#pragma once

#include "gateway/GatewayOperation.h"
#include "sales/SaleCommands.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <variant>
#include <vector>

class PluTable;
struct BarcodeTypeTable;

// One frame of a receipt and what confirms it.
struct ReceiptStep {
    enum class Kind { Sale, Adjustment, Subtotal, Payment };
    Kind What = Kind::Sale;
    SaleFrame Frame;
    // The request's line (Sale, Adjustment) or payment index; -1 for a subtotal.
    int Index = -1;
    // The PLU a sale line sells.
    int Plu = -1;
    bool LastPayment = false;
    // A step whose effect shows in the receipt's subtotal whenever it was
    // carried out (a sale of at least one unit, an amount): when its record
    // is lost, the subtotal tells whether to send it again.
    bool Resendable = false;
    // A payment without an amount pays what is left.
    bool PaysTheRest = false;
    // The field of the request it comes from, "lines[2]".
    QString Field;
};

// A checked receipt: its frames in the order they are sent.
struct ReceiptPlan {
    std::vector<ReceiptStep> Steps;
};

// What a barcode line is read against: the PC's table and the weighing rules.
struct ReceiptContext {
    const PluTable* Table = nullptr;
    const BarcodeTypeTable* Rules = nullptr;
};

inline constexpr int MaxReceiptLines = 100;
inline constexpr int MaxReceiptPayments = 8;
inline constexpr int MaxIdempotencyKey = 100;

// A receipt body as the client sent it, every field checked:
//   {"lines": [{"plu": 5, "quantity": 2, "correction": false,
//               "adjustment": {"type": "decrement", "percent": 10}}, {"barcode": "2712345001500"}],
//    "subtotal": true,
//    "payments": [{"type": "card", "amount": 2.00}, {"type": "cash"}]}
// The refusal names the first field that fails, "lines[1].barcode".
[[nodiscard]] std::variant<GatewayReply, ReceiptPlan> DecodeReceipt(const QJsonValue& body,
                                                                    const ReceiptContext& context);

// The Idempotency-Key header: 1 to 100 of letters, digits and "-_.:". The
// refusal's text, empty when the key is good.
[[nodiscard]] QString IdempotencyKeyProblem(const QByteArray& key);
