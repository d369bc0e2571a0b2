#include "viewer/LineStore.h"

#include "common/SafeFile.h"
#include "common/SystemReasons.h"
#include "protocol/RegisterCharset.h"
#include "viewer/MappingGuard.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QIODevice>
#include <cstring>
#include <sys/mman.h>

namespace {

constexpr quint64 ContinuesBit = quint64(1) << 63;
constexpr int LengthShift = 40;
constexpr quint64 OffsetMask = (quint64(1) << LengthShift) - 1;
constexpr quint64 LengthMask = 0xFFF;

// Bytes written to a file at a time, between which the caller's events run.
constexpr qsizetype WritePieceBytes = 4 * 1024 * 1024;

// The end of [from, to) moved back to the start of its last character when
// that character may be cut off (UTF-8).
qint64 CharacterBoundary(const char* data, qint64 from, qint64 to) {
    qint64 end = to;
    for (int back = 0; back < 3 && end > from && (uchar(data[end - 1]) & 0xC0) == 0x80; ++back)
        --end;
    if (end > from && uchar(data[end - 1]) >= 0xC0)
        --end;
    return end;
}

} // namespace

QString LineStore::Decode(QByteArrayView bytes) const {
    return Utf8() ? QString::fromUtf8(bytes) : FromCodePage(bytes, Charset());
}

QString LineStore::Row(qsizetype row) const {
    return Decode(RowBytes(row));
}

QString LineStore::Text(const std::function<void()>& between) const {
    constexpr qsizetype StretchRows = 8192;
    QString text;
    const qsizetype rows = RowCount();
    for (qsizetype row = 0; row < rows; ++row) {
        if (between && row > 0 && row % StretchRows == 0)
            between();
        if (row > 0 && !Continues(row))
            text += QLatin1Char('\n');
        text += Row(row);
    }
    return text;
}

bool LineStore::WriteTo(QIODevice& out, const std::function<bool()>& between) const {
    QByteArray piece;
    const qsizetype rows = RowCount();
    for (qsizetype row = 0; row < rows; ++row) {
        const QByteArrayView bytes = RowBytes(row);
        piece.append(Utf8() ? QByteArray(bytes.data(), bytes.size()) : Row(row).toUtf8());
        if (row + 1 == rows || !Continues(row + 1))
            piece.append("\r\n");
        if (piece.size() >= WritePieceBytes || row + 1 == rows) {
            if (out.write(piece) != piece.size())
                return false;
            piece.clear();
            if (between && !between())
                return false;
        }
    }
    return true;
}

void TextLineStore::AppendText(QStringView text) {
    if (text.isEmpty())
        return;
    for (QStringView line : text.split(QLatin1Char('\n')))
        AppendPieces(line);
    m_bytes.Publish();
    m_rows.Publish();
    emit Grown();
}

void TextLineStore::AppendLine(QStringView line) {
    AppendPieces(line);
    m_bytes.Publish();
    m_rows.Publish();
    emit Grown();
}

void TextLineStore::AppendPieces(QStringView line) {
    qsizetype from = 0;
    do {
        qsizetype take = qMin(DisplayLimit, line.size() - from);
        // A surrogate pair stays in one row.
        if (from + take < line.size() && take > 1 && line[from + take - 1].isHighSurrogate())
            --take;
        if (!AppendRow(line.sliced(from, take), from > 0))
            break;
        from += take;
    } while (from < line.size());
}

bool TextLineStore::AppendRow(QStringView row, bool continues) {
    const QByteArray bytes = row.toUtf8();
    qsizetype offset = 0;
    char* to = m_bytes.Reserve(bytes.size(), offset);
    if (!to)
        return false;
    std::memcpy(to, bytes.constData(), size_t(bytes.size()));
    m_longest = qMax(m_longest, row.size());
    return m_rows.Append(quint64(offset) | (quint64(bytes.size()) << LengthShift) |
                         (continues ? ContinuesBit : 0));
}

