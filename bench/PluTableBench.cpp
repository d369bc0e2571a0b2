// The PLU table's file and its barcode scan. Each figure comes with a reference
// measured in the same run: a plain read or replace-on-commit write of a file
// of the same size, and a bare memcmp over the same 10000 records.
#include "barcodes/WeighingBarcode.h"
#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

namespace {

struct Folder {
    Folder() {
        PluTable table;
        (void)LoadDatabase(table, dir.path());
    }
    QTemporaryDir dir;
};

Folder& Shared() {
    static Folder folder;
    return folder;
}

void BM_LoadDatabase(benchmark::State& state) {
    PluTable table;
    for (auto _ : state) {
        const DatabaseFileResult r = LoadDatabase(table, Shared().dir.path());
        benchmark::DoNotOptimize(r.Ok);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PluTable::ByteSize);
}
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond);

void BM_ReferenceReadFile(benchmark::State& state) {
    const QString path = Shared().dir.filePath(QStringLiteral("pludb.dat"));
    std::vector<char> buffer(size_t(PluTable::ByteSize));
    for (auto _ : state) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(f.read(buffer.data(), qint64(buffer.size())));
    }
}
BENCHMARK(BM_ReferenceReadFile)->Unit(benchmark::kMillisecond);

void BM_SaveDatabase(benchmark::State& state) {
    PluTable table;
    table.FillDefaults();
    for (auto _ : state) {
        const DatabaseFileResult r = SaveDatabase(table, Shared().dir.path());
        benchmark::DoNotOptimize(r.Ok);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PluTable::ByteSize);
}
BENCHMARK(BM_SaveDatabase)->Unit(benchmark::kMillisecond);

// The same bytes through the same replace-on-commit path, without the checks
// and the tail copy of SaveDatabase.
void BM_ReferenceSaveFile(benchmark::State& state) {
    const QString path = Shared().dir.filePath(QStringLiteral("reference.dat"));
    const QByteArray bytes(int(PluTable::ByteSize), 'x');
    for (auto _ : state) {
        QSaveFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        benchmark::DoNotOptimize(f.commit());
    }
}
BENCHMARK(BM_ReferenceSaveFile)->Unit(benchmark::kMillisecond);

// The worst case: the only matching PLU is the last one.
void BM_ScanByBarcodePrefix(benchmark::State& state) {
    PluTable table;
    for (int n = 0; n < PluTable::Size; ++n)
        table[n].SetBarcode(QByteArray::number(2000000 + n));
    table[9999].SetBarcode("2112345");
    const BarcodeTypeTable rules = BarcodeTypeTable::Defaults();
    for (auto _ : state) {
        const auto m = DecodeWeighingBarcode("2112345067890", rules, table);
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_ScanByBarcodePrefix)->Unit(benchmark::kMicrosecond);

// A bare memcmp over the same records: the least any scan of the table costs.
void BM_ReferenceMemcmpScan(benchmark::State& state) {
    PluTable table;
    for (int n = 0; n < PluTable::Size; ++n)
        table[n].SetBarcode(QByteArray::number(2000000 + n));
    table[9999].SetBarcode("2112345");
    for (auto _ : state) {
        int found = -1;
        for (int n = 0; n < PluTable::Size; ++n) {
            if (std::memcmp(table[n].Barcode.data(), "2112345", 7) == 0) {
                found = n;
                break;
            }
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_ReferenceMemcmpScan)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
