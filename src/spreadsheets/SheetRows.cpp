#include "spreadsheets/SheetRows.h"

#include "spreadsheets/OoxmlSheet.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <orcus/orcus_ods.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <orcus/spreadsheet/import_interface_view.hpp>

#include <freexl.h>
#include <zip.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <exception>
#include <functional>
#include <string>

SheetRows::SheetRows(int rowLimit, int columnLimit) : m_rowLimit(rowLimit), m_columnLimit(columnLimit) {}

const SheetCell& SheetRows::Cell(int row, int column) const {
    static const SheetCell empty;
    if (row < 1 || row > RowCount() || column < 1)
        return empty;
    const SheetRow& cells = m_rows[size_t(row - 1)];
    return column <= int(cells.size()) ? cells[size_t(column - 1)] : empty;
}

void SheetRows::Set(int row, int column, SheetCell cell) {
    if (row < 1 || row > m_rowLimit || column < 1 || column > m_columnLimit)
        return;
    if (row > RowCount())
        m_rows.resize(size_t(row));
    SheetRow& cells = m_rows[size_t(row - 1)];
    if (column > int(cells.size()))
        cells.resize(size_t(column));
    cells[size_t(column - 1)] = std::move(cell);
}

QStringList ReadableSheetFormats() {
    return {QStringLiteral("xlsx"), QStringLiteral("xlsm"), QStringLiteral("ods"),
            QStringLiteral("xls"),  QStringLiteral("csv"),  QStringLiteral("txt")};
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVEX_HAS_ASAN 1
#endif
#endif
#ifndef ORVEX_HAS_ASAN
#define ORVEX_HAS_ASAN 0
#endif

namespace {

namespace ss = orcus::spreadsheet;

// Thrown from the import callbacks to leave orcus at once.
struct ReadStop {
    SheetError Error;
};

// ---- CSV ----------------------------------------------------------------

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

// RFC 4180 as spreadsheet programs write it: quoted cells may hold
// separators, doubled quotes and line breaks.
SheetError ReadCsv(const QByteArray& bytes, SheetRows& rows, const char* codePage) {
    std::string_view text(bytes.constData(), size_t(bytes.size()));
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const char separator = CsvSeparator(text);
    // Separators and quotes are the same bytes in UTF-8 and in the code pages,
    // so the cells are cut from the bytes and only their texts decoded.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    const bool isUtf8 = !utf8.hasError();
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
    bool cellStarted = false;
    const auto endCell = [&] {
        if (!cell.empty() && row <= rows.RowLimit() && column <= rows.ColumnLimit())
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
            } else if (row <= rows.RowLimit()) {
                cell += c;
            }
            continue;
        }
        if (c == '"' && !cellStarted) {
            quoted = true;
            cellStarted = true;
        } else if (c == separator) {
            endCell();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            endCell();
            ++row;
            column = 1;
            if (row > rows.RowLimit())
                break;
        } else {
            cellStarted = true;
            if (row <= rows.RowLimit() && column <= rows.ColumnLimit())
                cell += c;
        }
    }
    if (quoted)
        return SheetError::Damaged; // a quote never closed: the file was cut short
    if (cellStarted || !cell.empty())
        endCell();
    return SheetError::None;
}

// ---- Packages (xlsx, xlsm, ods) ------------------------------------------

bool IsCompoundFile(const QByteArray& bytes) {
    return bytes.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"));
}

