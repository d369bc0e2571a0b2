#include "gateway/GatewayJournal.h"

#include "gateway/JournalJson.h"

#include <QDateTime>

void GatewayJournal::Add(const JournalRecord& decoded, int charset) {
    QJsonObject record = JournalRecordJson(decoded, charset);
    const QDateTime received = decoded.ReceivedMs != 0
                                   ? QDateTime::fromMSecsSinceEpoch(decoded.ReceivedMs, Qt::UTC)
                                   : QDateTime::currentDateTimeUtc();
    record.insert("seq", double(++m_last));
    record.insert("received", received.toString(Qt::ISODateWithMs));
    m_records.push_back(record);
    while (m_records.size() > m_capacity)
        m_records.pop_front();
    emit RecordAdded(record);
}

QJsonArray GatewayJournal::After(qint64 after, int limit) const {
    QJsonArray out;
    const qint64 first = FirstKept();
    qint64 start = std::max<qint64>(after + 1, first);
    for (qint64 seq = start; seq <= m_last && out.size() < limit; ++seq)
        out.append(m_records[size_t(seq - first)]);
    return out;
}
