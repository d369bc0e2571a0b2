#pragma once

#include "history/HistoryFigures.h"
#include "history/HistoryTarget.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <optional>
#include <vector>

// What one read of the history brought: the registers it knows and the
// figures of the period asked for, or why it could not be read.
struct HistoryReading {
    quint64 Id = 0;
    bool Ok = false;
    QString Error;
    std::vector<RegisterKey> Registers;
    // The parts of the figures read (HistoryPart); the others are left empty.
    int Parts = 0;
    HistoryFigures Figures;
    // How long the database took.
    qint64 Ms = 0;
};

// Reads the history on a thread of its own with a connection of its own, so
// that a long query never holds the window. Only the newest request is
// answered: one asked while another waits replaces it.
class HistoryReader : public QObject {
    Q_OBJECT
  public:
    explicit HistoryReader(QObject* parent = nullptr);
    ~HistoryReader() override;

    // Where the next read looks.
    void SetTarget(const HistoryTarget& target);
    // Asks for the figures of from..to of reg (nothing: every register);
    // Done answers it, on this object's thread. Returns the request's id.
    quint64 Read(const QDate& from, const QDate& to, const std::optional<RegisterKey>& reg,
                 int parts = AllParts);
    [[nodiscard]] quint64 Latest() const { return m_latest.load(); }

  signals:
    void Done(const HistoryReading& reading);

  private:
    class Worker;
    QThread m_thread;
    Worker* m_worker = nullptr;
    std::atomic<quint64> m_latest{0};
};
