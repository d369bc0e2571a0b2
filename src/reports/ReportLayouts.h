#pragma once

#include <cstddef>

// Where the figures of the report replies 'f' to 'k' lie. Offsets count from
// the reply code, which is byte 0 of every payload.

struct ReplyField {
    size_t At = 0;
    size_t Width = 0;

    [[nodiscard]] constexpr size_t End() const { return At + Width; }
    // The same field of the n-th entry of a run of equal entries stride bytes apart.
    [[nodiscard]] constexpr ReplyField Nth(size_t n, size_t stride) const { return {At + n * stride, Width}; }
};

// Tax groups A to K and departments 1 to 9.
inline constexpr size_t ReportGroups = 9;

namespace TaxLayout {
inline constexpr size_t Length = 46;
inline constexpr ReplyField Turnover{1, 5};
inline constexpr size_t Stride = 5;
} // namespace TaxLayout

namespace DepartmentLayout {
inline constexpr size_t Length = 64;
inline constexpr ReplyField Turnover{1, 5};
inline constexpr size_t TurnoverStride = 5;
inline constexpr ReplyField SalesCount{46, 2};
inline constexpr size_t SalesCountStride = 2;
} // namespace DepartmentLayout

namespace StatusLayout {
inline constexpr size_t Length = 29;
inline constexpr ReplyField VatChanges{1, 1};
inline constexpr ReplyField ResetCount{2, 1};
inline constexpr ReplyField HeaderChanges{3, 1};
inline constexpr ReplyField ReceiptCount{5, 4};
inline constexpr ReplyField CrNumber{9, 1};
inline constexpr ReplyField FiscalId{10, 10};
inline constexpr ReplyField DepartmentAssociation{20, 9};
} // namespace StatusLayout

namespace PluLayout {
inline constexpr size_t Length = 17;
inline constexpr ReplyField Number{1, 2};
inline constexpr ReplyField Sold{3, 4};
inline constexpr ReplyField Stock{7, 4};
inline constexpr ReplyField Total{11, 6};
} // namespace PluLayout

namespace OperatorLayout {
inline constexpr size_t Length = 115;
inline constexpr ReplyField Password{1, 2};
inline constexpr ReplyField Cash{3, 6};
inline constexpr ReplyField Cheque{9, 6};
inline constexpr ReplyField Card{15, 6};
inline constexpr ReplyField Total{21, 6};
inline constexpr ReplyField DrawerOpenings{27, 2};
inline constexpr ReplyField ReceiptCount{29, 2};
inline constexpr ReplyField CorrectionAmount{66, 5};
inline constexpr ReplyField CorrectionCount{71, 2};
inline constexpr size_t PayIn = 73;
inline constexpr size_t PayOut = 94;
// Inside a pay-in or pay-out block, from its start.
inline constexpr ReplyField ChequeAmount{0, 5};
inline constexpr ReplyField ChequeCount{5, 2};
inline constexpr ReplyField CashAmount{7, 5};
inline constexpr ReplyField CashCount{12, 2};
inline constexpr ReplyField CardAmount{14, 5};
inline constexpr ReplyField CardCount{19, 2};
} // namespace OperatorLayout

// The register's description of this reply counts from the byte after the
// reply code; Body keeps its numbers recognisable here.
namespace LastZLayout {
inline constexpr size_t Length = 130;
inline constexpr size_t Body = 1;
inline constexpr ReplyField Day{Body + 0, 1};
inline constexpr ReplyField Month{Body + 1, 1};
inline constexpr ReplyField Year{Body + 2, 2};
inline constexpr ReplyField Hour{Body + 4, 1};
inline constexpr ReplyField Minute{Body + 5, 1};
inline constexpr ReplyField ZNumber{Body + 6, 2};
inline constexpr ReplyField Turnover{Body + 8, 6};
inline constexpr ReplyField Tax{Body + 62, 6};
inline constexpr size_t Stride = 6;
inline constexpr ReplyField ReceiptCount{Body + 116, 4};
inline constexpr ReplyField ResetCount{Body + 121, 1};
inline constexpr ReplyField ResetDay{Body + 122, 1};
inline constexpr ReplyField ResetMonth{Body + 123, 1};
inline constexpr ReplyField ResetType{Body + 124, 1};
// Two digits: the century is not sent.
inline constexpr ReplyField ResetYear{Body + 125, 1};
inline constexpr ReplyField ResetHour{Body + 126, 1};
inline constexpr ReplyField ResetMinute{Body + 127, 1};
inline constexpr ReplyField HeaderChanges{Body + 128, 1};
} // namespace LastZLayout

// The last field of every layout ends inside its length, so that the one
// length check before decoding covers every read.
static_assert(TaxLayout::Turnover.Nth(ReportGroups - 1, TaxLayout::Stride).End() <= TaxLayout::Length);
static_assert(DepartmentLayout::Turnover.Nth(ReportGroups - 1, DepartmentLayout::TurnoverStride).End() <=
              DepartmentLayout::SalesCount.At);
static_assert(DepartmentLayout::SalesCount.Nth(ReportGroups - 1, DepartmentLayout::SalesCountStride).End() <=
              DepartmentLayout::Length);
static_assert(StatusLayout::DepartmentAssociation.End() <= StatusLayout::Length);
static_assert(PluLayout::Total.End() <= PluLayout::Length);
static_assert(OperatorLayout::PayOut + OperatorLayout::CardCount.End() <= OperatorLayout::Length);
static_assert(OperatorLayout::PayIn + OperatorLayout::CardCount.End() <= OperatorLayout::PayOut);
static_assert(LastZLayout::Turnover.Nth(ReportGroups - 1, LastZLayout::Stride).End() <= LastZLayout::Tax.At);
static_assert(LastZLayout::Tax.Nth(ReportGroups - 1, LastZLayout::Stride).End() <=
              LastZLayout::ReceiptCount.At);
static_assert(LastZLayout::HeaderChanges.End() <= LastZLayout::Length);
