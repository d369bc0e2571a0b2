#include "spreadsheets/OoxmlSheet.h"

#include <QXmlStreamReader>

#include <zip.h>

#include <cstring>
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

// The sheet part is the bulk of a workbook; it is scanned by hand, as a
// general XML reader takes several times as long for these few elements.
// Only what a worksheet holds is understood: a document type, or anything
// malformed on the way to the cells, makes the part damaged.
class SheetScanner {
  public:
    explicit SheetScanner(const QByteArray& bytes)
        : m_p(bytes.constData()), m_end(bytes.constData() + bytes.size()) {}

    SheetError Read(SheetRows& rows, const std::function<bool(qsizetype, QString&)>& sharedString) {
        Tag tag;
        // Up to the cells.
        do {
            if (!NextTag(tag))
                return SheetError::Damaged;
        } while (!(tag.Kind == Tag::Start && tag.Local == "sheetData"));
        if (tag.SelfClosing)
            return SheetError::None;
        int row = 0;
        int column = 0;
        for (;;) {
            if (!NextTag(tag))
                return SheetError::Damaged;
            if (tag.Kind == Tag::End && tag.Local == "sheetData")
                return SheetError::None;
            if (tag.Kind != Tag::Start)
                continue;
            if (tag.Local == "row") {
                QByteArray r;
                row = Attribute(tag, "r", r) ? r.toInt() : row + 1;
                column = 0;
                if (row <= 0)
                    return SheetError::Damaged;
                continue;
            }
            if (tag.Local != "c") {
                if (!tag.SelfClosing && !SkipElement(tag.Local))
                    return SheetError::Damaged;
                continue;
            }
            QByteArray type, reference;
            Attribute(tag, "t", type);
            int cellRow = row;
            if (!Attribute(tag, "r", reference))
                ++column;
            else if (!ParseReference(QString::fromLatin1(reference), cellRow, column))
                return SheetError::Damaged;
            bool formula = false;
            bool hasValue = false;
            QByteArray value;
            QString inlineText;
            if (!tag.SelfClosing) {
                for (;;) {
                    Tag part;
                    if (!NextTag(part))
                        return SheetError::Damaged;
                    if (part.Kind == Tag::End && part.Local == "c")
                        break;
                    if (part.Kind != Tag::Start)
                        continue;
                    if (part.Local == "f") {
                        formula = true;
                        if (!part.SelfClosing && !SkipElement(part.Local))
                            return SheetError::Damaged;
                    } else if (part.Local == "v") {
                        if (!part.SelfClosing && !ReadText(value))
                            return SheetError::Damaged;
                        hasValue = !value.isEmpty() || type == "str";
                    } else if (part.Local == "is") {
                        hasValue = true;
                        if (!part.SelfClosing && !ReadInline(inlineText))
                            return SheetError::Damaged;
                    } else if (!part.SelfClosing && !SkipElement(part.Local)) {
                        return SheetError::Damaged;
                    }
                }
            }
            if (column > rows.ColumnLimit())
                continue;
            if (cellRow > rows.RowLimit()) {
                // Read past; the rows only count it.
                if (hasValue || formula)
                    rows.Set(cellRow, column, SheetCell::OfText(QStringLiteral("-")));
                continue;
            }
            SheetCell cell;
            if (formula && !hasValue) {
                cell.Type = SheetCell::Kind::UncomputedFormula;
            } else if (!hasValue) {
                continue;
            } else if (type == "s") {
                bool ok = false;
                const qsizetype index = value.trimmed().toLongLong(&ok);
                QString text;
                if (!ok || !sharedString(index, text))
                    return SheetError::Damaged; // a string the package lacks
                cell = SheetCell::OfText(text);
            } else if (type == "inlineStr") {
                cell = SheetCell::OfText(inlineText);
            } else if (type == "str" || type == "e" || type == "d") {
                cell = SheetCell::OfText(QString::fromUtf8(value));
            } else {
                bool ok = false;
                const double number = value.trimmed().toDouble(&ok);
                if (!ok)
                    return SheetError::Damaged;
                cell = SheetCell::OfNumber(number);
            }
            rows.Set(cellRow, column, std::move(cell));
        }
    }

  private:
    struct Tag {
        enum { Start, End, Other } Kind = Other;
        QByteArrayView Local;
        QByteArrayView Attributes;
        bool SelfClosing = false;
    };

    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    const char* Find(const char* from, QByteArrayView what) const {
        const QByteArrayView rest(from, m_end - from);
        const qsizetype at = rest.indexOf(what);
        return at < 0 ? nullptr : from + at;
    }

