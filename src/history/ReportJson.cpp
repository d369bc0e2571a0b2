#include "history/ReportJson.h"

#include "reports/ReportDecoder.h"

#include <QJsonArray>

namespace {

QJsonValue Money(Hundredths amount) {
    return QJsonValue(qint64(amount));
}

QJsonObject DateTimeJson(const RegisterDateTime& t) {
    return {{"day", t.Day}, {"month", t.Month}, {"year", t.Year}, {"hour", t.Hour}, {"minute", t.Minute}};
}

QJsonObject Movement(const CashMovement& m) {
    return {{"chequeAmount", Money(m.ChequeAmount)}, {"chequeCount", m.ChequeCount},
            {"cashAmount", Money(m.CashAmount)},     {"cashCount", m.CashCount},
            {"cardAmount", Money(m.CardAmount)},     {"cardCount", m.CardCount}};
}

} // namespace

std::optional<QJsonObject> ReportFiguresJson(std::span<const uint8_t> payload) {
    if (payload.empty())
        return std::nullopt;
    switch (payload[0]) {
    case TaxReportCode:
        if (const auto r = DecodeTaxReport(payload)) {
            QJsonArray groups;
            for (const auto& g : r->TaxGroups)
                groups.append(Money(g.Turnover));
            return QJsonObject{{"taxGroups", groups}};
        }
        break;
    case DepartmentReportCode:
        if (const auto r = DecodeDepartmentReport(payload)) {
            QJsonArray departments;
            for (const auto& d : r->Departments)
                departments.append(QJsonObject{{"turnover", Money(d.Turnover)}, {"sales", d.SalesCount}});
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
                               {"fiscalId", QString::fromLatin1(r->FiscalId.toHex())},
                               {"departmentTaxes", QString::fromLatin1(r->DepartmentAssociation.toHex())}};
        break;
    case PluReportCode:
        if (const auto r = DecodePluReport(payload))
            return QJsonObject{
                {"plu", r->Plu}, {"sold", r->Sold}, {"stock", r->Stock}, {"total", Money(r->Total)}};
        break;
    case OperatorReportCode:
        if (const auto r = DecodeOperatorReport(payload))
            return QJsonObject{{"passwordProgrammed", r->PasswordProgrammed},
                               {"cash", Money(r->Cash)},
                               {"cheque", Money(r->Cheque)},
                               {"card", Money(r->Card)},
                               {"total", Money(r->Total)},
                               {"drawerOpenings", r->DrawerOpenings},
                               {"receiptCount", r->ReceiptCount},
                               {"correctionAmount", Money(r->CorrectionAmount)},
                               {"correctionCount", r->CorrectionCount},
                               {"payIn", Movement(r->PayIn)},
                               {"payOut", Movement(r->PayOut)}};
        break;
    case LastZReportCode:
        if (const auto r = DecodeLastZReport(payload)) {
            QJsonArray groups;
            for (const auto& g : r->TaxGroups)
                groups.append(QJsonObject{{"turnover", Money(g.Turnover)}, {"tax", Money(g.Tax)}});
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