// The package's directory is looked at before orcus unpacks anything: a
// password-protected workbook, parts that unpack beyond the limits or a
// directory that is no zip end here.
SheetError OpenPackage(const QByteArray& bytes, const SheetLimits& limits, zip_t*& opened) {
    opened = nullptr;
    // Excel keeps an encrypted workbook in a compound file instead of a zip.
    if (IsCompoundFile(bytes))
        return SheetError::Encrypted;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return SheetError::Damaged;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return SheetError::Damaged;
    }
    SheetError result = SheetError::None;
    qint64 unpacked = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count && result == SheetError::None; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0) {
            result = SheetError::Damaged;
            break;
        }
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
            result = SheetError::Encrypted;
            break;
        }
        const qint64 size =
            (stat.valid & ZIP_STAT_SIZE) ? qint64(qMin<zip_uint64_t>(stat.size, 1ULL << 62)) : 0;
        const qint64 packed =
            (stat.valid & ZIP_STAT_COMP_SIZE) ? qint64(qMin<zip_uint64_t>(stat.comp_size, 1ULL << 62)) : 0;
        unpacked += size;
        if (unpacked > limits.UnpackedBytes ||
            (size > (1 << 20) && size / qMax<qint64>(packed, 1) > limits.PartRatio))
            result = SheetError::TooLarge;
    }
    if (result == SheetError::None)
        opened = archive;
    else
        zip_discard(archive); // frees the source
    return result;
}

struct RawCell {
    SheetCell::Kind Type = SheetCell::Kind::Empty;
    double Number = 0.0;
    size_t StringId = 0;
    bool Shared = false; // Number is void, StringId names a shared string
    std::string Text;
};

RawCell Raw(SheetCell::Kind type, double number = 0.0) {
    RawCell cell;
    cell.Type = type;
    cell.Number = number;
    return cell;
}

class Strings : public ss::iface::import_shared_strings {
  public:
    explicit Strings(qint64 byteLimit) : m_byteLimit(byteLimit) {}
    size_t append(std::string_view s) override { return Keep(std::string(s)); }
    size_t add(std::string_view s) override { return Keep(std::string(s)); }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                ss::color_elem_t) override {}
    void append_segment(std::string_view s) override { m_segments += s; }
    size_t commit_segments() override {
        std::string text;
        text.swap(m_segments);
        return Keep(std::move(text));
    }
    [[nodiscard]] const std::vector<std::string>& All() const { return m_strings; }

  private:
    size_t Keep(std::string text) {
        m_bytes += qint64(text.size()) + 32;
        if (m_bytes > m_byteLimit)
            throw ReadStop{SheetError::TooLarge};
        m_strings.push_back(std::move(text));
        return m_strings.size() - 1;
    }
    std::vector<std::string> m_strings;
    std::string m_segments;
    qint64 m_bytes = 0;
    qint64 m_byteLimit;
};

class Sheet;

class Formula : public ss::iface::import_formula {
  public:
    explicit Formula(Sheet& sheet) : m_sheet(sheet) {}
    void set_position(ss::row_t row, ss::col_t col) override {
        m_row = row;
        m_col = col;
        m_cell = Raw(SheetCell::Kind::UncomputedFormula);
    }
    void set_formula(ss::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(size_t) override {}
    void set_result_string(std::string_view value) override {
        m_cell = Raw(SheetCell::Kind::Text);
        m_cell.Text = std::string(value);
    }
    void set_result_value(double value) override { m_cell = Raw(SheetCell::Kind::Number, value); }
    void set_result_bool(bool value) override { m_cell = Raw(SheetCell::Kind::Number, value ? 1.0 : 0.0); }
    void set_result_empty() override { m_cell = Raw(SheetCell::Kind::Text); }
    void commit() override;

  private:
    Sheet& m_sheet;
    ss::row_t m_row = 0;
    ss::col_t m_col = 0;
    RawCell m_cell;
};

class SheetView : public ss::iface::import_sheet_view {
  public:
    explicit SheetView(bool& active) : m_active(active) {}
    void set_sheet_active() override { m_active = true; }
    void set_split_pane(double, double, const ss::address_t&, ss::sheet_pane_t) override {}
    void set_frozen_pane(ss::col_t, ss::row_t, const ss::address_t&, ss::sheet_pane_t) override {}
    void set_selected_range(ss::sheet_pane_t, ss::range_t) override {}

  private:
    bool& m_active;
};

// The kept cells of one sheet; orcus counts rows and columns from 0.
class Sheet : public ss::iface::import_sheet {
  public:
    Sheet(int rowLimit, int columnLimit)
        : m_rowLimit(rowLimit), m_columnLimit(columnLimit), m_formula(*this), m_view(Active) {}

    bool Active = false;
    std::vector<std::vector<RawCell>> Rows;

