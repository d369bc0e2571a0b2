#include "spreadsheets/PluSheet.h"

#include "common/Captions.h"
#include "database/PluTable.h"
#include "protocol/RegisterCharset.h"

#include <QLocale>
#include <cmath>

namespace PluSheet {

namespace {

struct Reason {
    Caption Text;
};

// Why a row was skipped, filled with a column letter and the cell's text.
constexpr Caption NotWholeNumber{"column %1: '%2' is not a whole number", "kolona %1: '%2' nije ceo broj"};
constexpr Caption NotNumber{"column %1: '%2' is not a number", "kolona %1: '%2' nije broj"};
constexpr Caption NoValue{"column %1: a formula without a computed value",
                          "kolona %1: formula bez izračunate vrednosti"};
constexpr Caption EmptyDescription{"the description is empty", "opis je prazan"};
constexpr Caption PriceRange{"column %1: %2 is outside 0 to 999999.99",
                             "kolona %1: %2 je van opsega 0 do 999999.99"};
constexpr Caption DeptRange{"column %1: %2 is outside 0 to 9", "kolona %1: %2 je van opsega 0 do 9"};
constexpr Caption UnitRange{"column %1: %2 is outside 0 to 7", "kolona %1: %2 je van opsega 0 do 7"};
constexpr Caption StockRange{"column %1: %2 is outside 0 to %3", "kolona %1: %2 je van opsega 0 do %3"};
constexpr Caption TooLong{"column %1: longer than %2 characters", "kolona %1: duže od %2 znakova"};
constexpr Caption PluRange{"column %1: %2 is not a PLU number (0 to %3)",
                           "kolona %1: %2 nije PLU broj (0 do %3)"};
constexpr Caption NotShown{"column %1: '%2' is a character the register cannot show",
                           "kolona %1: '%2' je znak koji kasa ne može da prikaže"};

QString Letter(int column) {
    return QString(QChar(u'A' + column - 1));
}

RowOutcome Skip(const Caption& why, int column, const QString& a = {}, const QString& b = {}) {
    RowOutcome outcome;
    outcome.Result = RowResult::Skip;
    for (int lang = 0; lang < 2; ++lang) {
        QString text = why.Text(lang);
        if (text.contains(u"%1"))
            text = text.arg(Letter(column));
        if (text.contains(u"%2"))
            text = text.arg(a);
        if (text.contains(u"%2") || text.contains(u"%3"))
            text = text.arg(b);
        outcome.Reason[size_t(lang)] = text;
    }
    return outcome;
}

QString ShortText(const SheetCell& cell) {
    QString text = CellText(cell);
    return text.size() > 20 ? text.left(20) + QStringLiteral("...") : text;
}

bool IsWhole(double v) {
    return std::isfinite(v) && std::floor(v) == v && std::fabs(v) < 1e9;
}

// Register text of a cell: false when a character has no place in the
// register's charset.
bool RegisterBytes(const QString& text, const PluCells::Style& style, QByteArray& bytes) {
    // Every code page of the register keeps ASCII as it is; only other texts
    // need the (slow) round trip through the code page.
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii && !style.RegisterFont) {
        bytes = text.toLatin1();
        static const QString plain = QString::fromLatin1(PlainFontName);
        for (char c : bytes)
            if (!CharAllowed(uint8_t(c), style.Charset, plain))
                return false;
        return true;
    }
    bytes = PluCells::TypedBytes(text, style);
    if (PluCells::StoredText(bytes, style) != text)
        return false;
    const QString font = QString::fromLatin1(style.RegisterFont ? RegisterFontName : PlainFontName);
    for (char c : bytes)
        if (!CharAllowed(uint8_t(c), style.Charset, font))
            return false;
    return true;
}

// The first character of text that has no register form, for the reason of a skip.
QString FirstNotShown(const QString& text, const PluCells::Style& style) {
    QByteArray bytes;
    for (QChar c : text)
        if (!RegisterBytes(QString(c), style, bytes))
            return QString(c);
    return text.left(1);
}

// Description 2 stays on the PC in the code page, small letters and all, as
// the PLU page keeps it.
bool CodePageBytes(const QString& text, int charset, QByteArray& bytes, QString& lacking) {
    for (QChar c : text) {
        if (!CodePageByte(c, charset)) {
            lacking = QString(c);
            return false;
        }
    }
    bytes = ToCodePage(text, charset);
    return true;
}

} // namespace

QString CellText(const SheetCell& cell) {
    switch (cell.Type) {
    case SheetCell::Kind::Text:
        return cell.Text;
    case SheetCell::Kind::Number:
        return IsWhole(cell.Number) ? QString::number(qint64(cell.Number))
                                    : QString::number(cell.Number, 'g', 15);
    default:
        return {};
    }
}

