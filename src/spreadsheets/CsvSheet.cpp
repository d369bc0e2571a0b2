#include "spreadsheets/SheetReaders.h"

#include <QStringDecoder>

#include <string>
#include <string_view>

namespace {

// The separator a spreadsheet program would have written: the one of comma,
// semicolon and tab found most often outside quotes in the first line.
char CsvSeparator(std::string_view text) {
    int counts[3] = {0, 0, 0};
    const char seps[3] = {',', ';', '\t'};
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted)
            for (int i = 0; i < 3; ++i)
                counts[i] += c == seps[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best])
            best = i;
    return seps[best];
}

} // namespace

// RFC 4180 as spreadsheet programs write it: quoted cells may hold
// separators, doubled quotes and line breaks.
SheetError ReadCsv(const QByteArray& bytes, SheetRows& rows, const char* codePage) {
    std::string_view text(bytes.constData(), size_t(bytes.size()));
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const char separator = CsvSeparator(text);
    // Separators and quotes are the same bytes in UTF-8 and in the code pages,
    // so the cells are cut from the bytes and only their texts decoded.
    const bool isUtf8 = [&] {
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)QString(utf8.decode(QByteArrayView(text.data(), qsizetype(text.size()))));
        return !utf8.hasError();
    }();
    QStringDecoder codePageDecoder(codePage);
    const auto decode = [&](const std::string& bytes) {
        const QByteArrayView view(bytes.data(), qsizetype(bytes.size()));
        QString cellText = isUtf8 || !codePageDecoder.isValid() ? QString::fromUtf8(view)
                                                                : QString(codePageDecoder.decode(view));
        // ="0012" keeps a text of digits whole in a spreadsheet program.
        if (cellText.size() >= 3 && cellText.startsWith(u"=\"") && cellText.endsWith(u'"'))
            cellText = cellText.mid(2, cellText.size() - 3);
        return cellText;
    };
    int row = 1;
    int column = 1;
    std::string cell;
    bool quoted = false;
    int quoteRow = 0;
    bool cellStarted = false;
    // Below the kept rows a cell keeps only its first character: enough for
    // the rows to count it as a row read past.
    const auto keep = [&] { return row <= rows.RowLimit() || cell.empty(); };
    const auto endCell = [&] {
        if (!cell.empty() && column <= rows.ColumnLimit())
            rows.Set(row, column, SheetCell::OfText(decode(cell)));
        cell.clear();
        cellStarted = false;
        ++column;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    cell += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (keep()) {
                cell += c;
            }
            continue;
        }
        if (c == '"' && !cellStarted) {
            quoted = true;
            quoteRow = row;
            cellStarted = true;
        } else if (c == separator) {
            endCell();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            endCell();
            ++row;
            column = 1;
        } else {
            cellStarted = true;
            if (column <= rows.ColumnLimit() && keep())
                cell += c;
        }
    }
    if (quoted) {
        // A quote never closed: the file was cut short, or a quote was typed alone.
        rows.SetDamagedRow(quoteRow);
        return SheetError::Damaged;
    }
    if (cellStarted || !cell.empty())
        endCell();
    return SheetError::None;
}
