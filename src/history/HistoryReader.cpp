#include "history/HistoryReader.h"

#include "history/HistorySql.h"

#include <QElapsedTimer>
#include <algorithm>
#include <memory>

// Lives on the reader's thread: the connection is used only there.
class HistoryReader::Worker : public QObject {
  public:
    void SetTarget(const HistoryTarget& target) {
        m_target = target;
        m_hasTarget = true;
        m_connection.reset();
    }
    HistoryReading Read(quint64 id, const QDate& from, const QDate& to, const std::optional<RegisterKey>& reg,
                        int parts) {
        HistoryReading reading;
        reading.Id = id;
        QElapsedTimer clock;
        clock.start();
        if (!m_hasTarget) {
            reading.Error = QStringLiteral("no history is kept");
            return reading;
        }
        if (!m_connection || !m_connection->IsOpen()) {
            m_connection = std::make_unique<HistoryConnection>();
            if (!OpenHistoryForReading(m_target, *m_connection, reading.Error)) {
                m_connection.reset();
                return reading;
            }
        }
        auto registers = ReadHistoryRegisters(m_connection->Database(), reading.Error);
        auto figures = registers
                           ? ReadHistoryFigures(m_connection->Database(), from, to, reg, reading.Error, parts)
                           : std::nullopt;
        if (!figures) {
            // A server that went away is reached afresh next time.
            m_connection.reset();
            return reading;
        }
        reading.Ok = true;
        reading.Parts = parts;
        // Those named by a status report and those heard selling in the period.
        reading.Registers = std::move(*registers);
        for (const RegisterKey& reg : figures->Registers)
            if (std::find(reading.Registers.begin(), reading.Registers.end(), reg) == reading.Registers.end())
                reading.Registers.push_back(reg);
        reading.Figures = std::move(*figures);
        reading.Ms = clock.elapsed();
        return reading;
    }
    void Stop() { m_connection.reset(); }

  private:
    HistoryTarget m_target;
    bool m_hasTarget = false;
    std::unique_ptr<HistoryConnection> m_connection;
};

HistoryReader::HistoryReader(QObject* parent) : QObject(parent), m_worker(new Worker) {
    m_thread.setObjectName(QStringLiteral("HistoryReader"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

HistoryReader::~HistoryReader() {
    m_latest = ~quint64(0);
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->Stop(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void HistoryReader::SetTarget(const HistoryTarget& target) {
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, target] { worker->SetTarget(target); });
}

quint64 HistoryReader::Read(const QDate& from, const QDate& to, const std::optional<RegisterKey>& reg,
                            int parts) {
    const quint64 id = ++m_latest;
    QMetaObject::invokeMethod(m_worker, [this, id, from, to, reg, parts] {
        // Requests asked meanwhile have made this one stale.
        if (id != m_latest.load())
            return;
        HistoryReading reading = m_worker->Read(id, from, to, reg, parts);
        QMetaObject::invokeMethod(
            this,
            [this, reading = std::move(reading)] {
                if (reading.Id == m_latest.load())
                    emit Done(reading);
            },
            Qt::QueuedConnection);
    });
    return id;
}
