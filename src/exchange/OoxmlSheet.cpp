#include "exchange/OoxmlSheet.h"

#include <QXmlStreamReader>

#include <zip.h>

#include <vector>

namespace Ooxml {

namespace {

const QString RelationshipsNs =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// Targets in a part's relationships are relative to the part's folder.
QString ResolveTarget(const QString& folder, const QString& target) {
    if (target.startsWith(u'/'))
        return target.mid(1);
    QStringList parts = folder.split(u'/', Qt::SkipEmptyParts);
    for (const QString& piece : target.split(u'/', Qt::SkipEmptyParts)) {
        if (piece == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (piece != u".") {
            parts << piece;
        }
    }
    return parts.join(u'/');
}

struct Relationship {
    QString Id;
    QString Type;
    QString Target;
};

std::vector<Relationship> ReadRelationships(zip* archive, const QString& name, qint64 limit) {
    std::vector<Relationship> result;
    QByteArray bytes;
    if (!ReadPart(archive, name, limit, bytes))
        return result;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship") {
            const auto attributes = xml.attributes();
            result.push_back({attributes.value(QLatin1String("Id")).toString(),
                              attributes.value(QLatin1String("Type")).toString(),
                              attributes.value(QLatin1String("Target")).toString()});
        }
    }
    return result;
}

// All <t> texts of a shared string, phonetic runs left out.
QString ReadStringItem(QXmlStreamReader& xml) {
    QString text;
    int phonetic = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token != QXmlStreamReader::StartElement && token != QXmlStreamReader::EndElement)
            continue;
        const QStringView qualified = xml.qualifiedName();
        const QStringView name = qualified.mid(qualified.lastIndexOf(u':') + 1);
        if (token == QXmlStreamReader::StartElement) {
            if (name == u"rPh")
                ++phonetic;
            else if (name == u"t" && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else {
            if (name == u"rPh")
                --phonetic;
            else if (name == u"si" || name == u"is")
                break;
        }
    }
    return text;
}

} // namespace

bool ReadPart(zip* archive, const QString& name, qint64 limit, QByteArray& bytes) {
    bytes.clear();
    const QByteArray utf8 = name.toUtf8();
    zip_stat_t stat;
    if (zip_stat(archive, utf8.constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return false;
    if (stat.size > zip_uint64_t(limit))
        return false;
    zip_file_t* file = zip_fopen(archive, utf8.constData(), 0);
    if (!file)
        return false;
    bytes.resize(qsizetype(stat.size));
    const zip_int64_t read = zip_fread(file, bytes.data(), stat.size);
    zip_fclose(file);
    return read == zip_int64_t(stat.size);
}

bool ParseReference(QStringView reference, int& row, int& column) {
    qsizetype i = 0;
    column = 0;
    while (i < reference.size() && reference[i].isLetter() && reference[i].unicode() < 128 && column <= 16384)
        column = column * 26 + (reference[i++].toUpper().unicode() - 'A' + 1);
    row = 0;
    while (i < reference.size() && reference[i].isDigit() && row <= 1048576)
        row = row * 10 + (reference[i++].unicode() - '0');
    return column > 0 && column <= 16384 && row > 0 && row <= 1048576 && i == reference.size();
}

QString ColumnLetters(int column) {
    QString letters;
    while (column > 0) {
        letters.prepend(QChar(u'A' + (column - 1) % 26));
        column = (column - 1) / 26;
    }
    return letters;
}

SheetError ActiveSheetPath(zip* archive, qint64 limit, QString& path) {
    // The workbook part is named by the package's own relationships.
    QString workbook = QStringLiteral("xl/workbook.xml");
    for (const Relationship& r : ReadRelationships(archive, QStringLiteral("_rels/.rels"), limit))
        if (r.Type.endsWith(u"/officeDocument"))
            workbook = ResolveTarget({}, r.Target);
    QByteArray bytes;
    if (!ReadPart(archive, workbook, limit, bytes))
        return SheetError::Damaged;
    QXmlStreamReader xml(bytes);
    int activeTab = 0;
    QStringList sheetIds;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"workbookView") {
            activeTab = xml.attributes().value(QLatin1String("activeTab")).toInt();
        } else if (xml.name() == u"sheet") {
            sheetIds << xml.attributes().value(RelationshipsNs, QStringLiteral("id")).toString();
        }
    }
    if (xml.hasError() || sheetIds.isEmpty())
        return SheetError::Damaged;
    if (activeTab < 0 || activeTab >= sheetIds.size())
        activeTab = 0;
    const int slash = int(workbook.lastIndexOf(u'/'));
    const QString folder = slash < 0 ? QString() : workbook.left(slash);
    const QString rels = (folder.isEmpty() ? QString() : folder + u'/') + QStringLiteral("_rels/") +
                         workbook.mid(slash + 1) + QStringLiteral(".rels");
    for (const Relationship& r : ReadRelationships(archive, rels, limit)) {
        if (r.Id == sheetIds[activeTab]) {
            path = ResolveTarget(folder, r.Target);
            return SheetError::None;
        }
    }
    return SheetError::Damaged;
}