    void Put(ss::row_t row, ss::col_t col, RawCell cell) {
        if (row < 0 || col < 0 || row >= m_rowLimit || col >= m_columnLimit)
            return;
        if (size_t(row) >= Rows.size())
            Rows.resize(size_t(row) + 1);
        auto& cells = Rows[size_t(row)];
        if (size_t(col) >= cells.size())
            cells.resize(size_t(col) + 1);
        cells[size_t(col)] = std::move(cell);
    }

    ss::iface::import_sheet_view* get_sheet_view() override { return &m_view; }
    ss::iface::import_formula* get_formula() override { return &m_formula; }
    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override {
        RawCell cell = Raw(SheetCell::Kind::Text);
        cell.Text = std::string(s);
        Put(row, col, std::move(cell));
    }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t sindex) override {
        RawCell cell = Raw(SheetCell::Kind::Text);
        cell.Shared = true;
        cell.StringId = sindex;
        Put(row, col, std::move(cell));
    }
    void set_value(ss::row_t row, ss::col_t col, double value) override {
        Put(row, col, Raw(SheetCell::Kind::Number, value));
    }
    void set_bool(ss::row_t row, ss::col_t col, bool value) override {
        Put(row, col, Raw(SheetCell::Kind::Number, value ? 1.0 : 0.0));
    }
    void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour, int minute,
                       double second) override {
        RawCell cell = Raw(SheetCell::Kind::Text);
        cell.Text = QStringLiteral("%1-%2-%3 %4:%5:%6")
                        .arg(year, 4, 10, QLatin1Char('0'))
                        .arg(month, 2, 10, QLatin1Char('0'))
                        .arg(day, 2, 10, QLatin1Char('0'))
                        .arg(hour, 2, 10, QLatin1Char('0'))
                        .arg(minute, 2, 10, QLatin1Char('0'))
                        .arg(int(second), 2, 10, QLatin1Char('0'))
                        .toStdString();
        Put(row, col, std::move(cell));
    }
    void set_format(ss::row_t, ss::col_t, size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, size_t) override {}
    void fill_down_cells(ss::row_t srcRow, ss::col_t srcCol, ss::row_t rangeSize) override {
        if (srcRow < 0 || srcCol < 0 || size_t(srcRow) >= Rows.size() ||
            size_t(srcCol) >= Rows[size_t(srcRow)].size())
            return;
        const RawCell source = Rows[size_t(srcRow)][size_t(srcCol)];
        for (ss::row_t r = 1; r <= rangeSize && srcRow + r < m_rowLimit; ++r)
            Put(srcRow + r, srcCol, source);
    }
    ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }

  private:
    int m_rowLimit;
    int m_columnLimit;
    Formula m_formula;
    SheetView m_view;
};

void Formula::commit() {
    m_sheet.Put(m_row, m_col, std::move(m_cell));
    m_cell = {};
}

class GlobalSettings : public ss::iface::import_global_settings {
  public:
    void set_origin_date(int, int, int) override {}
    void set_default_formula_grammar(ss::formula_grammar_t grammar) override { m_grammar = grammar; }
    ss::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override {}

  private:
    ss::formula_grammar_t m_grammar = ss::formula_grammar_t::xlsx;
};

// Cell addresses in the A1 form, for the formulas orcus looks at.
class References : public ss::iface::import_reference_resolver {
  public:
    ss::src_address_t resolve_address(std::string_view address) override {
        ss::src_address_t result{0, 0, 0};
        size_t i = 0;
        while (i < address.size() && address[i] == '$')
            ++i;
        int column = 0;
        while (i < address.size() && std::isalpha(static_cast<unsigned char>(address[i])) && column < 1 << 20)
            column = column * 26 + (std::toupper(static_cast<unsigned char>(address[i++])) - 'A' + 1);
        while (i < address.size() && address[i] == '$')
            ++i;
        int row = 0;
        while (i < address.size() && std::isdigit(static_cast<unsigned char>(address[i])) && row < 1 << 24)
            row = row * 10 + (address[i++] - '0');
        if (column == 0 || row == 0 || i != address.size())
            throw ReadStop{SheetError::Damaged};
        result.column = column - 1;
        result.row = row - 1;
        return result;
    }
    ss::src_range_t resolve_range(std::string_view range) override {
        const size_t colon = range.find(':');
        if (colon == std::string_view::npos) {
            const auto one = resolve_address(range);
            return {one, one};
        }
        return {resolve_address(range.substr(0, colon)), resolve_address(range.substr(colon + 1))};
    }
};

