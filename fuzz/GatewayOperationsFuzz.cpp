// libFuzzer target: the checks of the register calls' bodies, paths and
// queries. The first byte picks the check, the rest is its input. A refusal is
// a 400 with words; whatever is taken lies within the register's limits.
#include "gateway/GatewayRequests.h"
#include "header/HeaderFrames.h"
#include "plu/PluRecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// The value taken, or nothing for a refusal in words.
template <typename T> std::optional<T> Taken(const Checked<T>& checked) {
    if (const auto* refusal = std::get_if<GatewayReply>(&checked)) {
        Require(refusal->Status == 400);
        Require(!refusal->Body.toObject().value(QStringLiteral("error")).toString().isEmpty());
        return std::nullopt;
    }
    return std::get<T>(checked);
}

void Refusal(const std::optional<GatewayReply>& refusal) {
    if (refusal)
        Require(refusal->Status == 400 &&
                !refusal->Body.toObject().value(QStringLiteral("error")).isUndefined());
}

void PluWithinLimits(const PluChange& c) {
    Require(c.Description.size() <= DescriptionLength && c.Barcode.size() <= BarcodeLength);
    Require(c.PriceHundredths <= MaxPriceHundredths);
    Require(c.Department >= 0 && c.Department <= MaxDepartment && (!c.Active || c.Department > 0));
    Require(c.Unit >= 0 && c.Unit < UnitCount);
    Require(!c.Stock || *c.Stock <= MaxStockDigits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QJsonValue body = [&] {
        const QJsonDocument document = QJsonDocument::fromJson(input);
        if (document.isObject())
            return QJsonValue(document.object());
        if (document.isArray())
            return QJsonValue(document.array());
        return QJsonValue(QJsonValue::Undefined);
    }();
    switch (data[0] % 9) {
    case 0:
        if (const auto c = Taken(CheckPluChange(body)))
            PluWithinLimits(*c);
        break;
    case 1:
        if (const auto w = Taken(CheckPluRangeWrite(body))) {
            Require(!w->Plus.empty() && w->From >= 0 && w->From + qsizetype(w->Plus.size()) <= PluCount);
            for (const PluChange& c : w->Plus) {
                PluWithinLimits(c);
                Require(c.Stock.has_value() == w->Plus.front().Stock.has_value());
            }
        }
        break;
    case 2:
        if (const auto h = Taken(CheckHeaderChange(body))) {
            for (const HeaderLineChange& line : *h) {
                const int width = line.DoubleWidth ? DoubleWidthLineWidth : HeaderLineWidth;
                const QString printed =
                    line.Center ? CenterHeaderText(line.Text, width, true) : WithoutTrailingBlanks(line.Text);
                Require(WithoutTrailingBlanks(printed).size() <= width);
            }
        }
        break;
    case 3:
        if (const auto t = Taken(CheckThanksChange(body)))
            Require(CenterThanksText(t->Text, t->Center).size() <= HeaderLineWidth);
        break;
    case 4:
        Refusal(CheckZConfirm(body));
        break;
    case 5:
        if (const auto r = Taken(CheckPluRange(QUrlQuery(QString::fromUtf8(input)))))
            Require(0 <= r->From && r->From <= r->To && r->To < PluCount);
        break;
    case 6:
        if (const auto n = Taken(CheckPluNumber(QString::fromUtf8(input), QStringLiteral("plu"))))
            Require(*n >= 0 && *n < PluCount);
        break;
    case 7:
        if (const auto n = Taken(CheckOperator(QString::fromUtf8(input), QStringLiteral("operator"))))
            Require(*n >= 1 && *n <= OperatorCount);
        break;
    default:
        Refusal(OnlyQueryItems(QUrlQuery(QString::fromUtf8(input)), {QStringLiteral("from")}));
        Refusal(NoBody(body));
        break;
    }
    return 0;
}
