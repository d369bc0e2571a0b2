#include "gateway/GatewayRequests.h"

#include "header/HeaderFrames.h"
#include "plu/PluRecord.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

namespace {

// The fields of one JSON object, read one by one; the first fault is kept.
class FieldReader {
  public:
    FieldReader(const QJsonObject& object, const QString& prefix) : m_object(object), m_prefix(prefix) {}

    [[nodiscard]] QString Name(const QString& key) const { return m_prefix + key; }
    void Fail(const QString& key, const QString& why) {
        if (!m_refusal)
            m_refusal = BadField(Name(key), Name(key) + QLatin1Char(' ') + why);
    }
    [[nodiscard]] const std::optional<GatewayReply>& Refusal() const { return m_refusal; }

    // Keys outside known, and the read-only ones, are refused by name.
    void OnlyKeys(const QStringList& known, const QStringList& readOnly = {}) {
        for (const QString& key : m_object.keys()) {
            if (readOnly.contains(key))
                Fail(key, QStringLiteral("is reported by the register and cannot be written"));
            else if (!known.contains(key))
                Fail(key, QStringLiteral("is not a field of this call"));
        }
    }

    [[nodiscard]] bool Has(const QString& key) const { return m_object.contains(key); }

    std::optional<QString> Text(const QString& key, int maxLength, bool required) {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined()) {
            if (required)
                Fail(key, QStringLiteral("is missing"));
            return required ? std::nullopt : std::optional<QString>(QString());
        }
        if (!v.isString()) {
            Fail(key, QStringLiteral("must be a string"));
            return std::nullopt;
        }
        const QString text = v.toString();
        for (const QChar c : text) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
                Fail(key, QStringLiteral("holds a control character"));
                return std::nullopt;
            }
        }
        if (maxLength >= 0 && text.size() > maxLength) {
            Fail(key,
                 QStringLiteral("has %1 characters; it takes at most %2").arg(text.size()).arg(maxLength));
            return std::nullopt;
        }
        return text;
    }

    std::optional<bool> Flag(const QString& key, bool fallback) {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined())
            return fallback;
        if (!v.isBool()) {
            Fail(key, QStringLiteral("must be true or false"));
            return std::nullopt;
        }
        return v.toBool();
    }

    std::optional<double> Number(const QString& key, bool required) {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined()) {
            if (required)
                Fail(key, QStringLiteral("is missing"));
            return std::nullopt;
        }
        if (!v.isDouble() || !std::isfinite(v.toDouble())) {
            Fail(key, QStringLiteral("must be a number"));
            return std::nullopt;
        }
        return v.toDouble();
    }

    std::optional<int> Whole(const QString& key, int min, int max, std::optional<int> fallback) {
        if (!Has(key) && fallback)
            return fallback;
        const std::optional<double> d = Number(key, true);
        if (!d)
            return std::nullopt;
        if (*d != std::floor(*d) || *d < min || *d > max) {
            Fail(key, QStringLiteral("must be a whole number from %1 to %2").arg(min).arg(max));
            return std::nullopt;
        }
        return int(*d);
    }

  private:
    const QJsonObject& m_object;
    QString m_prefix;
    std::optional<GatewayReply> m_refusal;
};

// value × scale as a whole number when it has no more decimals than scale
// allows and lies within 0..max.
std::optional<uint32_t> Scaled(double value, double scale, uint32_t max) {
    const double scaled = value * scale;
    const double whole = std::round(scaled);
    if (value < 0 || whole > double(max) || std::fabs(scaled - whole) > 1e-4)
        return std::nullopt;
    return uint32_t(whole);
}

std::optional<GatewayReply> NotAnObject(const QJsonValue& body, const QString& field) {
    if (body.isObject())
        return std::nullopt;
    if (field.isEmpty())
        return GatewayReply{400, QJsonObject{{"error", QStringLiteral("The body must be a JSON object")}}};
    return BadField(field, field + QStringLiteral(" must be a JSON object"));
}

} // namespace

std::optional<GatewayReply> OnlyQueryItems(const QUrlQuery& query, const QStringList& names) {
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (!names.contains(key))
            return BadField(key, key + QStringLiteral(" is not a parameter of this call"));
        if (query.allQueryItemValues(key).size() > 1)
            return BadField(key, key + QStringLiteral(" is given more than once"));
    }
    return std::nullopt;
}

std::optional<GatewayReply> NoBody(const QJsonValue& body) {
    if (body.isUndefined() || body.isNull())
        return std::nullopt;
    return GatewayReply{400, QJsonObject{{"error", QStringLiteral("This call takes no body")}}};
}

