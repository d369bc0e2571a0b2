#include "gateway/GatewayJournal.h"

#include "gateway/JournalJson.h"

#include <QDateTime>
#include <span>

void GatewayJournal::Add(const QByteArray& payload, int charset) {
    QJsonObject record = JournalRecordJson(
        std::span(reinterpret_cast<const uint8_t*>(payload.constData()), size_t(payload.size())), charset);
    record.insert("seq", double(++m_last));
    record.insert("received", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
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