QByteArrayView TextLineStore::RowBytes(qsizetype row) const {
    const quint64 entry = *m_rows.At(row);
    const qsizetype offset = qsizetype(entry & OffsetMask);
    return {m_bytes.At(offset), qsizetype((entry >> LengthShift) & LengthMask)};
}

bool TextLineStore::Continues(qsizetype row) const {
    return (*m_rows.At(row) & ContinuesBit) != 0;
}

const Caption NotARegularFile{
    "The file \"%1\" cannot be viewed: it is not a regular file (a pipe, a device or a "
    "folder).",
    "Datoteka \"%1\" ne može da se prikaže: nije obična datoteka (cev, uređaj ili "
    "fascikla)."};
const Caption TooLargeToView{"The file \"%1\" is too large to view: the viewer takes files of up to %2 MB.",
                             "Datoteka \"%1\" je prevelika za pregled: pregledač prima datoteke do %2 MB."};
const Caption CannotMap{"The file \"%1\" cannot be viewed: it does not fit into memory. %2",
                        "Datoteka \"%1\" ne može da se prikaže: ne staje u memoriju. %2"};

FileLineStore::FileLineStore(const QString& path, int charset, qint64 maxBytes)
    : m_file(path), m_charset(charset) {
    // A pipe would hold the open until somebody writes to it, a device may
    // never end: only regular files are taken.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        m_error = NotARegularFile.Text().arg(path);
        return;
    }
    // Opened without waiting, should a FIFO have been put there meanwhile.
    if (const QString refusal = OpenRegularFile(m_file, path); !refusal.isEmpty()) {
        m_error = QStringLiteral("Cannot open file \"%1\". %2").arg(path, refusal);
        return;
    }
    if (m_file.isSequential()) {
        m_error = NotARegularFile.Text().arg(path);
        return;
    }
    m_size = m_file.size();
    if (m_size > maxBytes) {
        m_error = TooLargeToView.Text().arg(path).arg(maxBytes / (1024 * 1024));
        m_size = 0;
        return;
    }
    if (m_size > 0) {
        m_data = reinterpret_cast<const char*>(m_file.map(0, m_size));
        if (!m_data) {
            m_error = CannotMap.Text().arg(path, SystemReasons::Translate(m_file.errorString()));
            m_size = 0;
            return;
        }
        // Read from start to end once by the index: the system may read ahead.
        ::madvise(const_cast<char*>(m_data), size_t(m_size), MADV_SEQUENTIAL);
        m_guardSlot = MappingGuard::Watch(m_data, m_size);
    }
    m_worker = std::thread([this] { Index(); });
}

FileLineStore::~FileLineStore() {
    m_stop.store(true);
    if (m_worker.joinable())
        m_worker.join();
    MappingGuard::Forget(m_guardSlot);
}

bool FileLineStore::Shortened() const {
    return MappingGuard::Shortened(m_guardSlot);
}

qsizetype FileLineStore::RowCount() const {
    return qMax<qsizetype>(0, m_starts.Published() - 1);
}

QByteArrayView FileLineStore::RowBytes(qsizetype row) const {
    const qint64 start = qint64(*m_starts.At(row) & ~ContinuesBit);
    const quint64 next = *m_starts.At(row + 1);
    qint64 end = qint64(next & ~ContinuesBit);
    if (!(next & ContinuesBit)) {
        if (end > start && m_data[end - 1] == '\n')
            --end;
        if (end > start && m_data[end - 1] == '\r')
            --end;
    }
    return {m_data + start, end - start};
}

bool FileLineStore::Continues(qsizetype row) const {
    return (*m_starts.At(row) & ContinuesBit) != 0;
}

bool FileLineStore::WriteTo(QIODevice& out, const std::function<bool()>& between) const {
    for (qint64 from = 0; from < m_size; from += WritePieceBytes) {
        const qint64 piece = qMin<qint64>(WritePieceBytes, m_size - from);
        if (out.write(m_data + from, piece) != piece)
            return false;
        if (between && !between())
            return false;
    }
    return true;
}