namespace {

Checked<int> WholeText(const QString& text, const QString& field, int min, int max, const QString& what) {
    const QString refusal = QStringLiteral("%1 must be %2 from %3 to %4").arg(field, what).arg(min).arg(max);
    if (text.isEmpty() || text.size() > 5)
        return BadField(field, refusal);
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return BadField(field, refusal);
    }
    const int n = text.toInt();
    if (n < min || n > max)
        return BadField(field, refusal);
    return n;
}

} // namespace

Checked<int> CheckPluNumber(const QString& text, const QString& field) {
    return WholeText(text, field, 0, PluCount - 1, QStringLiteral("a PLU number"));
}

Checked<int> CheckOperator(const QString& text, const QString& field) {
    return WholeText(text, field, 1, OperatorCount, QStringLiteral("an operator number"));
}

Checked<PluRange> CheckPluRange(const QUrlQuery& query) {
    if (auto refusal = OnlyQueryItems(query, {QStringLiteral("from"), QStringLiteral("to")}))
        return *refusal;
    PluRange range;
    for (const auto& [name, target] :
         {std::pair{QStringLiteral("from"), &range.From}, std::pair{QStringLiteral("to"), &range.To}}) {
        if (!query.hasQueryItem(name))
            return BadField(name, name + QStringLiteral(" is missing"));
        Checked<int> n = CheckPluNumber(query.queryItemValue(name, QUrl::FullyDecoded), name);
        if (auto* refusal = std::get_if<GatewayReply>(&n))
            return *refusal;
        *target = std::get<int>(n);
    }
    if (range.From > range.To)
        return BadField(QStringLiteral("to"), QStringLiteral("to must not be below from"));
    return range;
}

Checked<PluChange> CheckPluChange(const QJsonValue& body, const QString& field) {
    const QString objectName = field.endsWith(QLatin1Char('.')) ? field.chopped(1) : field;
    if (auto refusal = NotAnObject(body, objectName))
        return *refusal;
    const QJsonObject object = body.toObject();
    FieldReader r(object, field);
    r.OnlyKeys({QStringLiteral("description"), QStringLiteral("price"), QStringLiteral("department"),
                QStringLiteral("active"), QStringLiteral("unit"), QStringLiteral("barcode"),
                QStringLiteral("stock"), QStringLiteral("stockProgrammed")},
               {QStringLiteral("plu"), QStringLiteral("quantity"), QStringLiteral("total"),
                QStringLiteral("decimalQuantity"), QStringLiteral("freePrice")});
    PluChange change;
    const auto description = r.Text(QStringLiteral("description"), DescriptionLength, true);
    const auto price = r.Number(QStringLiteral("price"), true);
    const auto department = r.Whole(QStringLiteral("department"), 0, MaxDepartment, 0);
    const auto active = r.Flag(QStringLiteral("active"), false);
    const auto unit = r.Whole(QStringLiteral("unit"), 0, UnitCount - 1, 0);
    const auto barcode = r.Text(QStringLiteral("barcode"), BarcodeLength, false);
    const auto stockProgrammed = r.Flag(QStringLiteral("stockProgrammed"), false);
    const auto stock = r.Number(QStringLiteral("stock"), false);
    if (r.Refusal())
        return *r.Refusal();
    change.Description = *description;
    const auto hundredths = Scaled(*price, 100.0, MaxPriceHundredths);
    if (!hundredths) {
        r.Fail(QStringLiteral("price"),
               QStringLiteral("must be from 0 to 999999.99, with at most two decimals"));
        return *r.Refusal();
    }
    change.PriceHundredths = *hundredths;
    change.Department = *department;
    if (*active && *department == 0) {
        r.Fail(QStringLiteral("active"), QStringLiteral("cannot be true for a PLU without a department"));
        return *r.Refusal();
    }
    change.Active = *active;
    change.Unit = *unit;
    change.Barcode = *barcode;
    change.StockProgrammed = *stockProgrammed;
    if (stock) {
        // Pieces are whole; every other unit counts thousandths in the same eight digits.
        const bool pieces = change.Unit == 0;
        change.Stock = Scaled(*stock, pieces ? 1.0 : 1000.0, MaxStockDigits);
        if (!change.Stock) {
            r.Fail(QStringLiteral("stock"),
                   pieces ? QStringLiteral(
                                "must be a whole number from 0 to 99999999 for a PLU sold by the item")
                          : QStringLiteral("must be from 0 to 99999.999, with at most three decimals"));
            return *r.Refusal();
        }
    }
    return change;
}

