#pragma once

#include "common/Captions.h"

#include <QByteArrayView>
#include <QFile>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QIODevice;

// An array that one thread appends to while others read what was published:
// items live in segments that never move, so a reader needs no lock.
template <typename T, int SegmentBits> class SegmentedArray {
  public:
    static constexpr qsizetype SegmentItems = qsizetype(1) << SegmentBits;
    static constexpr qsizetype MaxSegments = qsizetype(1) << 14;

    SegmentedArray() : m_segments(new std::atomic<T*>[MaxSegments]()) {}
    ~SegmentedArray() {
        for (qsizetype i = 0; i < MaxSegments && m_segments[i].load(); ++i)
            delete[] m_segments[i].load();
    }
    SegmentedArray(const SegmentedArray&) = delete;
    SegmentedArray& operator=(const SegmentedArray&) = delete;

    // Room for n items side by side (n at most SegmentItems), starting a new
    // segment when the current one cannot hold them; nullptr when full.
    // first is the index of the first item.
    T* Reserve(qsizetype n, qsizetype& first) {
        if (m_size % SegmentItems + n > SegmentItems)
            m_size = (m_size / SegmentItems + 1) * SegmentItems;
        const qsizetype segment = m_size / SegmentItems;
        if (segment >= MaxSegments)
            return nullptr;
        T* items = m_segments[segment].load(std::memory_order_relaxed);
        if (!items) {
            // Left uninitialised: pages never written are never taken from the system.
            items = new T[SegmentItems];
            m_segments[segment].store(items, std::memory_order_release);
        }
        first = m_size;
        m_size += n;
        return items + first % SegmentItems;
    }
    bool Append(T value) {
        qsizetype first = 0;
        T* item = Reserve(1, first);
        if (!item)
            return false;
        *item = value;
        return true;
    }
    // Makes the items appended so far visible to readers.
    void Publish() { m_published.store(m_size, std::memory_order_release); }

    [[nodiscard]] qsizetype Size() const { return m_size; }
    [[nodiscard]] qsizetype Published() const { return m_published.load(std::memory_order_acquire); }
    [[nodiscard]] const T* At(qsizetype i) const {
        return m_segments[i / SegmentItems].load(std::memory_order_acquire) + i % SegmentItems;
    }
    // Memory in use, for any thread: the items published and the table of
    // segments (the pages of a segment that no item reached yet are not
    // taken from the system).
    [[nodiscard]] qint64 HeldBytes() const {
        constexpr qint64 Page = 4096;
        const qint64 items = qint64(Published()) * qint64(sizeof(T));
        return (items + Page - 1) / Page * Page + MaxSegments * qint64(sizeof(T*));
    }

  private:
    std::unique_ptr<std::atomic<T*>[]> m_segments;
    qsizetype m_size = 0;
    std::atomic<qsizetype> m_published{0};
};

// The lines of a text view as rows: a line longer than DisplayLimit goes on
// in further rows that continue it, so that no row is too long to lay out.
// Rows are read from any thread; what is appended is seen once published.
class LineStore : public QObject {
    Q_OBJECT
  public:
    // Characters of a row (bytes of a row of a file).
    static constexpr qsizetype DisplayLimit = 1024;

    [[nodiscard]] virtual qsizetype RowCount() const = 0;
    [[nodiscard]] virtual QByteArrayView RowBytes(qsizetype row) const = 0;
    // The row is a later piece of the line of the row before it.
    [[nodiscard]] virtual bool Continues(qsizetype row) const = 0;
    // Rows as UTF-8, or in the code page of Charset() when not.
    [[nodiscard]] virtual bool Utf8() const { return true; }
    [[nodiscard]] virtual int Charset() const { return 0; }
    // All rows are there (a file is indexed to its end).
    [[nodiscard]] virtual bool Complete() const { return true; }
    // The longest row in characters (in bytes for a file), for the width of the view.
    [[nodiscard]] virtual qsizetype LongestRow() const = 0;
    // Memory the store holds besides a mapped file.
    [[nodiscard]] virtual qint64 HeldBytes() const = 0;
    // Writes the text as a file would hold it: a file's own bytes as they
    // are, other texts as UTF-8 lines each ended by CR LF. between runs after
    // each piece and stops the writing when it says false.
    virtual bool WriteTo(QIODevice& out, const std::function<bool()>& between) const;

