#include "gateway/ReceiptRequest.h"

#include "barcodes/BarcodeTypeTable.h"
#include "barcodes/WeighingBarcode.h"
#include "database/PluTable.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <cmath>
#include <optional>

namespace {

using Refusal = std::optional<GatewayReply>;

Refusal Unknown(const QJsonObject& o, const QString& prefix, std::initializer_list<const char*> known) {
    QSet<QString> allowed;
    for (const char* k : known)
        allowed.insert(QString::fromLatin1(k));
    for (auto it = o.begin(); it != o.end(); ++it) {
        // A field with an empty name is named by its quotes, so the refusal still names something.
        if (!allowed.contains(it.key()))
            return BadField(prefix + (it.key().isEmpty() ? QStringLiteral("\"\"") : it.key()),
                            QStringLiteral("unknown field"));
    }
    return std::nullopt;
}

// A number from above 0 to max that keeps its value at the given number of decimals.
Refusal Number(const QJsonValue& v, const QString& field, double max, int decimals, double& out) {
    if (!v.isDouble())
        return BadField(field, QStringLiteral("must be a number"));
    const double x = v.toDouble();
    const double scale = std::pow(10.0, decimals);
    if (!std::isfinite(x) || x <= 0 || x > max || std::llround(x * scale) < 1)
        return BadField(field, QStringLiteral("must be above 0 and at most %1").arg(max, 0, 'f', decimals));
    if (std::fabs(x * scale - std::round(x * scale)) > 1e-6 * std::max(1.0, x * scale))
        return BadField(field, QStringLiteral("has more than %1 decimals").arg(decimals));
    out = x;
    return std::nullopt;
}

std::optional<int> ExactBarcode(const PluTable& table, const QByteArray& barcode) {
    for (int n = 0; n < PluTable::Size; ++n) {
        if (table[n].BarcodeText() == barcode)
            return n;
    }
    return std::nullopt;
}

Refusal Line(const QJsonValue& value, int index, const ReceiptContext& context, ReceiptPlan& plan) {
    const QString f = QStringLiteral("lines[%1]").arg(index);
    if (!value.isObject())
        return BadField(f, QStringLiteral("must be an object"));
    const QJsonObject o = value.toObject();
    if (Refusal r = Unknown(o, f + '.', {"plu", "barcode", "quantity", "correction", "adjustment"}))
        return r;
    if (o.contains("plu") == o.contains("barcode"))
        return BadField(f, QStringLiteral("needs either plu or barcode"));
    std::optional<double> quantity;
    if (o.contains("quantity")) {
        double q = 0;
        if (Refusal r = Number(o["quantity"], f + ".quantity", MaxQuantity, 3, q))
            return r;
        quantity = q;
    }
    int plu = -1;
    if (o.contains("plu")) {
        const QJsonValue v = o["plu"];
        if (!v.isDouble() || v.toDouble() != std::floor(v.toDouble()))
            return BadField(f + ".plu", QStringLiteral("must be a whole number"));
        if (v.toDouble() < 0 || v.toDouble() > MaxPluNumber)
            return BadField(f + ".plu", QStringLiteral("must be from 0 to %1").arg(MaxPluNumber));
        plu = v.toInt();
    } else {
        const QJsonValue v = o["barcode"];
        if (!v.isString())
            return BadField(f + ".barcode", QStringLiteral("must be a text"));
        const QString text = v.toString();
        bool printable = !text.isEmpty() && text.size() <= 19;
        for (const QChar c : text)
            printable = printable && c.unicode() > 0x20 && c.unicode() < 0x7F;
        if (!printable)
            return BadField(f + ".barcode", QStringLiteral("must be 1 to 19 printable ASCII characters"));
        const QByteArray bytes = text.toLatin1();
        std::optional<WeighingMatch> weighed;
        if (context.Table && context.Rules)
            weighed = DecodeWeighingBarcode(bytes, *context.Rules, *context.Table);
        if (weighed) {
            if (quantity)
                return BadField(f + ".quantity",
                                QStringLiteral("a weighing barcode carries its own quantity"));
            if (weighed->WeightKg <= 0 || weighed->WeightKg > MaxQuantity)
                return BadField(f + ".barcode", QStringLiteral("its weight is out of range"));
            plu = weighed->Plu;
            quantity = weighed->WeightKg;
        } else {
            const std::optional<int> found =
                context.Table ? ExactBarcode(*context.Table, bytes) : std::nullopt;
            if (!found)
                return BadField(f + ".barcode", QStringLiteral("no PLU has this barcode"));
            plu = *found;
        }
    }
    bool correction = false;
    if (o.contains("correction")) {
        if (!o["correction"].isBool())
            return BadField(f + ".correction", QStringLiteral("must be true or false"));
        correction = o["correction"].toBool();
    }
    if (correction && plan.Steps.empty())
        return BadField(f + ".correction", QStringLiteral("a receipt starts with a sale"));
    plan.Steps.push_back({ReceiptStep::Kind::Sale,
                          EncodePluSale(plu, quantity, correction ? SaleKindCorrection : SaleKindNormal),
                          index, plu, false, quantity.value_or(1.0) >= 1.0, false, f});
    if (!o.contains("adjustment"))
        return std::nullopt;
    const QString a = f + ".adjustment";
    if (!o["adjustment"].isObject())
        return BadField(a, QStringLiteral("must be an object"));
    if (correction)
        return BadField(a, QStringLiteral("a correction takes no adjustment"));
    const QJsonObject adj = o["adjustment"].toObject();
    if (Refusal r = Unknown(adj, a + '.', {"type", "amount", "percent"}))
        return r;
    const QString type = adj["type"].toString();
    if (type != QLatin1String("increment") && type != QLatin1String("decrement"))
        return BadField(a + ".type", QStringLiteral("must be \"increment\" or \"decrement\""));
    if (adj.contains("amount") == adj.contains("percent"))
        return BadField(a, QStringLiteral("needs either amount or percent"));
    double x = 0;
    if (adj.contains("amount")) {
        if (Refusal r = Number(adj["amount"], a + ".amount", MaxAmount, 2, x))
            return r;
        plan.Steps.push_back({ReceiptStep::Kind::Adjustment,
                              EncodeAmountChange(type == QLatin1String("increment"), x), index, plu, false,
                              true, false, a});
    } else {
        if (Refusal r = Number(adj["percent"], a + ".percent", MaxPercent, 2, x))
            return r;
        plan.Steps.push_back({ReceiptStep::Kind::Adjustment,
                              EncodePercentChange(type == QLatin1String("increment"), x), index, plu, false,
                              false, false, a});
    }
    return std::nullopt;
}

Refusal Payment(const QJsonValue& value, int index, bool last, ReceiptPlan& plan) {
    const QString f = QStringLiteral("payments[%1]").arg(index);
    if (!value.isObject())
        return BadField(f, QStringLiteral("must be an object"));
    const QJsonObject o = value.toObject();
    if (Refusal r = Unknown(o, f + '.', {"type", "amount"}))
        return r;
    const QString type = o["type"].toString();
    uint8_t code = 0;
    if (type == QLatin1String("cash"))
        code = PayCash;
    else if (type == QLatin1String("card"))
        code = PayCard;
    else if (type == QLatin1String("cheque"))
        code = PayCheque;
    else
        return BadField(f + ".type", QStringLiteral("must be \"cash\", \"card\" or \"cheque\""));
    std::optional<double> amount;
    if (o.contains("amount")) {
        double x = 0;
        if (Refusal r = Number(o["amount"], f + ".amount", MaxPayment, 2, x))
            return r;
        amount = x;
    } else if (!last) {
        return BadField(f + ".amount", QStringLiteral("only the last payment may leave out its amount"));
    }
    plan.Steps.push_back(
        {ReceiptStep::Kind::Payment, EncodePayment(code, amount), index, -1, last, false, !amount, f});
    return std::nullopt;
}

} // namespace

