#pragma once

// A busy shop's sales history made up for pictures and measurements: two
// registers selling every day from 7 to 21 with a rush after work and more
// on Saturdays, 500 articles of which few sell most, four operators.

#include "history/HistoryRows.h"
#include "history/HistorySchema.h"
#include "history/HistorySql.h"
#include "history/HistoryTarget.h"
#include "protocol/RegisterCharset.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

struct HistorySampleOptions {
    QDate Last = QDate::currentDate();
    int Days = 31;
    int ReceiptsPerDay = 820;
    bool Journal = true;
    quint32 Seed = 25;
};

struct HistorySampleResult {
    qint64 Receipts = 0;
    qint64 Lines = 0;
    qint64 JournalRecords = 0;
};

// Writes the sample into target (made and brought up to date first); false,
// with the reason, when it cannot.
inline bool WriteHistorySample(const HistoryTarget& target, const HistorySampleOptions& options,
                               HistorySampleResult& result, QString& error) {
    HistoryConnection connection;
    const bool opened = target.Kind == HistoryTarget::Backend::Postgres
                            ? connection.OpenPostgres(target, error)
                            : connection.OpenSqlite(target.File, error);
    if (!opened)
        return false;
    QSqlDatabase db = connection.Database();
    if (!MigrateHistory(db, error))
        return false;

    QRandomGenerator random(options.Seed);
    struct Article {
        int Plu;
        QString Name;
        int Department;
        int64_t Price;
        bool Weighed;
    };
    static const char* const names[] = {
        "MLEKO",  "HLEB",   "JOGURT",  "SIR",       "JAJA",     "KAFA",  "CAJ",       "SECER", "BRASNO",
        "ULJE",   "SO",     "PIRINAC", "TESTENINA", "KEKS",     "SOK",   "VODA",      "PIVO",  "VINO",
        "JABUKE", "BANANE", "KROMPIR", "LUK",       "PARADAJZ", "SAPUN", "DETERDZENT"};
    std::vector<Article> articles;
    for (int i = 0; i < 500; ++i) {
        const bool weighed = i % 7 == 3;
        articles.push_back({i + 1, QStringLiteral("%1 %2").arg(QLatin1String(names[i % 25])).arg(i / 25 + 1),
                            1 + i % 9, 50 + int64_t(random.bounded(2000)) * 5, weighed});
    }
    // Few articles sell most: the chance of the n-th falls like 1/n.
    std::vector<double> popularity(articles.size());
    double sum = 0;
    for (size_t i = 0; i < articles.size(); ++i)
        popularity[i] = sum += 1.0 / double(i + 1);
    const auto pick = [&] {
        const double at = random.generateDouble() * sum;
        return size_t(std::lower_bound(popularity.begin(), popularity.end(), at) - popularity.begin());
    };
    // Receipts by hour of the day, 7 to 20.
    const std::array<int, 14> hourWeights{3, 5, 6, 6, 7, 7, 6, 6, 7, 9, 11, 10, 7, 4};
    int hourSum = 0;
    for (int w : hourWeights)
        hourSum += w;

    const std::array<RegisterKey, 2> registers{
        RegisterKey{QStringLiteral("Centar"), 1, QStringLiteral("OX00000101")},
        RegisterKey{QStringLiteral("Centar"), 2, QStringLiteral("OX00000102")}};
    std::vector<QVariantList> pending[int(LastHistoryTable) + 1];
    qint64 seq = 0;
    const qint64 origin = 990000 + options.Seed;
    const auto add = [&](HistoryTable table, QVariantList values) {
        if (table != HistoryTable::Registers) {
            values[0] = origin;
            values[1] = ++seq;
        }
        pending[int(table)].push_back(std::move(values));
    };
    const auto flush = [&]() {
        if (!db.transaction()) {
            error = QStringLiteral("cannot begin");
            return false;
        }
        for (int t = 0; t <= int(LastHistoryTable); ++t) {
            if (pending[t].empty())
                continue;
            std::vector<const QVariantList*> rows;
            for (const QVariantList& row : pending[t])
                rows.push_back(&row);
            if (!connection.Insert(HistoryTable(t), rows, error)) {
                db.rollback();
                return false;
            }
            pending[t].clear();
        }
        return db.commit();
    };
    for (const RegisterKey& reg : registers)
        add(HistoryTable::Registers, RegisterValues(reg, QStringLiteral("AABBCCDDE"), 0));

    std::array<int64_t, 2> receiptNumbers{};
    for (int dayIndex = options.Days - 1; dayIndex >= 0; --dayIndex) {
        const QDate day = options.Last.addDays(-dayIndex);
        const bool saturday = day.dayOfWeek() == 6;
        const bool sunday = day.dayOfWeek() == 7;
        const int receipts = options.ReceiptsPerDay * (saturday ? 13 : sunday ? 6 : 10) / 10;
        std::vector<int> minutes;
        for (int r = 0; r < receipts; ++r) {
            int at = int(random.bounded(hourSum));
            int hour = 0;
            while (at >= hourWeights[size_t(hour)])
                at -= hourWeights[size_t(hour++)];
            minutes.push_back((7 + hour) * 60 + int(random.bounded(60)));
        }
        std::sort(minutes.begin(), minutes.end());
        for (const int minute : minutes) {
            const size_t till = random.bounded(2);
            const RegisterKey& reg = registers[till];
            const QDateTime time(day, QTime(minute / 60, minute % 60));
            const qint64 ms = time.toMSecsSinceEpoch();
            ReceiptRecord receipt;
            receipt.ReceiptNumber = ++receiptNumbers[till];
            receipt.Operator = 1 + int(till) * 2 + int(random.bounded(2));
            receipt.RegisterNumber = reg.CrNumber;
            receipt.RegisterTime = time.toString(QStringLiteral("yyyy-MM-ddTHH:mm"));
            receipt.Whole = true;
            JournalRecord open;
            open.Code = '@';
            open.Operator = receipt.Operator;
            open.ReceiptNumber = receipt.ReceiptNumber;
            open.Payload = QByteArray(1, '@');
            if (options.Journal)
                add(HistoryTable::Journal, JournalValues(reg, ms, open, RegisterCharsets::Default));
            const int lines = 1 + int(random.bounded(6)) + int(random.bounded(4));
            for (int l = 0; l < lines; ++l) {
                const Article& a = articles[pick()];
                ReceiptItem item;
                item.Plu = a.Plu;
                item.Department = a.Department;
                item.Description = a.Name;
                item.Quantity =
                    a.Weighed ? 200 + int64_t(random.bounded(1800)) : 1000 * (1 + (random.bounded(5) == 0));
                item.Amount = (a.Price * item.Quantity + 500) / 1000;
                receipt.Items.push_back(item);
                receipt.Departments[size_t(a.Department - 1)] += item.Amount;
                receipt.Total += item.Amount;
                receipt.Pieces += 1;
                if (options.Journal) {
                    JournalRecord sale;
                    sale.Code = 'B';
                    sale.Plu = a.Plu;
                    sale.Description = a.Name.toLatin1();
                    sale.Price = a.Price;
                    sale.Department = a.Department;
                    sale.Quantity = item.Quantity * 10;
                    sale.SaleKindByte = 'N';
                    sale.Payload = QByteArray(1, 'B');
                    add(HistoryTable::Journal, JournalValues(reg, ms, sale, RegisterCharsets::Default));
                }
            }
            JournalRecord close;
            close.Code = 'O';
            close.Amount = receipt.Total;
            close.ReceiptNumber = receipt.ReceiptNumber;
            close.Pieces = receipt.Pieces;
            close.Clock = JournalClock{time.date().year(), time.date().month(), time.date().day(),
                                       time.time().hour(), time.time().minute()};
            close.Payload = QByteArray(1, 'O');
            if (options.Journal)
                add(HistoryTable::Journal, JournalValues(reg, ms, close, RegisterCharsets::Default));
            add(HistoryTable::Receipts, ReceiptValues(reg, ms, receipt));
            for (const ReceiptItem& item : receipt.Items)
                add(HistoryTable::ReceiptItems, ReceiptItemValues(reg, ms, receipt, item));
            ++result.Receipts;
            result.Lines += lines;
            result.JournalRecords += options.Journal ? lines + 2 : 0;
        }
        if (!flush())
            return false;
    }
    return flush();
}
