#include "spreadsheets/SheetTemplate.h"

#include "common/SafeFile.h"

#include "spreadsheets/OoxmlSheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <zip.h>

#include <filesystem>
#include <map>
#include <system_error>

namespace SheetTemplate {

namespace {

QString Escaped(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            clean += c; // XML 1.0 has no place for the other control characters
    return clean.toHtmlEscaped();
}

QString LocalName(QStringView qualified) {
    return qualified.mid(qualified.lastIndexOf(u':') + 1).toString();
}

QString CellXml(const QString& p, int row, int column, const SheetCell& cell, const QString& style) {
    const QString ref = Ooxml::ColumnLetters(column) + QString::number(row);
    const QString styleAttribute =
        style.isEmpty() ? QString() : QStringLiteral(" s=\"%1\"").arg(Escaped(style));
    if (cell.Type == SheetCell::Kind::Number)
        return QStringLiteral("<%1c r=\"%2\"%3><%1v>%4</%1v></%1c>")
            .arg(p, ref, styleAttribute, QString::number(cell.Number, 'g', QLocale::FloatingPointShortest));
    if (cell.Type == SheetCell::Kind::Text && !cell.Text.isEmpty())
        return QStringLiteral(
                   "<%1c r=\"%2\"%3 t=\"inlineStr\"><%1is><%1t xml:space=\"preserve\">%4</%1t></%1is></%1c>")
            .arg(p, ref, styleAttribute, Escaped(cell.Text));
    // An empty cell keeps only its format.
    return style.isEmpty() ? QString() : QStringLiteral("<%1c r=\"%2\"%3/>").arg(p, ref, styleAttribute);
}

} // namespace

// The part is copied as text; only the rows written and the used range are
// made anew, so that whatever else the sheet holds stays as it was.
bool RewriteSheet(const QByteArray& sheet, const std::vector<SheetRow>& rows, QByteArray& result) {
    result.clear();
    if (sheet.startsWith("\xFF\xFE") || sheet.startsWith("\xFE\xFF"))
        return false; // UTF-16 parts are not written by spreadsheet programs
    const QString text = QString::fromUtf8(sheet);
    QXmlStreamReader in(text);
    in.setNamespaceProcessing(false);
    QString out;
    out.reserve(text.size() + int(rows.size()) * 400);
    qint64 copied = 0;
    const auto copyUpTo = [&](qint64 offset) {
        out += QStringView(text).mid(copied, offset - copied);
        copied = offset;
    };
    const int lastRow = int(rows.size());
    int nextNewRow = 1;
    QString p; // the prefix the sheet gives its own elements
    bool inSheetData = false;
    bool sawSheetData = false;

    const auto rowXml = [&](int r, const QString& startTag, const std::map<int, QString>& styles,
                            const QString& kept) {
        QString xml = startTag.isEmpty() ? QStringLiteral("<%1row r=\"%2\">").arg(p).arg(r) : startTag;
        const SheetRow& cells = rows[size_t(r - 1)];
        for (int c = 1; c <= Columns; ++c) {
            const auto style = styles.find(c);
            xml += CellXml(p, r, c, c <= int(cells.size()) ? cells[size_t(c - 1)] : SheetCell{},
                           style == styles.end() ? QString() : style->second);
        }
        return xml + kept + QStringLiteral("</%1row>").arg(p);
    };
    const auto newRowsBefore = [&](int r) {
        for (; nextNewRow < r && nextNewRow <= lastRow; ++nextNewRow)
            out += rowXml(nextNewRow, {}, {}, {});
    };

    while (!in.atEnd()) {
        const qint64 before = in.characterOffset();
        in.readNext();
        if (in.hasError())
            break;
        const QString name =
            in.isStartElement() || in.isEndElement() ? LocalName(in.qualifiedName()) : QString();
        if (in.isStartElement() && name == u"sheetData") {
            sawSheetData = true;
            const QString qualified = in.qualifiedName().toString();
            p = qualified.left(qualified.size() - name.size());
            const qint64 after = in.characterOffset();
            if (QStringView(text).mid(before, after - before).trimmed().endsWith(u"/>")) {
                // <sheetData/>: the rows go between a new pair of tags.
                copyUpTo(before);
                out += QStringLiteral("<%1sheetData>").arg(p);
                newRowsBefore(lastRow + 1);
                out += QStringLiteral("</%1sheetData>").arg(p);
                in.readNext(); // its end
                copied = in.characterOffset();
                continue;
            }
            inSheetData = true;
            continue;
        }
        if (in.isEndElement() && name == u"sheetData" && inSheetData) {
            copyUpTo(before);
            newRowsBefore(lastRow + 1);
            inSheetData = false;
            continue;
        }
        if (in.isStartElement() && name == u"dimension") {
            QString ref = in.attributes().value(QLatin1String("ref")).toString();
            int row = 0, column = 0;
            if (Ooxml::ParseReference(ref.section(u':', -1), row, column))
                ref = QStringLiteral("A1:%1%2")
                          .arg(Ooxml::ColumnLetters(qMax(column, Columns)))
                          .arg(qMax(row, lastRow));
            const QString qualified = in.qualifiedName().toString();
            copyUpTo(before);
            out += QStringLiteral("<%1 ref=\"%2\"/>").arg(qualified, Escaped(ref));
            in.skipCurrentElement();
            copied = in.characterOffset();
            continue;
        }
        if (!(inSheetData && in.isStartElement() && name == u"row"))
            continue;
        const int r = in.attributes().value(QLatin1String("r")).toInt();
        if (r <= 0)
            return false;
        copyUpTo(before);
        newRowsBefore(r);
        if (r > lastRow)
            continue; // rows beyond the export stay as they are
        QString startTag = QStringLiteral("<%1row").arg(p);
        for (const QXmlStreamAttribute& a : in.attributes())
            if (a.qualifiedName() != u"spans") // the cells' extent changes
                startTag += QStringLiteral(" %1=\"%2\"")
                                .arg(a.qualifiedName().toString(), Escaped(a.value().toString()));
        const bool emptyRow =
            QStringView(text).mid(before, in.characterOffset() - before).trimmed().endsWith(u"/>");
        startTag += u'>';
        std::map<int, QString> styles;
        QString kept;
        int column = 0;
        while (!emptyRow && !in.atEnd()) {
            const qint64 cellStart = in.characterOffset();
            in.readNext();
            if (in.hasError())
                return false;
            if (in.isEndElement() && LocalName(in.qualifiedName()) == u"row")
                break;
            if (!in.isStartElement())
                continue;
            if (LocalName(in.qualifiedName()) != u"c") {
                in.skipCurrentElement();
                continue;
            }
            int cellRow = r;
            const auto ref = in.attributes().value(QLatin1String("r"));
            if (ref.isEmpty())
                ++column;
            else if (!Ooxml::ParseReference(ref, cellRow, column))
                return false;
            const QString style = in.attributes().value(QLatin1String("s")).toString();
            in.skipCurrentElement();
            if (column <= Columns)
                styles[column] = style;
            else
                kept += QStringView(text).mid(cellStart, in.characterOffset() - cellStart);
        }
        if (emptyRow)
            in.readNext(); // the empty row's end
        out += rowXml(r, startTag, styles, kept);
        copied = in.characterOffset();
        nextNewRow = r + 1;
    }
    if (in.hasError() || !sawSheetData)
        return false;
    copyUpTo(text.size());
    result = out.toUtf8();
    return true;
}

} // namespace SheetTemplate