constexpr size_t SheetCountLimit = 256;

class Factory : public ss::iface::import_factory {
  public:
    Factory(int rowLimit, int columnLimit, qint64 byteLimit)
        : m_rowLimit(rowLimit), m_columnLimit(columnLimit), m_strings(byteLimit) {}

    ss::iface::import_global_settings* get_global_settings() override { return &m_settings; }
    ss::iface::import_shared_strings* get_shared_strings() override { return &m_strings; }
    ss::iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override {
        return &m_references;
    }
    ss::iface::import_sheet* append_sheet(ss::sheet_t index, std::string_view name) override {
        if (m_sheets.size() >= SheetCountLimit)
            throw ReadStop{SheetError::TooLarge};
        (void)index;
        m_sheets.push_back(std::make_unique<Sheet>(m_rowLimit, m_columnLimit));
        m_names.emplace_back(name);
        return m_sheets.back().get();
    }
    ss::iface::import_sheet* get_sheet(std::string_view name) override {
        for (size_t i = 0; i < m_names.size(); ++i)
            if (m_names[i] == name)
                return m_sheets[i].get();
        return nullptr;
    }
    ss::iface::import_sheet* get_sheet(ss::sheet_t index) override {
        return index >= 0 && size_t(index) < m_sheets.size() ? m_sheets[size_t(index)].get() : nullptr;
    }
    void finalize() override {}

    // The active sheet, the first one when none is marked.
    SheetError TakeActive(SheetRows& rows) const {
        if (m_sheets.empty())
            return SheetError::None;
        const Sheet* chosen = m_sheets.front().get();
        for (const auto& sheet : m_sheets)
            if (sheet->Active) {
                chosen = sheet.get();
                break;
            }
        const auto& strings = m_strings.All();
        for (size_t r = 0; r < chosen->Rows.size(); ++r) {
            const auto& cells = chosen->Rows[r];
            for (size_t c = 0; c < cells.size(); ++c) {
                const RawCell& raw = cells[c];
                SheetCell cell;
                cell.Type = raw.Type;
                if (raw.Type == SheetCell::Kind::Number) {
                    cell.Number = raw.Number;
                } else if (raw.Type == SheetCell::Kind::Text) {
                    if (raw.Shared) {
                        // A cell naming a shared string the file lacks.
                        if (raw.StringId >= strings.size())
                            return SheetError::Damaged;
                        cell.Text = QString::fromStdString(strings[raw.StringId]);
                    } else {
                        cell.Text = QString::fromStdString(raw.Text);
                    }
                }
                if (cell.Type != SheetCell::Kind::Empty)
                    rows.Set(int(r) + 1, int(c) + 1, std::move(cell));
            }
        }
        return SheetError::None;
    }

  private:
    int m_rowLimit;
    int m_columnLimit;
    GlobalSettings m_settings;
    References m_references;
    Strings m_strings;
    std::vector<std::unique_ptr<Sheet>> m_sheets;
    std::vector<std::string> m_names;
};

