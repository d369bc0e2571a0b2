#include "printing/PluPrintout.h"

#include "common/Captions.h"
#include "database/PluTable.h"

#include <algorithm>

namespace PluPrintout {

namespace {

using Column = PluCells::Column;

// One optional field: its cell, title, width and label, in print order.
struct FieldForm {
    bool Fields::*Flag;
    Column Cell;
    const Caption* Title;
    const TwinCaption* TwinTitle;
    int Width;
    int Gap;
    const Caption* Label;
};

const FieldForm OptionalFields[] = {
    // Description 2 holds 35 characters: its column is as wide.
    {&Fields::Description2, PluCells::Description2, &Captions::Printing::Description2Title, nullptr, 35, 2,
     &Captions::Printing::Description2Label},
    {&Fields::Price, PluCells::Price, &Captions::Printing::PriceTitle, nullptr, 10, 2,
     &Captions::Printing::PriceLabel},
    {&Fields::NetPrice, PluCells::NetPrice, nullptr, &Captions::Printing::CostTitle, 10, 2,
     &Captions::Printing::NetPriceLabel},
    {&Fields::Department, PluCells::Dept, &Captions::Printing::DeptTitle, nullptr, 3, 3,
     &Captions::Printing::DepartmentLabel},
    {&Fields::Unit, PluCells::Unit, &Captions::Printing::UnitTitle, nullptr, 15, 2,
     &Captions::Printing::UnitLabel},
    {&Fields::Active, PluCells::Status, &Captions::Printing::StatusTitle, nullptr, 11, 2,
     &Captions::Printing::StatusLabel},
    {&Fields::StockProgrammed, PluCells::StockStatus, &Captions::Printing::StockStatusTitle, nullptr, 9, 2,
     &Captions::Printing::StockStatusLabel},
    {&Fields::Barcode, PluCells::Barcode, &Captions::Printing::BarcodeTitle, nullptr, 19, 2,
     &Captions::Printing::BarcodeLabel},
    {&Fields::Stock, PluCells::Stock, &Captions::Printing::StockTitle, nullptr, 10, 2,
     &Captions::Printing::StockLabel},
};

constexpr int CodeWidth = 4;
constexpr int DescriptionWidth = 12;

// Padded on the right to width; a longer text stays whole.
QString Padded(const QString& text, int width) {
    return text.leftJustified(width, QLatin1Char(' '), false);
}

QString FieldText(const PluRecord& entry, int n, Column cell, const PluCells::Style& style) {
    if (cell == PluCells::Code)
        return QStringLiteral("%1").arg(n, CodeWidth);
    return PluCells::Text(entry, n, cell, style);
}

} // namespace

QStringList MatrixHeader(const Fields& printed, const PluCells::Style& style) {
    const int lang = style.Language;
    QString titles =
        Captions::Printing::CodeTitle.Text(lang) + Captions::Printing::DescriptionTitle.Text(lang);
    for (const FieldForm& field : OptionalFields) {
        if (!(printed.*field.Flag))
            continue;
        const QString title =
            field.TwinTitle ? field.TwinTitle->Text(lang, style.RegisterFont) : field.Title->Text(lang);
        titles += Padded(title, field.Width + field.Gap);
    }
    return {titles, QString(titles.size(), QLatin1Char('-'))};
}

bool Listed(const PluTable& table, int n, const Choice& choice) {
    return PluTable::Contains(n) && (choice.AllPlus || (table[n].Flags & FlagActive));
}

void AppendPlu(const PluTable& table, int n, const Choice& choice, QStringList& lines) {
    const PluRecord& entry = table[n];
    const PluCells::Style& style = choice.Style;
    const QString code = FieldText(entry, n, PluCells::Code, style);
    const QString description = Padded(FieldText(entry, n, PluCells::Description, style), DescriptionWidth);
    if (choice.Form == Layout::Matrix) {
        QString line = code + QStringLiteral("  ") + description + QStringLiteral("  ");
        for (const FieldForm& field : OptionalFields) {
            if (choice.Printed.*field.Flag)
                line +=
                    Padded(FieldText(entry, n, field.Cell, style), field.Width) + QString(field.Gap, u' ');
        }
        lines << line;
        return;
    }
    const int lang = style.Language;
    lines << QString::fromLatin1(Captions::SeparatorLine);
    lines << Captions::Printing::CodeLabel.Text(lang) + code;
    lines << Captions::Printing::DescriptionLabel.Text(lang) + description;
    for (const FieldForm& field : OptionalFields) {
        if (choice.Printed.*field.Flag)
            lines << field.Label->Text(lang) + Padded(FieldText(entry, n, field.Cell, style), field.Width);
    }
}

QStringList Build(const PluTable& table, const Choice& choice) {
    QStringList lines;
    if (choice.Form == Layout::Matrix)
        lines << MatrixHeader(choice.Printed, choice.Style);
    const int from = std::max(choice.From, 0);
    const int to = std::min(choice.To, PluTable::Size - 1);
    for (int n = from; n <= to; ++n) {
        if (Listed(table, n, choice))
            AppendPlu(table, n, choice, lines);
    }
    return lines;
}

int Percent(int n, int from, int to) {
    if (to <= from)
        return 100;
    return int(qint64(n - from) * 100 / (to - from));
}

} // namespace PluPrintout