namespace {

class TemplateWriter : public SheetWriter {
  public:
    TemplateWriter(QString templatePath, QString target)
        : m_template(std::move(templatePath)), m_target(std::move(target)) {}

    void AddRow(const SheetRow& row) override {
        SheetRow cells(row.begin(), row.begin() + qMin<qsizetype>(row.size(), SheetTemplate::Columns));
        m_rows.push_back(std::move(cells));
    }

    SheetError Finish() override {
        const SheetLimits limits;
        const WriteTarget target = ResolveWriteTarget(m_target);
        if (!target.Ok())
            return SheetError::NotAFile;
        m_target = target.Path;
        QFile file;
        if (!OpenRegularFile(file, m_template).isEmpty())
            return SheetError::CannotOpen;
        if (file.size() > limits.FileBytes)
            return SheetError::TooLarge;
        const QByteArray bytes = file.readAll();
        file.close();
        // The same checks as for reading it: no zip bomb, no password.
        SheetRows probe(1, 1);
        const SheetError readable = ReadSheetBytes(bytes, QStringLiteral("xlsx"), probe, limits);
        if (readable != SheetError::None)
            return readable;

        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source =
            zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
        zip_t* in = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
        zip_error_fini(&error);
        if (!in) {
            if (source)
                zip_source_free(source);
            return SheetError::Damaged;
        }
        const SheetError result = Copy(in, limits);
        zip_discard(in);
        return result;
    }