    // The next tag after any text; false at the end or on a malformed one.
    bool NextTag(Tag& tag) {
        const char* open = static_cast<const char*>(std::memchr(m_p, '<', size_t(m_end - m_p)));
        if (!open || open + 1 >= m_end)
            return false;
        m_p = open + 1;
        tag = Tag{};
        if (*m_p == '?' || *m_p == '!') {
            if (QByteArrayView(m_p, m_end - m_p).startsWith("!--")) {
                const char* close = Find(m_p, "-->");
                if (!close)
                    return false;
                m_p = close + 3;
                return true;
            }
            if (*m_p == '!')
                return false; // a document type or CDATA: not in a worksheet
            const char* close = Find(m_p, "?>");
            if (!close)
                return false;
            m_p = close + 2;
            return true;
        }
        const char* close = static_cast<const char*>(std::memchr(m_p, '>', size_t(m_end - m_p)));
        if (!close)
            return false;
        const char* nameStart = m_p;
        if (*nameStart == '/') {
            tag.Kind = Tag::End;
            ++nameStart;
        } else {
            tag.Kind = Tag::Start;
        }
        const char* nameEnd = nameStart;
        while (nameEnd < close && !IsSpace(*nameEnd) && *nameEnd != '/')
            ++nameEnd;
        if (nameEnd == nameStart)
            return false;
        QByteArrayView name(nameStart, nameEnd - nameStart);
        const qsizetype colon = name.lastIndexOf(':');
        tag.Local = colon < 0 ? name : name.sliced(colon + 1);
        tag.SelfClosing = tag.Kind == Tag::Start && close[-1] == '/';
        tag.Attributes = QByteArrayView(nameEnd, (tag.SelfClosing ? close - 1 : close) - nameEnd);
        m_p = close + 1;
        return true;
    }

    // The attribute's value with its entities decoded.
    static bool Attribute(const Tag& tag, QByteArrayView name, QByteArray& value) {
        QByteArrayView rest = tag.Attributes;
        while (!rest.isEmpty()) {
            qsizetype i = 0;
            while (i < rest.size() && IsSpace(rest[i]))
                ++i;
            const qsizetype nameStart = i;
            while (i < rest.size() && rest[i] != '=' && !IsSpace(rest[i]))
                ++i;
            const QByteArrayView found = rest.sliced(nameStart, i - nameStart);
            while (i < rest.size() && (IsSpace(rest[i]) || rest[i] == '='))
                ++i;
            if (i >= rest.size() || (rest[i] != '"' && rest[i] != '\''))
                return false;
            const char quote = rest[i];
            const qsizetype valueStart = ++i;
            while (i < rest.size() && rest[i] != quote)
                ++i;
            if (i >= rest.size())
                return false;
            if (found == name)
                return Decode(rest.sliced(valueStart, i - valueStart), value);
            rest = rest.sliced(i + 1);
        }
        return false;
    }

    static bool Decode(QByteArrayView raw, QByteArray& out) {
        out.clear();
        if (!raw.contains('&')) {
            out = raw.toByteArray();
            return true;
        }
        out.reserve(raw.size());
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            const qsizetype semi = raw.indexOf(';', i);
            if (semi < 0 || semi - i > 10)
                return false;
            const QByteArrayView entity = raw.sliced(i + 1, semi - i - 1);
            if (entity == "lt")
                out += '<';
            else if (entity == "gt")
                out += '>';
            else if (entity == "amp")
                out += '&';
            else if (entity == "quot")
                out += '"';
            else if (entity == "apos")
                out += '\'';
            else if (entity.startsWith('#')) {
                bool ok = false;
                const uint code = entity.startsWith("#x") ? entity.sliced(2).toByteArray().toUInt(&ok, 16)
                                                          : entity.sliced(1).toByteArray().toUInt(&ok, 10);
                if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                    return false;
                const char32_t c = char32_t(code);
                out += QString::fromUcs4(&c, 1).toUtf8();
            } else {
                return false;
            }
            i = semi;
        }
        return true;
    }

    // The text up to the element's end tag (no child elements).
    bool ReadText(QByteArray& text) {
        const char* open = static_cast<const char*>(std::memchr(m_p, '<', size_t(m_end - m_p)));
        if (!open || open + 1 >= m_end || open[1] != '/')
            return false;
        if (!Decode(QByteArrayView(m_p, open - m_p), text))
            return false;
        Tag end;
        m_p = open;
        return NextTag(end) && end.Kind == Tag::End;
    }

    // All <t> texts of an inline string up to </is>, phonetic runs left out.
    bool ReadInline(QString& text) {
        QByteArray utf8;
        for (;;) {
            Tag tag;
            if (!NextTag(tag))
                return false;
            if (tag.Kind == Tag::End && tag.Local == "is")
                break;
            if (tag.Kind != Tag::Start || tag.SelfClosing)
                continue;
            if (tag.Local == "t") {
                QByteArray piece;
                if (!ReadText(piece))
                    return false;
                utf8 += piece;
            } else if (tag.Local == "rPh") {
                if (!SkipElement(tag.Local))
                    return false;
            }
        }
        text = QString::fromUtf8(utf8);
        return true;
    }

    // Past the end of an element whose start tag was just read.
    bool SkipElement(QByteArrayView local) {
        int depth = 1;
        const QByteArray name = local.toByteArray();
        while (depth > 0) {
            Tag tag;
            if (!NextTag(tag))
                return false;
            if (tag.Local != name)
                continue;
            if (tag.Kind == Tag::Start && !tag.SelfClosing)
                ++depth;
            else if (tag.Kind == Tag::End)
                --depth;
        }
        return true;
    }

    const char* m_p;
    const char* m_end;
};

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

    SheetScanner scanner(sheetBytes);
    const auto sharedText = [&](qsizetype index, QString& text) { return sharedString(index, text); };
    return scanner.Read(rows, sharedText);
}

} // namespace Ooxml