bool CellNumber(const SheetCell& cell, double& value) {
    value = 0.0;
    switch (cell.Type) {
    case SheetCell::Kind::Empty:
        return true;
    case SheetCell::Kind::Number:
        value = cell.Number;
        return std::isfinite(value);
    case SheetCell::Kind::Text: {
        QString text = cell.Text.trimmed();
        if (text.startsWith(u'\''))
            text.remove(0, 1);
        if (text.isEmpty())
            return true;
        text.replace(u',', u'.');
        bool ok = false;
        value = QLocale::c().toDouble(text, &ok);
        return ok && std::isfinite(value);
    }
    default:
        return false;
    }
}

SheetRow TitleRow(int language) {
    SheetRow row;
    for (int c = 0; c < PluCells::ColumnCount; ++c)
        if (c != PluCells::Status && c != PluCells::StockStatus)
            row.push_back(SheetCell::OfText(PluCells::Title(c, language)));
    return row;
}

SheetRow ExportRow(const PluRecord& entry, int n, const PluCells::Style& style) {
    // The numbers are taken from the grid's own texts, so that the sheet shows
    // the very values the window shows.
    const auto number = [&](int column, int decimals) {
        SheetCell text = SheetCell::OfText(PluCells::Text(entry, n, column, style));
        text.Text.replace(style.DecimalSeparator, u'.');
        double value = 0.0;
        (void)CellNumber(text, value);
        return SheetCell::OfNumber(value, decimals);
    };
    const bool pieces = PluCells::EffectiveUnit(entry) == 0;
    return {
        SheetCell::OfNumber(n),
        SheetCell::OfText(PluCells::Text(entry, n, PluCells::Description, style)),
        SheetCell::OfText(PluCells::Text(entry, n, PluCells::Description2, style)),
        number(PluCells::Price, 2),
        number(PluCells::NetPrice, 2),
        number(PluCells::Dept, -1),
        SheetCell::OfNumber(entry.Unit),
        SheetCell::OfText(PluCells::Text(entry, n, PluCells::Barcode, style)),
        number(PluCells::Stock, pieces ? -1 : 3),
    };
}