std::variant<GatewayReply, ReceiptPlan> DecodeReceipt(const QJsonValue& body, const ReceiptContext& context) {
    if (!body.isObject())
        return BadField(QStringLiteral("body"), QStringLiteral("must be a JSON object"));
    const QJsonObject o = body.toObject();
    if (Refusal r = Unknown(o, QString(), {"lines", "subtotal", "payments"}))
        return *r;
    const QJsonValue lines = o["lines"];
    if (!lines.isArray())
        return BadField(QStringLiteral("lines"), QStringLiteral("must be an array"));
    const QJsonArray lineArray = lines.toArray();
    if (lineArray.isEmpty() || lineArray.size() > MaxReceiptLines)
        return BadField(QStringLiteral("lines"),
                        QStringLiteral("must hold 1 to %1 lines").arg(MaxReceiptLines));
    ReceiptPlan plan;
    for (int i = 0; i < lineArray.size(); ++i) {
        if (Refusal r = Line(lineArray[i], i, context, plan))
            return *r;
    }
    if (o.contains("subtotal")) {
        if (!o["subtotal"].isBool())
            return BadField(QStringLiteral("subtotal"), QStringLiteral("must be true or false"));
        if (o["subtotal"].toBool())
            plan.Steps.push_back({ReceiptStep::Kind::Subtotal, EncodeSingle(SubtotalCode), -1, -1, false,
                                  true, false, QStringLiteral("subtotal")});
    }
    const QJsonValue payments = o["payments"];
    if (!payments.isArray())
        return BadField(QStringLiteral("payments"), QStringLiteral("must be an array"));
    const QJsonArray payArray = payments.toArray();
    if (payArray.isEmpty() || payArray.size() > MaxReceiptPayments)
        return BadField(QStringLiteral("payments"),
                        QStringLiteral("must hold 1 to %1 payments").arg(MaxReceiptPayments));
    for (int i = 0; i < payArray.size(); ++i) {
        if (Refusal r = Payment(payArray[i], i, i + 1 == payArray.size(), plan))
            return *r;
    }
    return plan;
}

QString IdempotencyKeyProblem(const QByteArray& key) {
    if (key.isEmpty())
        return QStringLiteral("the Idempotency-Key header is required");
    if (key.size() > MaxIdempotencyKey)
        return QStringLiteral("the Idempotency-Key header is longer than %1 characters")
            .arg(MaxIdempotencyKey);
    for (const char c : key) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok)
            return QStringLiteral("the Idempotency-Key header holds letters, digits and -_.: only");
    }
    return QString();
}