  private:
    SheetError Copy(zip_t* in, const SheetLimits& limits) {
        QString sheetPath;
        if (Ooxml::ActiveSheetPath(in, limits.UnpackedBytes, sheetPath) != SheetError::None)
            return SheetError::Damaged;
        QByteArray sheet;
        QByteArray rewritten;
        if (!Ooxml::ReadPart(in, sheetPath, limits.UnpackedBytes, sheet) ||
            !SheetTemplate::RewriteSheet(sheet, m_rows, rewritten))
            return SheetError::Damaged;

        const QFileInfo info(m_target);
        QTemporaryFile temp(
            info.absoluteDir().filePath(QStringLiteral(".%1-XXXXXX.tmp").arg(info.completeBaseName())));
        if (!temp.open())
            return SheetError::CannotWrite;
        temp.close();
        const QByteArray tempName = QFile::encodeName(temp.fileName());
        int zipError = 0;
        zip_t* out = zip_open(tempName.constData(), ZIP_TRUNCATE, &zipError);
        if (!out)
            return SheetError::CannotWrite;
        bool ok = true;
        const zip_int64_t count = zip_get_num_entries(in, 0);
        for (zip_int64_t i = 0; i < count && ok; ++i) {
            const char* name = zip_get_name(in, zip_uint64_t(i), ZIP_FL_ENC_RAW);
            if (!name) {
                ok = false;
                break;
            }
            zip_source_t* part = nullptr;
            if (QString::fromUtf8(name) == sheetPath)
                part = zip_source_buffer(out, rewritten.constData(), zip_uint64_t(rewritten.size()), 0);
            else
                part = zip_source_zip(out, in, zip_uint64_t(i), ZIP_FL_COMPRESSED, 0, -1); // as it is
            const zip_int64_t index = part ? zip_file_add(out, name, part, ZIP_FL_ENC_RAW) : -1;
            if (index < 0) {
                if (part)
                    zip_source_free(part);
                ok = false;
            }
        }
        if (!ok) {
            zip_discard(out);
            return SheetError::CannotWrite;
        }
        if (zip_close(out) != 0) {
            zip_discard(out);
            return SheetError::CannotWrite;
        }
        temp.setAutoRemove(false);
        return RenameOverTarget(temp.fileName(), m_target).isEmpty() ? SheetError::None
                                                                     : SheetError::CannotWrite;
    }

    QString m_template;
    QString m_target;
    std::vector<SheetRow> m_rows;
};

} // namespace

std::unique_ptr<SheetWriter> MakeTemplateWriter(const QString& templatePath, const QString& target) {
    return std::make_unique<TemplateWriter>(templatePath, target);
}
