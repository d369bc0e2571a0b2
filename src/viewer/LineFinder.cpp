#include "viewer/LineFinder.h"

#include "protocol/RegisterCharset.h"
#include "viewer/LineStore.h"

#include <QPointer>
#include <algorithm>
#include <array>

namespace {

// A hit as the search meets it: its column in bytes of the row, or in
// characters when the rows are searched as text.
struct RawHit {
    qsizetype Row = -1;
    qsizetype Offset = 0;
};

constexpr std::array<uchar, 256> AsciiFolded() {
    std::array<uchar, 256> folded{};
    for (int c = 0; c < 256; ++c)
        folded[size_t(c)] = uchar(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return folded;
}
constexpr std::array<uchar, 256> Folded = AsciiFolded();

// Boyer-Moore-Horspool over bytes, with ASCII letters of either case alike
// when folded.
class ByteSearch {
  public:
    ByteSearch(const QByteArray& needle, bool folded) : m_needle(needle), m_folded(folded) {
        const qsizetype n = needle.size();
        m_skip.fill(n);
        for (qsizetype i = 0; i + 1 < n; ++i) {
            const uchar c = uchar(needle[i]);
            m_skip[c] = n - 1 - i;
            if (folded)
                m_skip[Other(c)] = n - 1 - i;
        }
    }
    [[nodiscard]] const char* Find(const char* begin, const char* end) const {
        const qsizetype n = m_needle.size();
        const char* needle = m_needle.constData();
        for (const char* at = begin; end - at >= n; at += m_skip[uchar(at[n - 1])]) {
            qsizetype i = n - 1;
            while (i >= 0 && Same(at[i], needle[i]))
                --i;
            if (i < 0)
                return at;
        }
        return end;
    }

  private:
    static uchar Other(uchar c) {
        if (c >= 'a' && c <= 'z')
            return uchar(c - ('a' - 'A'));
        return Folded[c];
    }
    [[nodiscard]] bool Same(char a, char b) const {
        return a == b || (m_folded && Folded[uchar(a)] == Folded[uchar(b)]);
    }

    QByteArray m_needle;
    bool m_folded;
    std::array<qsizetype, 256> m_skip{};
};

bool IsAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

LineFinder::~LineFinder() {
    Stop();
}

void LineFinder::Stop() {
    ++m_generation;
    m_running = false;
    if (m_stop)
        m_stop->store(true);
    if (m_worker.joinable())
        m_worker.join();
    m_stop.reset();
}

void LineFinder::Start(std::shared_ptr<const LineStore> store, FindRequest request) {
    Stop();
    m_running = true;
    m_stop = std::make_shared<std::atomic<bool>>(false);
    const quint64 generation = m_generation;
    QPointer<LineFinder> self(this);
    // What the worker finds reaches this object on its own thread, and only
    // while this search is the one asked for.
    const auto post = [self, generation](std::function<void(LineFinder&)> deliver) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, deliver = std::move(deliver)] {
                if (self && self->m_generation == generation)
                    deliver(*self);
            },
            Qt::QueuedConnection);
    };
    m_worker = std::thread([store = std::move(store), request = std::move(request), stop = m_stop, post] {
        const qsizetype hits = Search(*store, request, *stop, [&](const FindHit& hit) {
            post([hit](LineFinder& finder) { emit finder.HitFound(hit.Row, hit.Column, hit.Length); });
        });
        if (hits >= 0)
            post([hits](LineFinder& finder) {
                finder.m_running = false;
                emit finder.Counted(hits);
            });
    });
}

qsizetype LineFinder::Search(const LineStore& store, const FindRequest& request,
                             const std::atomic<bool>& stop,
                             const std::function<void(const FindHit&)>& shown) {
    if (request.Text.isEmpty())
        return 0;
    const qsizetype rows = store.RowCount();
    const bool utf8 = store.Utf8();
    const bool asText = !request.CaseSensitive && !IsAscii(request.Text);
    const QByteArray needle = utf8 ? request.Text.toUtf8() : ToCodePage(request.Text, store.Charset());
    const ByteSearch search(needle, !request.CaseSensitive);

    const auto toHit = [&](const RawHit& raw) {
        qsizetype column = raw.Offset;
        if (!asText && raw.Offset > 0)
            column = store.Decode(store.RowBytes(raw.Row).first(raw.Offset)).size();
        return FindHit{raw.Row, column, request.Text.size()};
    };
    const auto columnOf = [&](const RawHit& raw) { return toHit(raw).Column; };

    qsizetype count = 0;
    RawHit first;
    RawHit last;
    RawHit before;
    bool decided = false;
    const auto meet = [&](const RawHit& hit) {
        ++count;
        if (first.Row < 0)
            first = hit;
        last = hit;
        if (decided)
            return;
        const bool isAfter =
            hit.Row > request.FromRow || (hit.Row == request.FromRow && columnOf(hit) > request.FromColumn);
        if (!request.Backward) {
            if (isAfter) {
                decided = true;
                shown(toHit(hit));
            }
            return;
        }
        const bool isBefore =
            hit.Row < request.FromRow || (hit.Row == request.FromRow && columnOf(hit) < request.FromColumn);
        if (isBefore)
            before = hit;
        else if (before.Row >= 0) {
            decided = true;
            shown(toHit(before));
        }
    };

    for (qsizetype row = 0; row < rows; ++row) {
        if ((row & 0xFFF) == 0 && stop.load(std::memory_order_relaxed))
            return -1;
        const QByteArrayView bytes = store.RowBytes(row);
        if (asText) {
            const QString text = store.Decode(bytes);
            for (qsizetype at = text.indexOf(request.Text, 0, Qt::CaseInsensitive); at >= 0;
                 at = text.indexOf(request.Text, at + request.Text.size(), Qt::CaseInsensitive))
                meet({row, at});
            continue;
        }
        const char* begin = bytes.data();
        const char* end = begin + bytes.size();
        for (const char* from = begin; from < end;) {
            const char* at = search.Find(from, end);
            if (at == end)
                break;
            meet({row, at - begin});
            from = at + needle.size();
        }
    }
    if (!decided && count > 0)
        shown(toHit(request.Backward ? (before.Row >= 0 ? before : last) : first));
    return count;
}