Checked<PluRangeWrite> CheckPluRangeWrite(const QJsonValue& body) {
    if (auto refusal = NotAnObject(body, {}))
        return *refusal;
    const QJsonObject object = body.toObject();
    FieldReader r(object, {});
    r.OnlyKeys({QStringLiteral("from"), QStringLiteral("plus")});
    const auto from = r.Whole(QStringLiteral("from"), 0, PluCount - 1, std::nullopt);
    if (r.Refusal())
        return *r.Refusal();
    const QJsonValue plus = object.value(QStringLiteral("plus"));
    if (!plus.isArray() || plus.toArray().isEmpty())
        return BadField(QStringLiteral("plus"), QStringLiteral("plus must be a list of at least one PLU"));
    const QJsonArray list = plus.toArray();
    if (*from + list.size() > PluCount)
        return BadField(QStringLiteral("plus"),
                        QStringLiteral("plus runs past PLU %1: from %2 takes at most %3")
                            .arg(PluCount - 1)
                            .arg(*from)
                            .arg(PluCount - *from));
    PluRangeWrite write;
    write.From = *from;
    write.Plus.reserve(size_t(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i) {
        Checked<PluChange> change = CheckPluChange(list[i], QStringLiteral("plus[%1].").arg(i));
        if (auto* refusal = std::get_if<GatewayReply>(&change))
            return *refusal;
        write.Plus.push_back(std::get<PluChange>(std::move(change)));
        // One transfer writes the stock of every PLU or of none.
        if (write.Plus.back().Stock.has_value() != write.Plus.front().Stock.has_value())
            return BadField(
                QStringLiteral("plus[%1].stock").arg(i),
                QStringLiteral("plus[%1].stock must be given for every PLU of the list or for none").arg(i));
    }
    return write;
}

Checked<HeaderChange> CheckHeaderChange(const QJsonValue& body) {
    if (auto refusal = NotAnObject(body, {}))
        return *refusal;
    const QJsonObject object = body.toObject();
    FieldReader top(object, {});
    top.OnlyKeys({QStringLiteral("lines")});
    if (top.Refusal())
        return *top.Refusal();
    const QJsonValue lines = object.value(QStringLiteral("lines"));
    if (!lines.isArray() || lines.toArray().size() != WritableLines)
        return BadField(
            QStringLiteral("lines"),
            QStringLiteral("lines must be a list of the %1 writable lines, 1 to %1").arg(WritableLines));
    HeaderChange change;
    const QJsonArray list = lines.toArray();
    for (int i = 0; i < WritableLines; ++i) {
        const QString prefix = QStringLiteral("lines[%1].").arg(i);
        if (auto refusal = NotAnObject(list[i], prefix.chopped(1)))
            return *refusal;
        const QJsonObject line = list[i].toObject();
        FieldReader r(line, prefix);
        r.OnlyKeys({QStringLiteral("text"), QStringLiteral("doubleWidth"), QStringLiteral("doubleHeight"),
                    QStringLiteral("center")},
                   {QStringLiteral("line")});
        const auto text = r.Text(QStringLiteral("text"), -1, true);
        const auto doubleWidth = r.Flag(QStringLiteral("doubleWidth"), false);
        const auto doubleHeight = r.Flag(QStringLiteral("doubleHeight"), false);
        const auto center = r.Flag(QStringLiteral("center"), false);
        if (r.Refusal())
            return *r.Refusal();
        const int width = *doubleWidth ? DoubleWidthLineWidth : HeaderLineWidth;
        // What prints: centred text is trimmed first, other text loses only its trailing blanks.
        const qsizetype length = *center ? text->trimmed().size() : WithoutTrailingBlanks(*text).size();
        if (length > width) {
            r.Fail(QStringLiteral("text"),
                   QStringLiteral("has %1 characters; the line takes at most %2").arg(length).arg(width));
            return *r.Refusal();
        }
        change[size_t(i)] = {*text, *doubleWidth, *doubleHeight, *center};
    }
    return change;
}

Checked<ThanksChange> CheckThanksChange(const QJsonValue& body) {
    if (auto refusal = NotAnObject(body, {}))
        return *refusal;
    const QJsonObject object = body.toObject();
    FieldReader r(object, {});
    r.OnlyKeys({QStringLiteral("text"), QStringLiteral("center")});
    const auto text = r.Text(QStringLiteral("text"), HeaderLineWidth, true);
    const auto center = r.Flag(QStringLiteral("center"), false);
    if (r.Refusal())
        return *r.Refusal();
    return ThanksChange{*text, *center};
}

std::optional<GatewayReply> CheckZConfirm(const QJsonValue& body) {
    const QJsonObject object = body.toObject();
    if (body.isObject() && object.size() == 1 && object.value(QStringLiteral("confirm")) == QJsonValue(true))
        return std::nullopt;
    return BadField(QStringLiteral("confirm"),
                    QStringLiteral("The Z report closes the register's day: it runs only with the body "
                                   "{\"confirm\": true}. Nothing was sent."));
}