SheetError ReadWorkbook(zip* archive, SheetRows& rows, const SheetLimits& limits) {
    QString sheetPath;
    const SheetError located = ActiveSheetPath(archive, limits.UnpackedBytes, sheetPath);
    if (located != SheetError::None)
        return located;
    QByteArray sheetBytes;
    if (!ReadPart(archive, sheetPath, limits.UnpackedBytes, sheetBytes))
        return SheetError::Damaged;

    // The shared strings are read only when the sheet uses them.
    std::vector<QString> strings;
    bool stringsRead = false;
    const auto sharedString = [&](qsizetype index, QString& text) {
        if (!stringsRead) {
            stringsRead = true;
            const int slash = int(sheetPath.lastIndexOf(u'/'));
            QString stringsPath = QStringLiteral("xl/sharedStrings.xml");
            const QString rels = sheetPath.left(slash) + QStringLiteral("/../_rels/workbook.xml.rels");
            for (const Relationship& r :
                 ReadRelationships(archive, ResolveTarget({}, rels), limits.UnpackedBytes))
                if (r.Type.endsWith(u"/sharedStrings"))
                    stringsPath = ResolveTarget(QStringLiteral("xl"), r.Target);
            QByteArray bytes;
            if (ReadPart(archive, stringsPath, limits.UnpackedBytes, bytes)) {
                QXmlStreamReader xml(bytes);
                while (!xml.atEnd())
                    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
                        strings.push_back(ReadStringItem(xml));
                if (xml.hasError())
                    strings.clear();
            }
        }
        if (index < 0 || index >= qsizetype(strings.size()))
            return false;
        text = strings[size_t(index)];
        return true;
    };

    // Names are compared without their prefix: namespace processing costs
    // more than all the rest of the reading.
    QXmlStreamReader xml(sheetBytes);
    xml.setNamespaceProcessing(false);
    const auto local = [&xml] {
        const QStringView name = xml.qualifiedName();
        return name.mid(name.lastIndexOf(u':') + 1);
    };
    int row = 0;
    int column = 0;
    QString value;
    QString inlineText;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = local();
        if (name == u"row") {
            const auto r = xml.attributes().value(QLatin1String("r"));
            row = r.isEmpty() ? row + 1 : r.toInt();
            column = 0;
            if (row <= 0)
                return SheetError::Damaged;
            if (row > rows.RowLimit())
                break; // rows come in order: nothing further is kept
            continue;
        }
        if (name != u"c")
            continue;
        enum { Number, Shared, Inline, Text } type = Number;
        int cellRow = row;
        {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView t = attributes.value(QLatin1String("t"));
            if (t == u"s")
                type = Shared;
            else if (t == u"inlineStr")
                type = Inline;
            else if (t == u"str" || t == u"e" || t == u"d")
                type = Text;
            const QStringView reference = attributes.value(QLatin1String("r"));
            if (reference.isEmpty())
                ++column;
            else if (!ParseReference(reference, cellRow, column))
                return SheetError::Damaged;
        }
        bool formula = false;
        bool hasValue = false;
        value.clear();
        inlineText.clear();
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && local() == u"c")
                break;
            if (token != QXmlStreamReader::StartElement)
                continue;
            const QStringView part = local();
            if (part == u"f") {
                formula = true;
                xml.skipCurrentElement();
            } else if (part == u"v") {
                // Some writers leave an empty value behind a formula they
                // never computed.
                value = xml.readElementText();
                hasValue = !value.isEmpty() || type == Text;
            } else if (part == u"is") {
                hasValue = true;
                inlineText = ReadStringItem(xml);
            }
        }
        if (xml.hasError())
            break;
        if (cellRow > rows.RowLimit() || column > rows.ColumnLimit())
            continue;
        SheetCell cell;
        if (formula && !hasValue) {
            cell.Type = SheetCell::Kind::UncomputedFormula;
        } else if (!hasValue) {
            continue;
        } else if (type == Shared) {
            bool ok = false;
            const qsizetype index = QStringView(value).trimmed().toLongLong(&ok);
            QString text;
            if (!ok || !sharedString(index, text))
                return SheetError::Damaged; // a string the package lacks
            cell = SheetCell::OfText(text);
        } else if (type == Inline) {
            cell = SheetCell::OfText(inlineText);
        } else if (type == Text) {
            cell = SheetCell::OfText(value);
        } else {
            bool ok = false;
            const double number = QStringView(value).trimmed().toDouble(&ok);
            if (!ok)
                return SheetError::Damaged;
            cell = SheetCell::OfNumber(number);
        }
        rows.Set(cellRow, column, std::move(cell));
    }
    return xml.hasError() ? SheetError::Damaged : SheetError::None;
}

} // namespace Ooxml