RowOutcome ReadPluRow(const SheetRows& rows, int row, int descriptionColumn, const PluCells::Style& style) {
    const SheetCell& codeCell = rows.Cell(row, 1);
    if (codeCell.IsEmpty())
        return {};
    double code = 0.0;
    if (!CellNumber(codeCell, code) || !IsWhole(code))
        return Skip(NotWholeNumber, 1, ShortText(codeCell));
    // A number beyond the register's PLUs is one bad row, not the end of the sheet.
    if (code < 0 || code > PluCount - 1)
        return Skip(PluRange, 1, ShortText(codeCell), QString::number(PluCount - 1));

    // A description the file cannot tell without a spreadsheet program ends
    // the import: every row after it would be just as unknown.
    const SheetCell& descriptionCell = rows.Cell(row, descriptionColumn);
    const SheetCell& description2Cell = rows.Cell(row, descriptionColumn + 1);
    if (descriptionCell.Type == SheetCell::Kind::UncomputedFormula ||
        description2Cell.Type == SheetCell::Kind::UncomputedFormula) {
        RowOutcome outcome;
        outcome.Result = RowResult::NeedsRecalculation;
        return outcome;
    }

    double values[10] = {};
    for (int column : {4, 5, 6, 7, 9}) {
        const SheetCell& cell = rows.Cell(row, column);
        if (cell.Type == SheetCell::Kind::UncomputedFormula)
            return Skip(NoValue, column);
        if (!CellNumber(cell, values[column]))
            return Skip(NotNumber, column, ShortText(cell));
    }
    for (int column : {6, 7})
        if (!IsWhole(values[column]))
            return Skip(NotWholeNumber, column, ShortText(rows.Cell(row, column)));

    // The register's texts are capitals: small letters are taken as typing takes them.
    const QString description = CellText(descriptionCell).toUpper().left(DescriptionLength);
    const QString description2 = CellText(description2Cell);
    if (description.isEmpty())
        return Skip(EmptyDescription, descriptionColumn);
    for (int column : {4, 5})
        if (values[column] < 0 || values[column] > PriceLimit)
            return Skip(PriceRange, column, CellText(rows.Cell(row, column)));
    if (values[6] < 0 || values[6] > 9)
        return Skip(DeptRange, 6, CellText(rows.Cell(row, 6)));
    if (values[7] < 0 || values[7] > UnitCount - 1)
        return Skip(UnitRange, 7, CellText(rows.Cell(row, 7)));
    const int unit = int(values[7]);
    const double stock = values[9];
    const double stockLimit = unit == 0 ? 99999999.0 : 99999.999;
    if (stock < 0 || stock > stockLimit)
        return Skip(StockRange, 9, CellText(rows.Cell(row, 9)),
                    unit == 0 ? QStringLiteral("99999999") : QStringLiteral("99999.999"));

    // Spreadsheet programs keep a text that looks like a number by a leading
    // apostrophe; the register never sees it.
    QString barcode = CellText(rows.Cell(row, 8)).toUpper();
    if (barcode.startsWith(u'\''))
        barcode.remove(0, 1);
    if (description2.size() > Description2Length)
        return Skip(TooLong, descriptionColumn + 1, QString::number(Description2Length));
    if (barcode.size() > BarcodeLength)
        return Skip(TooLong, 8, QString::number(BarcodeLength));

    QByteArray descriptionBytes, description2Bytes, barcodeBytes;
    QString lacking;
    if (!RegisterBytes(description, style, descriptionBytes))
        return Skip(NotShown, descriptionColumn, FirstNotShown(description, style));
    if (!CodePageBytes(description2, style.Charset, description2Bytes, lacking))
        return Skip(NotShown, descriptionColumn + 1, lacking);
    if (!RegisterBytes(barcode, style, barcodeBytes))
        return Skip(NotShown, 8, FirstNotShown(barcode, style));

    RowOutcome outcome;
    outcome.Result = RowResult::Complete;
    outcome.Plu = int(code);
    outcome.Shortened = CellText(descriptionCell).size() > DescriptionLength;
    outcome.EmptyPriceOrDepartment = rows.Cell(row, 4).IsEmpty() || rows.Cell(row, 6).IsEmpty();
    PluRecord& record = outcome.Record;
    record.Code = uint32_t(code);
    record.SetDescription(descriptionBytes);
    record.SetDescription2(description2Bytes);
    record.Price = values[4];
    record.NetPrice = values[5];
    const int department = int(values[6]);
    record.Flags = uint8_t(department & FlagDepartmentMask);
    if (department != 0)
        record.Flags |= FlagActive;
    record.Unit = uint8_t(unit);
    if (unit != 0) {
        record.Flags |= FlagDecimalQty;
        record.Stock = uint32_t(std::llround(stock * 1000.0));
    } else {
        record.Stock = uint32_t(std::llround(stock));
    }
    if (record.Price == 0.0)
        record.Flags |= FlagFreePrice;
    if (record.Stock != 0)
        record.Flags |= FlagStockProgrammed;
    record.SetBarcode(barcodeBytes);
    return outcome;
}

void StorePluRow(PluTable& table, const RowOutcome& outcome) {
    if (outcome.Result != RowResult::Complete || !table.Contains(outcome.Plu))
        return;
    table.StoreRecord(outcome.Record, outcome.Plu);
    table[outcome.Plu].Code = outcome.Record.Code;
    table[outcome.Plu].NetPrice = outcome.Record.NetPrice;
}

PluImport::PluImport(const SheetRows& rows, int descriptionColumn, const PluCells::Style& style)
    : m_rows(rows), m_descriptionColumn(descriptionColumn), m_style(style) {}

int PluImport::RowsTotal() const {
    return qMax(0, qMin(m_rows.RowCount(), LastDataRow) - FirstDataRow + 1);
}

void PluImport::CountRowsNotRead(bool endedByEmptyCell) {
    m_summary.RowsBeyond = m_rows.RowsBeyondLimit();
    if (!endedByEmptyCell)
        return;
    m_summary.EndRow = m_row;
    for (int row = m_row + 1; row <= qMin(m_rows.RowCount(), LastDataRow); ++row) {
        for (int column = 1; column <= m_rows.ColumnLimit(); ++column) {
            if (!m_rows.Cell(row, column).IsEmpty()) {
                ++m_summary.RowsAfterEnd;
                break;
            }
        }
    }
}

