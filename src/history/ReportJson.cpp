#include "history/ReportJson.h"

#include "protocol/RegisterCharset.h"
#include "reports/ReportDecoder.h"

#include <QJsonArray>

namespace {

QJsonValue Money(const ReportJsonForm& form, Hundredths amount) {
    if (form.MoneyInUnits)
        return QJsonValue(double(amount) / 100.0);
    return QJsonValue(qint64(amount));
}

// fromRegister: the bytes are register codes, not code-page bytes yet.
QJsonValue RegisterText(const ReportJsonForm& form, const QByteArray& bytes, bool fromRegister) {
    const int charset = form.TextCharset;
    if (charset < 0)
        return QString::fromLatin1(bytes.toHex());
    QByteArray codePage;
    for (const char c : bytes) {
        const uint8_t b = fromRegister ? FromRegisterChar(uint8_t(c), charset) : uint8_t(c);
        codePage.append(char(b ? b : uint8_t('?')));
    }
    return FromCodePage(codePage, charset);
}

QJsonObject DateTimeJson(const RegisterDateTime& t) {
    return {{"day", t.Day}, {"month", t.Month}, {"year", t.Year}, {"hour", t.Hour}, {"minute", t.Minute}};
}

QJsonObject Movement(const ReportJsonForm& form, const CashMovement& m) {
    return {{"chequeAmount", Money(form, m.ChequeAmount)}, {"chequeCount", m.ChequeCount},
            {"cashAmount", Money(form, m.CashAmount)},     {"cashCount", m.CashCount},
            {"cardAmount", Money(form, m.CardAmount)},     {"cardCount", m.CardCount}};
}

} // namespace

std::optional<QJsonObject> ReportFiguresJson(std::span<const uint8_t> payload, const ReportJsonForm& form) {
    if (payload.empty())
        return std::nullopt;
    switch (payload[0]) {
    case TaxReportCode:
        if (const auto r = DecodeTaxReport(payload)) {
            QJsonArray groups;
            for (const auto& g : r->TaxGroups)
                groups.append(Money(form, g.Turnover));
            return QJsonObject{{"taxGroups", groups}};
        }
        break;
    case DepartmentReportCode:
        if (const auto r = DecodeDepartmentReport(payload)) {
            QJsonArray departments;
            for (const auto& d : r->Departments)
                departments.append(
                    QJsonObject{{"turnover", Money(form, d.Turnover)}, {"sales", d.SalesCount}});
            return QJsonObject{{"departments", departments}};
        }
        break;
    case StatusReportCode:
        if (const auto r = DecodeStatusReport(payload))
            return QJsonObject{{"vatChanges", r->VatChanges},
                               {"resetCount", r->ResetCount},
                               {"headerChanges", r->HeaderChanges},
                               {"receiptCount", r->ReceiptCount},
                               {"crNumber", r->CrNumber},
                               {"fiscalId", RegisterText(form, r->FiscalId, true)},
                               {"departmentTaxes", RegisterText(form, r->DepartmentAssociation, false)}};
        break;
    case PluReportCode:
        if (const auto r = DecodePluReport(payload))
            return QJsonObject{
                {"plu", r->Plu}, {"sold", r->Sold}, {"stock", r->Stock}, {"total", Money(form, r->Total)}};
        break;
    case OperatorReportCode:
        if (const auto r = DecodeOperatorReport(payload))
            return QJsonObject{{"passwordProgrammed", r->PasswordProgrammed},
                               {"cash", Money(form, r->Cash)},
                               {"cheque", Money(form, r->Cheque)},
                               {"card", Money(form, r->Card)},
                               {"total", Money(form, r->Total)},
                               {"drawerOpenings", r->DrawerOpenings},
                               {"receiptCount", r->ReceiptCount},
                               {"correctionAmount", Money(form, r->CorrectionAmount)},
                               {"correctionCount", r->CorrectionCount},
                               {"payIn", Movement(form, r->PayIn)},
                               {"payOut", Movement(form, r->PayOut)}};
        break;
    case LastZReportCode:
        if (const auto r = DecodeLastZReport(payload)) {
            QJsonArray groups;
            for (const auto& g : r->TaxGroups)
                groups.append(
                    QJsonObject{{"turnover", Money(form, g.Turnover)}, {"tax", Money(form, g.Tax)}});
            return QJsonObject{{"zNumber", r->ZNumber},
                               {"date", DateTimeJson(r->Date)},
                               {"taxGroups", groups},
                               {"receiptCount", r->ReceiptCount},
                               {"resetCount", r->ResetCount},
                               {"resetType", r->ResetType},
                               {"resetDate", DateTimeJson(r->ResetDate)},
                               {"headerChanges", r->HeaderChanges}};
        }
        break;
    default:
        break;
    }
    return std::nullopt;
}
