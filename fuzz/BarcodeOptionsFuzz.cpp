// libFuzzer target: ComOpts.ini holding any bytes. The loader must read the
// first 72 bytes as the six rules whatever they hold (or fall back to the
// defaults for a short file), and a save must keep the bytes beyond them.
#include "barcodes/BarcodeOptionsFile.h"
#include "barcodes/WeighingBarcode.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, QByteArrayView bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(bytes.data(), bytes.size()) != bytes.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Kept for the whole run: one folder, rewritten by every input.
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/orvex-fuzz-XXXXXX"));
    const QString path = dir.filePath(QString::fromLatin1(OptionsFileName));
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    WriteAll(path, bytes);

    const BarcodeOptionsLoad load = LoadBarcodeTypes(dir.path());
    if (size >= size_t(BarcodeTypeFileSize)) {
        if (!(load.Table == BarcodeTypeTable::FromBytes(bytes)) || !load.Message.isEmpty())
            std::abort();
        if (load.Table.ToBytes() != bytes.first(BarcodeTypeFileSize))
            std::abort();
    } else if (!(load.Table == BarcodeTypeTable::Defaults())) {
        std::abort();
    }

    // Every loaded rule, however wild, must be safe to show in the dialog.
    for (const BarcodeRule& rule : load.Table.Rules)
        (void)BarcodeSampleText(QString::number(rule.Header), rule.Code, rule.Weight, QLatin1Char('.'));

    // A save writes the rules and keeps whatever followed them.
    if (!SaveBarcodeTypes(BarcodeTypeTable::Defaults(), dir.path()).isEmpty())
        std::abort();
    const QByteArray saved = ReadAll(path);
    QByteArray expected = BarcodeTypeTable::Defaults().ToBytes();
    if (size > size_t(BarcodeTypeFileSize))
        expected += bytes.sliced(BarcodeTypeFileSize).toByteArray();
    if (saved != expected)
        std::abort();
    return 0;
}
