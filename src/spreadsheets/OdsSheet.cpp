#include "spreadsheets/SheetReaders.h"

#include "spreadsheets/OoxmlSheet.h"

#include <QXmlStreamReader>

#include <orcus/orcus_ods.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <orcus/spreadsheet/import_interface_view.hpp>

#include <zip.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace ss = orcus::spreadsheet;

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
            throw SheetReadStop{SheetError::TooLarge};
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
    // Rows below the kept ones with a cell in the kept columns.
    int RowsBeyond = 0;

    void Put(ss::row_t row, ss::col_t col, RawCell cell) {
        if (row >= m_rowLimit && col >= 0 && col < m_columnLimit)
            CountBeyond(row, row);
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
        if (srcRow + rangeSize >= m_rowLimit && srcCol < m_columnLimit)
            CountBeyond(std::max<ss::row_t>(srcRow + 1, m_rowLimit), srcRow + rangeSize);
    }
    ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }

  private:
    // Rows come in order; a row already counted is not counted again.
    void CountBeyond(ss::row_t first, ss::row_t last) {
        first = std::max<ss::row_t>(first, m_lastBeyond + 1);
        if (last >= first) {
            RowsBeyond += int(std::min<ss::row_t>(last - first + 1, 1 << 30));
            m_lastBeyond = last;
        }
    }

    int m_rowLimit;
    int m_columnLimit;
    ss::row_t m_lastBeyond = -1;
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
            throw SheetReadStop{SheetError::Damaged};
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
            throw SheetReadStop{SheetError::TooLarge};
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
        rows.SetRowsBeyondLimit(chosen->RowsBeyond);
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

} // namespace

// OpenDocument goes through orcus. Workbooks of Excel are read by our own
SheetError ReadOds(const QByteArray& bytes, SheetRows& rows, const SheetLimits& limits) {
    zip_t* archive = nullptr;
    const SheetError check = OpenPackage(bytes, limits, archive);
    if (check != SheetError::None)
        return check;
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