    [[nodiscard]] QString Row(qsizetype row) const;
    [[nodiscard]] QString Decode(QByteArrayView bytes) const;
    // The whole text, lines joined by '\n': for texts small enough to copy.
    // between runs after each stretch of rows.
    [[nodiscard]] QString Text(const std::function<void()>& between = {}) const;

  signals:
    // Rows were added (from a worker thread these arrive queued).
    void Grown();
    // A file is indexed to its end.
    void Finished();
};

// The lines of the monitor and the report view: each row kept as UTF-8 in
// large blocks, appended at the end only.
class TextLineStore : public LineStore {
    Q_OBJECT
  public:
    // Text split at '\n'; an empty text is no line.
    void AppendText(QStringView text);
    void AppendLine(QStringView line);

    [[nodiscard]] qsizetype RowCount() const override { return m_rows.Published(); }
    [[nodiscard]] QByteArrayView RowBytes(qsizetype row) const override;
    [[nodiscard]] bool Continues(qsizetype row) const override;
    [[nodiscard]] qsizetype LongestRow() const override { return m_longest; }
    [[nodiscard]] qint64 HeldBytes() const override { return m_rows.HeldBytes() + m_bytes.HeldBytes(); }

  private:
    void AppendPieces(QStringView line);
    bool AppendRow(QStringView row, bool continues);

    // Offset in m_bytes (bits 0-39), length (bits 40-51), continues (bit 63).
    SegmentedArray<quint64, 16> m_rows;
    SegmentedArray<char, 20> m_bytes;
    qsizetype m_longest = 0;
};

// Why a file is not shown, in the language of the moment.
extern const Caption NotARegularFile;
extern const Caption TooLargeToView;
extern const Caption CannotMap;
// The largest file taken: far more than a register's journal ever grows to,
// and within what the address space maps.
inline constexpr qint64 MaxViewedFileBytes = qint64(1) << 40;

// A file mapped into memory, its rows indexed on a worker thread while the
// first of them are already shown. The rows are UTF-8 until the index meets
// bytes that are not, and then the code page of the register charset.
class FileLineStore : public LineStore {
    Q_OBJECT
  public:
    // Opens and maps the file and starts indexing it; Error() says why not.
    FileLineStore(const QString& path, int charset, qint64 maxBytes = MaxViewedFileBytes);
    ~FileLineStore() override;

    [[nodiscard]] const QString& Error() const { return m_error; }
    [[nodiscard]] qint64 FileBytes() const { return m_size; }
    // Another program shortened the file while it was shown: what lay past
    // its new end reads as zero bytes.
    [[nodiscard]] bool Shortened() const;
    // Bytes indexed so far.
    [[nodiscard]] qint64 IndexedBytes() const { return m_indexed.load(std::memory_order_relaxed); }

    [[nodiscard]] qsizetype RowCount() const override;
    [[nodiscard]] QByteArrayView RowBytes(qsizetype row) const override;
    [[nodiscard]] bool Continues(qsizetype row) const override;
    [[nodiscard]] bool Utf8() const override { return m_utf8.load(std::memory_order_relaxed); }
    [[nodiscard]] int Charset() const override { return m_charset; }
    [[nodiscard]] bool Complete() const override { return m_complete.load(std::memory_order_acquire); }
    [[nodiscard]] qsizetype LongestRow() const override { return m_longest.load(std::memory_order_relaxed); }
    [[nodiscard]] qint64 HeldBytes() const override { return m_starts.HeldBytes(); }
    bool WriteTo(QIODevice& out, const std::function<bool()>& between) const override;

  private:
    void Index();

    QFile m_file;
    QString m_error;
    const char* m_data = nullptr;
    qint64 m_size = 0;
    int m_guardSlot = -1;
    int m_charset = 0;
    // Where each row starts, with bit 63 set for a row that continues a line,
    // then where the row after the last published one starts (or the end).
    SegmentedArray<quint64, 18> m_starts;
    std::atomic<bool> m_utf8{true};
    std::atomic<bool> m_complete{false};
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_indexed{0};
    std::atomic<qsizetype> m_longest{0};
    std::thread m_worker;
};
