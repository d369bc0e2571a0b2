#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class LineStore;

// A place in a text: a row and a column in its characters.
struct FindHit {
    qsizetype Row = -1;
    qsizetype Column = 0;
    qsizetype Length = 0;
};

struct FindRequest {
    QString Text;
    bool CaseSensitive = false;
    bool Backward = false;
    // The hit shown is the first one after this place (before it going
    // backward), the search going round the end of the text when there is none.
    qsizetype FromRow = 0;
    qsizetype FromColumn = -1;
};

// Looks for a text through every row of a store on a worker thread: the hit
// to show as soon as it is known, the count of all hits when done.
class LineFinder : public QObject {
    Q_OBJECT
  public:
    explicit LineFinder(QObject* parent = nullptr) : QObject(parent) {}
    ~LineFinder() override;

    // Stops a search under way and starts this one.
    void Start(std::shared_ptr<const LineStore> store, FindRequest request);
    void Stop();
    [[nodiscard]] bool Running() const { return m_running; }

    // The search itself, on the calling thread: shown gets the hit to show
    // (never when there is none); the count of hits, or -1 when stopped.
    static qsizetype Search(const LineStore& store, const FindRequest& request, const std::atomic<bool>& stop,
                            const std::function<void(const FindHit&)>& shown);

  signals:
    void HitFound(qsizetype row, qsizetype column, qsizetype length);
    void Counted(qsizetype hits);

  private:
    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_stop;
    quint64 m_generation = 0;
    bool m_running = false;
};