// OpenDocument goes through orcus. Workbooks of Excel are read by our own
// reader: orcus 0.17 drops every cell of theirs that names its type (t="n",
// t="s", t="inlineStr"), i.e. all texts.
SheetError ReadPackage(const QByteArray& bytes, bool ods, SheetRows& rows, const SheetLimits& limits) {
    zip_t* archive = nullptr;
    const SheetError check = OpenPackage(bytes, limits, archive);
    if (check != SheetError::None)
        return check;
    if (!ods) {
        const SheetError result = Ooxml::ReadWorkbook(archive, rows, limits);
        zip_discard(archive);
        return result;
    }
    // orcus stops the whole program on an assertion for some malformed XML:
    // the parts it reads are checked to be well-formed first.
    for (const QString& part : {QStringLiteral("content.xml"), QStringLiteral("styles.xml")}) {
        QByteArray xml;
        const bool present = Ooxml::ReadPart(archive, part, limits.UnpackedBytes, xml);
        if (!present && part == u"styles.xml")
            continue;
        QXmlStreamReader reader(xml);
        while (present && !reader.atEnd())
            reader.readNext();
        if (!present || reader.hasError()) {
            zip_discard(archive);
            return SheetError::Damaged;
        }
    }
    zip_discard(archive);
    Factory factory(rows.RowLimit(), rows.ColumnLimit(), limits.UnpackedBytes);
    orcus::orcus_ods filter(&factory);
    filter.read_stream(std::string_view(bytes.constData(), size_t(bytes.size())));
    return factory.TakeActive(rows);
}

// ---- Legacy .xls -----------------------------------------------------------

SheetError ReadXlsFile(const QString& path, SheetRows& rows, const SheetLimits& limits) {
    const QByteArray name = QFile::encodeName(path);
    const void* handle = nullptr;
    int rc = freexl_open(name.constData(), &handle);
    if (rc != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        return rc == FREEXL_FILE_NOT_FOUND        ? SheetError::CannotOpen
               : rc == FREEXL_INSUFFICIENT_MEMORY ? SheetError::TooLarge
                                                  : SheetError::Damaged;
    }
    SheetError result = SheetError::None;
    unsigned int info = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        result = SheetError::Encrypted;
    unsigned int sheets = 0;
    if (result == SheetError::None &&
        (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0))
        result = SheetError::Damaged;
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (result == SheetError::None) {
        unsigned short active = 0;
        if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle, &rowCount, &columnCount) != FREEXL_OK)
            result = SheetError::Damaged;
        (void)active;
    }
    if (result == SheetError::None && qint64(rowCount) * columnCount > limits.DeclaredCells)
        result = SheetError::TooLarge;
    const unsigned int lastRow = qMin<unsigned int>(rowCount, unsigned(rows.RowLimit()));
    const unsigned short lastColumn = qMin<unsigned short>(columnCount, (unsigned short)rows.ColumnLimit());
    for (unsigned int r = 0; result == SheetError::None && r < lastRow; ++r) {
        for (unsigned short c = 0; c < lastColumn; ++c) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(handle, r, c, &value) != FREEXL_OK) {
                result = SheetError::Damaged;
                break;
            }
            switch (value.type) {
            case FREEXL_CELL_INT:
                rows.Set(int(r) + 1, c + 1, SheetCell::OfNumber(value.value.int_value));
                break;
            case FREEXL_CELL_DOUBLE:
                rows.Set(int(r) + 1, c + 1, SheetCell::OfNumber(value.value.double_value));
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (value.value.text_value)
                    rows.Set(int(r) + 1, c + 1, SheetCell::OfText(QString::fromUtf8(value.value.text_value)));
                break;
            default:
                break;
            }
        }
    }
    freexl_close(handle);
    return result;
}

