// orvex-xls-reader FILE ROWS COLUMNS DECLARED_CELLS MEMORY_BYTES
// Reads the kept part of an .xls file and writes it to its output for the
// program that started it. It runs alone so that a hostile file can only take
// this process down, under a memory ceiling.
#include "spreadsheets/SheetReaders.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVEX_HAS_ASAN 1
#endif
#endif
#if !defined(ORVEX_HAS_ASAN) && defined(__SANITIZE_ADDRESS__)
#define ORVEX_HAS_ASAN 1
#endif
#ifndef ORVEX_HAS_ASAN
#define ORVEX_HAS_ASAN 0
#endif

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fputs("usage: orvex-xls-reader FILE ROWS COLUMNS DECLARED_CELLS MEMORY_BYTES\n", stderr);
        return 2;
    }
    const long rowLimit = std::strtol(argv[2], nullptr, 10);
    const long columnLimit = std::strtol(argv[3], nullptr, 10);
    const long long declaredCells = std::strtoll(argv[4], nullptr, 10);
    const long long memoryBytes = std::strtoll(argv[5], nullptr, 10);
    if (rowLimit < 1 || rowLimit > 1 << 20 || columnLimit < 1 || columnLimit > 1 << 14 || declaredCells < 1 ||
        memoryBytes < 1) {
        std::fputs("orvex-xls-reader: limits out of range\n", stderr);
        return 2;
    }
    if (!ORVEX_HAS_ASAN) {
        // (AddressSanitizer reserves far more address space than this.)
        const rlim_t ceiling = rlim_t(memoryBytes) * 4 + (256ULL << 20);
        const struct rlimit limit = {ceiling, ceiling};
        ::setrlimit(RLIMIT_AS, &limit);
    }
    SheetRows kept{int(rowLimit), int(columnLimit)};
    SheetLimits limits;
    limits.DeclaredCells = declaredCells;
    limits.UnpackedBytes = memoryBytes;
    const SheetError error = ReadXlsFile(QString::fromLocal8Bit(argv[1]), kept, limits);
    const QByteArray out = EncodeXlsRows(error, kept);
    if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()) ||
        std::fflush(stdout) != 0)
        return 1;
    return 0;
}