bool PluImport::Step(PluTable& table, int maxRows) {
    for (int i = 0; i < maxRows && !m_done; ++i) {
        if (m_row > LastDataRow) {
            m_done = true;
            CountRowsNotRead(false);
            break;
        }
        const RowOutcome outcome = ReadPluRow(m_rows, m_row, m_descriptionColumn, m_style);
        m_lastPluText = CellText(m_rows.Cell(m_row, 1));
        switch (outcome.Result) {
        case RowResult::Stop:
            m_done = true;
            CountRowsNotRead(true);
            break;
        case RowResult::NeedsRecalculation:
            m_summary.NeedsRecalculation = true;
            m_summary.RecalculationRow = m_row;
            m_done = true;
            break;
        case RowResult::Skip:
            ++m_summary.Skipped;
            if (int(m_summary.SkippedRows.size()) < ImportSummary::ListedSkips)
                m_summary.SkippedRows.emplace_back(m_row, outcome.Reason);
            break;
        case RowResult::Complete:
            StorePluRow(table, outcome);
            if (m_taken[size_t(outcome.Plu)]) {
                ++m_summary.Repeated;
            } else {
                m_taken[size_t(outcome.Plu)] = true;
                ++m_summary.Imported;
            }
            m_summary.Shortened += outcome.Shortened ? 1 : 0;
            m_summary.EmptyPriceOrDepartment += outcome.EmptyPriceOrDepartment ? 1 : 0;
            m_summary.FirstPlu = m_summary.FirstPlu < 0 ? outcome.Plu : qMin(m_summary.FirstPlu, outcome.Plu);
            m_summary.LastPlu = qMax(m_summary.LastPlu, outcome.Plu);
            break;
        }
        if (!m_done)
            ++m_row;
    }
    return m_done;
}

namespace {
constexpr Caption ImportedRows{"PLUs imported: %1", "Uvezeno PLU: %1"};
constexpr Caption RepeatedRows{"Rows for a PLU taken before (the later row counts): %1",
                               "Redova za već uzet PLU (važi kasniji red): %1"};
constexpr Caption ShortenedRows{"Descriptions shortened to %2 characters: %1",
                                "Opisa skraćenih na %2 znakova: %1"};
constexpr Caption EmptyCellRows{
    "Rows with an empty price or department, taken as 0 (a free price, an inactive PLU): %1",
    "Redova sa praznom cenom ili odeljenjem, uzetih kao 0 (slobodna cena, neaktivan PLU): %1"};
constexpr Caption SkippedRowsText{"Rows skipped: %1", "Preskočeno redova: %1"};
constexpr Caption RowsAfterEndText{
    "Rows not read after row %2, whose PLU cell is empty and ends the data: %1",
    "Nepročitanih redova posle reda %2, čija je PLU ćelija prazna i završava podatke: %1"};
constexpr Caption RowsBeyondText{"Rows not read below row %2 (the register holds 10000 PLUs): %1",
                                 "Nepročitanih redova ispod reda %2 (kasa prima 10000 PLU): %1"};
constexpr Caption SkippedRowLine{"row %1: %2", "red %1: %2"};
constexpr Caption FirstListed{"(the first %1 listed)", "(navedeno prvih %1)"};
constexpr Caption CancelledText{"The import was cancelled at row %1.", "Uvoz je prekinut kod reda %1."};
constexpr Caption RecalculationText{
    "Row %1 holds a formula whose value is not stored in the file. Open the file in a spreadsheet "
    "program, save it and import it again.",
    "Red %1 sadrži formulu čija vrednost nije sačuvana u datoteci. Otvorite datoteku u programu za "
    "tabele, sačuvajte je i ponovo uvezite."};
} // namespace

QString ImportSummary::Text(int language) const {
    QStringList lines;
    if (Cancelled)
        lines << CancelledText.Text(language).arg(CancelledRow);
    if (NeedsRecalculation)
        lines << RecalculationText.Text(language).arg(RecalculationRow);
    lines << ImportedRows.Text(language).arg(Imported);
    if (Repeated > 0)
        lines << RepeatedRows.Text(language).arg(Repeated);
    if (Shortened > 0)
        lines << ShortenedRows.Text(language).arg(Shortened).arg(DescriptionLength);
    if (EmptyPriceOrDepartment > 0)
        lines << EmptyCellRows.Text(language).arg(EmptyPriceOrDepartment);
    if (RowsAfterEnd > 0)
        lines << RowsAfterEndText.Text(language).arg(RowsAfterEnd).arg(EndRow);
    if (RowsBeyond > 0)
        lines << RowsBeyondText.Text(language).arg(RowsBeyond).arg(LastDataRow);
    lines << SkippedRowsText.Text(language).arg(Skipped);
    for (const auto& [row, reason] : SkippedRows)
        lines << SkippedRowLine.Text(language).arg(row).arg(reason[size_t(language == 0 ? 0 : 1)]);
    if (Skipped > int(SkippedRows.size()))
        lines << FirstListed.Text(language).arg(ImportSummary::ListedSkips);
    return lines.join(u'\n');
}

} // namespace PluSheet
