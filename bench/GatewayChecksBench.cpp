// The gateway's register calls on the thread that serves them: checking the
// largest body a client may send (a range write at the 256 KB limit) and
// turning a read of all 10000 PLUs into JSON. Each comes with its reference
// in the same run: parsing the same body, and serialising the same reply.
#include "gateway/GatewayPluFields.h"
#include "gateway/GatewayRequests.h"
#include "protocol/RegisterCharset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype BodyLimit = 256 * 1024;

// As many PLUs as the limit holds, every field given.
QByteArray LargestRangeWrite() {
    const QByteArray entry =
        R"({"description":"MLEKO 1L","price":1.99,"department":1,"active":true,"unit":0,)"
        R"("barcode":"8600001000017","stockProgrammed":true,"stock":120})";
    QByteArray body = R"({"from":0,"plus":[)";
    while (body.size() + entry.size() + 3 < BodyLimit)
        body += entry + ',';
    body.chop(1);
    return body + "]}";
}

QJsonValue Parsed(const QByteArray& body) {
    return QJsonDocument::fromJson(body).object();
}

void BM_ReferenceParseLargestBody(benchmark::State& state) {
    const QByteArray body = LargestRangeWrite();
    for (auto _ : state)
        benchmark::DoNotOptimize(Parsed(body));
    state.SetBytesProcessed(int64_t(state.iterations()) * body.size());
}
BENCHMARK(BM_ReferenceParseLargestBody)->Unit(benchmark::kMillisecond);

void BM_CheckLargestRangeWrite(benchmark::State& state) {
    const QJsonValue body = Parsed(LargestRangeWrite());
    size_t plus = 0;
    for (auto _ : state) {
        const Checked<PluRangeWrite> write = CheckPluRangeWrite(body);
        plus = std::get<PluRangeWrite>(write).Plus.size();
        benchmark::DoNotOptimize(plus);
    }
    state.counters["plus"] = double(plus);
}
BENCHMARK(BM_CheckLargestRangeWrite)->Unit(benchmark::kMillisecond);

PluRecord SamplePlu() {
    PluRecord record;
    record.SetDescription("MLEKO 1L");
    record.SetBarcode("8600001000017");
    record.Price = 1.99;
    record.Flags = FlagActive | FlagStockProgrammed | 1;
    record.Stock = 120;
    record.Quantity = 37;
    record.Total = 73.63;
    return record;
}

void BM_AllPlusAsJson(benchmark::State& state) {
    const PluRecord record = SamplePlu();
    for (auto _ : state) {
        QJsonArray plus;
        for (int n = 0; n < PluCount; ++n)
            plus.append(PluJson(record, n, RegisterCharsets::Cyrillic));
        benchmark::DoNotOptimize(plus);
    }
}
BENCHMARK(BM_AllPlusAsJson)->Unit(benchmark::kMillisecond);

void BM_ReferenceSerialiseAllPlus(benchmark::State& state) {
    QJsonArray plus;
    for (int n = 0; n < PluCount; ++n)
        plus.append(PluJson(SamplePlu(), n, RegisterCharsets::Cyrillic));
    const QJsonObject reply{{"plus", plus}};
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument(reply).toJson(QJsonDocument::Compact));
}
BENCHMARK(BM_ReferenceSerialiseAllPlus)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