void FileLineStore::Index() {
    // Line breaks are looked for this far ahead at a time, so that the first
    // rows come before the whole file has been read.
    constexpr qint64 Window = 256 * 1024;
    // The first screen is announced as soon as its rows are there, later
    // growth every so often.
    constexpr qsizetype FirstRows = 256;
    constexpr qint64 AnnounceMs = 40;
    constexpr qint64 ValidateBytes = 64 * 1024;
    const char* data = m_data;
    const qint64 size = m_size;
    const auto finish = [this] {
        m_starts.Publish();
        m_indexed.store(m_size, std::memory_order_relaxed);
        m_complete.store(true, std::memory_order_release);
        emit Grown();
        emit Finished();
    };
    if (size == 0) {
        finish();
        return;
    }
    qint64 pos = (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) ? 3 : 0;
    qint64 rowStart = pos;
    qint64 validated = pos;
    bool utf8 = true;
    qsizetype longest = 0;
    bool full = !m_starts.Append(quint64(pos));

    struct Next {
        qint64 At = -1;
        qint64 SearchedTo = 0;
    };
    // Where the next c is at or after from, or the end of the stretch looked
    // through when there is none in it.
    const auto next = [&](Next& n, char c, qint64 from) {
        if (n.At >= from)
            return n.At;
        const qint64 start = qMax(from, n.SearchedTo);
        const qint64 end = qMin(size, start + Window);
        if (const void* at = std::memchr(data + start, c, size_t(end - start))) {
            n.At = static_cast<const char*>(at) - data;
            return n.At;
        }
        n.At = -1;
        n.SearchedTo = end;
        return end;
    };
    const auto validate = [&](qint64 to) {
        if (utf8 && to > validated) {
            if (!QByteArrayView(data + validated, to - validated).isValidUtf8()) {
                utf8 = false;
                m_utf8.store(false, std::memory_order_relaxed);
            }
            validated = to;
        }
    };

    Next lf;
    Next cr;
    QElapsedTimer announced;
    announced.start();
    bool firstAnnounced = false;
    while (pos < size && !full) {
        if (m_stop.load(std::memory_order_relaxed))
            return;
        const qint64 at = qMin(next(lf, '\n', pos), next(cr, '\r', pos));
        const bool isBreak = at < size && (data[at] == '\n' || data[at] == '\r');
        while (!full && at - rowStart > DisplayLimit) {
            qint64 cut = rowStart + DisplayLimit;
            for (int back = 0; utf8 && back < 3 && (uchar(data[cut]) & 0xC0) == 0x80; ++back)
                --cut;
            longest = qMax(longest, cut - rowStart);
            full = !m_starts.Append(quint64(cut) | ContinuesBit);
            rowStart = cut;
        }
        if (!isBreak) {
            validate(CharacterBoundary(data, validated, at));
            pos = at;
        } else {
            // A line break is never inside a character: the text before it
            // is checked in large stretches at once.
            if (at - validated >= ValidateBytes)
                validate(at);
            longest = qMax(longest, at - rowStart);
            qint64 after = at + 1;
            if (data[at] == '\r' && after < size && data[after] == '\n')
                ++after;
            full = full || !m_starts.Append(quint64(after));
            rowStart = after;
            pos = after;
        }
        const qsizetype published = m_starts.Size() - 1;
        if ((!firstAnnounced && published >= FirstRows) ||
            (((published & 0xFFF) == 0 || !isBreak) && announced.elapsed() >= AnnounceMs)) {
            m_longest.store(longest, std::memory_order_relaxed);
            m_starts.Publish();
            m_indexed.store(pos, std::memory_order_relaxed);
            firstAnnounced = true;
            announced.start();
            emit Grown();
        }
    }
    if (rowStart < size && !full)
        full = !m_starts.Append(quint64(size));
    validate(size);
    m_longest.store(longest, std::memory_order_relaxed);
    finish();
}