// libfreexl reads past its buffers on some damaged files and takes memory as
// the file's dimensions say. It therefore runs in a child process with a
// memory ceiling; the child hands the kept cells back through a pipe, and a
// child that dies means a damaged file.
SheetError ReadXlsIsolated(const QString& path, SheetRows& rows, const SheetLimits& limits) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return SheetError::CannotOpen;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return SheetError::CannotOpen;
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
#if !defined(__SANITIZE_ADDRESS__) && !ORVEX_HAS_ASAN
        // (AddressSanitizer reserves far more address space than this.)
        const rlim_t ceiling = rlim_t(limits.UnpackedBytes) * 4 + (256ULL << 20);
        struct rlimit limit = {ceiling, ceiling};
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        SheetRows kept(rows.RowLimit(), rows.ColumnLimit());
        SheetError error = SheetError::Damaged;
        try {
            error = ReadXlsFile(path, kept, limits);
        } catch (...) {
            error = SheetError::Damaged;
        }
        QByteArray out;
        {
            QDataStream stream(&out, QIODevice::WriteOnly);
            stream << qint32(error) << qint32(kept.RowCount());
            for (int r = 1; r <= kept.RowCount(); ++r)
                for (int c = 1; c <= kept.ColumnLimit(); ++c) {
                    const SheetCell& cell = kept.Cell(r, c);
                    stream << qint32(cell.Type) << cell.Text << cell.Number;
                }
        }
        const char* data = out.constData();
        qsizetype left = out.size();
        while (left > 0) {
            const ssize_t written = ::write(pipeEnds[1], data, size_t(left));
            if (written <= 0)
                break;
            data += written;
            left -= written;
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    QByteArray in;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        in.append(buffer, got);
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return SheetError::Damaged;
    QDataStream stream(in);
    qint32 error = 0, rowCount = 0;
    stream >> error >> rowCount;
    if (stream.status() != QDataStream::Ok || rowCount < 0 || rowCount > rows.RowLimit())
        return SheetError::Damaged;
    if (SheetError(error) != SheetError::None)
        return SheetError(error);
    for (int r = 1; r <= rowCount; ++r)
        for (int c = 1; c <= rows.ColumnLimit(); ++c) {
            qint32 type = 0;
            SheetCell cell;
            stream >> type >> cell.Text >> cell.Number;
            if (stream.status() != QDataStream::Ok || type < 0 ||
                type > qint32(SheetCell::Kind::UncomputedFormula))
                return SheetError::Damaged;
            cell.Type = SheetCell::Kind(type);
            if (cell.Type != SheetCell::Kind::Empty)
                rows.Set(r, c, std::move(cell));
        }
    return SheetError::None;
}

QString FormatOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

SheetError ReadBytes(const QByteArray& bytes, const QString& format, SheetRows& rows,
                     const SheetLimits& limits) {
    if (format == u"csv" || format == u"txt")
        return ReadCsv(bytes, rows, limits.CsvCodePage);
    if (format == u"xlsx" || format == u"xlsm")
        return ReadPackage(bytes, false, rows, limits);
    if (format == u"ods")
        return ReadPackage(bytes, true, rows, limits);
    return SheetError::Unsupported;
}

SheetError Guarded(SheetRows& rows, const std::function<SheetError()>& read) {
    SheetError result = SheetError::Damaged;
    try {
        result = read();
    } catch (const ReadStop& stop) {
        result = stop.Error;
    } catch (const std::bad_alloc&) {
        result = SheetError::TooLarge;
    } catch (const std::exception&) {
        result = SheetError::Damaged;
    } catch (...) {
        result = SheetError::Damaged;
    }
    if (result != SheetError::None)
        rows.Clear();
    return result;
}

} // namespace

SheetError ReadSheetBytes(const QByteArray& bytes, const QString& format, SheetRows& rows,
                          const SheetLimits& limits) {
    rows.Clear();
    const QString lower = format.toLower();
    if (bytes.size() > limits.FileBytes)
        return SheetError::TooLarge;
    if (lower == u"xls") {
        // The legacy reader takes file names only.
        QTemporaryFile file;
        if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
            return SheetError::CannotOpen;
        return Guarded(rows, [&] { return ReadXlsIsolated(file.fileName(), rows, limits); });
    }
    return Guarded(rows, [&] { return ReadBytes(bytes, lower, rows, limits); });
}

SheetError ReadSheetFile(const QString& path, SheetRows& rows, const SheetLimits& limits) {
    rows.Clear();
    const QString format = FormatOf(path);
    if (!ReadableSheetFormats().contains(format))
        return SheetError::Unsupported;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SheetError::CannotOpen;
    if (file.size() > limits.FileBytes)
        return SheetError::TooLarge;
    if (format == u"xls") {
        file.close();
        return Guarded(rows, [&] { return ReadXlsIsolated(path, rows, limits); });
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        return SheetError::CannotOpen;
    return Guarded(rows, [&] { return ReadBytes(bytes, format, rows, limits); });
}
