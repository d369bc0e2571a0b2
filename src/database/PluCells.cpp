#include "database/PluCells.h"

#include "common/Captions.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"

namespace PluCells {

QString Title(int column, int language) {
    namespace D = Captions::Database;
    static constexpr const Caption* titles[ColumnCount] = {
        &D::Code, &D::Description, &D::Description2, &D::Price, &D::NetPrice, &D::Dept,
        &D::Unit, &D::Status,      &D::Stock,        nullptr,   &D::Stock};
    if (column < 0 || column >= ColumnCount)
        return {};
    // The barcode column reads the same in both languages.
    return titles[column] ? titles[column]->Text(language) : QStringLiteral("Barcode");
}

int EffectiveUnit(const PluRecord& entry) {
    return entry.Unit < UnitCount ? entry.Unit : 0;
}

QString StockText(const PluRecord& entry, QChar decimalSeparator) {
    if (EffectiveUnit(entry) == 0)
        return QString::number(entry.Stock);
    return QStringLiteral("%1%2%3")
        .arg(entry.Stock / 1000)
        .arg(decimalSeparator)
        .arg(entry.Stock % 1000, 3, 10, QLatin1Char('0'));
}

QString StoredText(QByteArrayView bytes, const Style& style) {
    return style.RegisterFont ? QString::fromLatin1(bytes) : FromCodePage(bytes, style.Charset);
}

QByteArray TypedBytes(const QString& text, const Style& style) {
    return style.RegisterFont ? text.toLatin1() : ToCodePage(text, style.Charset);
}

QString Text(const PluRecord& entry, int n, int column, const Style& style) {
    namespace D = Captions::Database;
    switch (column) {
    case Code:
        return QString::number(n);
    case Description:
        return StoredText(entry.DescriptionText(), style);
    case Description2:
        return StoredText(entry.Description2Text(), style);
    case Price:
        return FormatAmount(entry.Price, style.DecimalSeparator);
    case NetPrice:
        return FormatAmount(entry.NetPrice, style.DecimalSeparator);
    case Dept:
        return QString::number(entry.Department());
    case Unit:
        return QString::fromUtf8(UnitNames(style.Language)[size_t(EffectiveUnit(entry))]);
    case Status:
        return ((entry.Flags & FlagActive) ? D::Active : D::InActive).Text(style.Language);
    case StockStatus:
        return ((entry.Flags & FlagStockProgrammed) ? D::Prog : D::NonProg).Text(style.Language);
    case Barcode:
        return StoredText(entry.BarcodeText(), style);
    case Stock:
        return StockText(entry, style.DecimalSeparator);
    default:
        return {};
    }
}

} // namespace PluCells
