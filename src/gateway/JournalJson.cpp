#include "gateway/JournalJson.h"

#include <QJsonArray>
#include <QString>
#include <cmath>

namespace {

double Units(const std::optional<int64_t>& hundredths) {
    return double(hundredths.value_or(0)) / 100.0;
}

double Quantity(const JournalRecord& r) {
    return double(r.Quantity.value_or(0)) / 10000.0;
}

QJsonArray Departments(const JournalRecord& r) {
    QJsonArray amounts;
    for (const int64_t amount : r.DepartmentAmounts)
        amounts.append(double(amount) / 100.0);
    return amounts;
}

int64_t Scaled(const QJsonValue& v, double scale) {
    return std::llround(v.toDouble() * scale);
}

} // namespace

QJsonObject JournalRecordJson(const JournalRecord& r, int charset) {
    QJsonObject o;
    o.insert("code", QString(QChar(r.Code)));
    const QString kind = SaleKindName(r.Kind());
    switch (r.Code) {
    case '@':
        o.insert("operator", r.Operator.value_or(0));
        o.insert("receiptNumber", double(r.ReceiptNumber.value_or(0)));
        break;
    case 'A':
        o.insert("department", r.Department.value_or(0));
        o.insert("price", Units(r.Price));
        o.insert("quantity", Quantity(r));
        o.insert("kind", kind);
        break;
    case 'B':
        o.insert("plu", r.Plu.value_or(0));
        o.insert("description", r.DescriptionText(charset).trimmed());
        o.insert("price", Units(r.Price));
        o.insert("department", r.Department.value_or(0));
        o.insert("unit", r.Unit.value_or(0));
        o.insert("barcode", r.BarcodeText(charset));
        o.insert("quantity", Quantity(r));
        o.insert("kind", kind);
        break;
    case 'C':
    case 'D':
        o.insert("department", r.Department.value_or(0));
        o.insert("amount", Units(r.Amount));
        o.insert("kind", kind);
        break;
    case 'E':
    case 'F':
        o.insert("department", r.Department.value_or(0));
        o.insert("amount", Units(r.Amount));
        o.insert("percent", Units(r.Percent));
        o.insert("kind", kind);
        break;
    case 'G':
    case 'H':
        o.insert("departments", Departments(r));
        o.insert("kind", kind);
        break;
    case 'I':
    case 'J':
        o.insert("departments", Departments(r));
        o.insert("percent", Units(r.Percent));
        o.insert("kind", kind);
        break;
    case 'L':
        o.insert("amount", Units(r.Amount));
        break;
    case 'M':
        o.insert("tickets", double(r.Tickets.value_or(0)));
        o.insert("price", Units(r.Price));
        break;
    case 'O': {
        const JournalClock clock = r.Clock.value_or(JournalClock{});
        o.insert("total", Units(r.Amount));
        o.insert("receiptNumber", double(r.ReceiptNumber.value_or(0)));
        o.insert("pieces", double(r.Pieces.value_or(0)));
        o.insert("registerNumber", r.RegisterNumber.value_or(0));
        o.insert("date", QString::asprintf("%04d-%02d-%02d", clock.Year, clock.Month, clock.Day));
        o.insert("time", QString::asprintf("%02d:%02d", clock.Hour, clock.Minute));
        break;
    }
    case '?':
        o.insert("department", r.Department.value_or(0));
        o.insert("price", Units(r.Price));
        o.insert("description", r.DescriptionText(charset).trimmed());
        o.insert("quantity", Quantity(r));
        o.insert("kind", kind);
        break;
    default:
        break;
    }
    return o;
}

JournalRecord JournalRecordFromJson(const QJsonObject& json) {
    JournalRecord r;
    const QString code = json["code"].toString();
    r.Code = code.size() == 1 ? uint8_t(code[0].toLatin1()) : 0;
    const QString kind = json["kind"].toString();
    r.SaleKindByte = kind == QLatin1String("normal")       ? 'N'
                     : kind == QLatin1String("return")     ? 'R'
                     : kind == QLatin1String("correction") ? 'C'
                                                           : 0;
    if (json.contains("price"))
        r.Price = Scaled(json["price"], 100.0);
    if (json.contains("quantity"))
        r.Quantity = Scaled(json["quantity"], 10000.0);
    if (json.contains("amount"))
        r.Amount = Scaled(json["amount"], 100.0);
    return r;
}
