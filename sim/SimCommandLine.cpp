#include "sim/SimCommandLine.h"

#include <QCommandLineParser>

namespace {

// A whole number of 0 or more, or an error text.
QString ReadCount(const QCommandLineParser& parser, const QString& name, qint64 max, qint64& out) {
    if (!parser.isSet(name))
        return {};
    bool ok = false;
    const qint64 v = parser.value(name).toLongLong(&ok);
    if (!ok || v < 0 || v > max)
        return QStringLiteral("--%1 wants a whole number from 0 to %2, not '%3'")
            .arg(name)
            .arg(max)
            .arg(parser.value(name));
    out = v;
    return {};
}

} // namespace

void SimCommandLine::AddOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("speed"),
         QStringLiteral("Simulated register: pace its output at <bps>, 10 bits a byte (0 = unpaced)."),
         QStringLiteral("bps")},
        {QStringLiteral("strict-speed"),
         QStringLiteral("Simulated register: hear only a program whose line runs at --speed.")},
        {QStringLiteral("sell-every"),
         QStringLiteral("Simulated register: a cashier's sale step every <ms> (0 = only when asked)."),
         QStringLiteral("ms")},
        {QStringLiteral("seed"), QStringLiteral("Simulated register: seed of the cashier's choices."),
         QStringLiteral("n")},
        {QStringLiteral("silent"), QStringLiteral("Simulated register: send nothing at all.")},
        {QStringLiteral("drop-every"),
         QStringLiteral("Simulated register: leave out every <n>th frame it sends."), QStringLiteral("n")},
        {QStringLiteral("corrupt-every"),
         QStringLiteral("Simulated register: break the checksum of every <n>th frame it sends."),
         QStringLiteral("n")},
        {QStringLiteral("wrong-plu-every"),
         QStringLiteral("Simulated register: answer every <n>th PLU request with the next PLU."),
         QStringLiteral("n")},
        {QStringLiteral("delay"), QStringLiteral("Simulated register: answer commands <ms> late."),
         QStringLiteral("ms")},
        {QStringLiteral("plus"),
         QStringLiteral("Simulated register: start from the PLUs of a pludb.dat file."),
         QStringLiteral("file")},
        {QStringLiteral("charset"),
         QStringLiteral("Simulated register: character set of the --plus file's texts (204 Cyrillic, 238 "
                        "Latin, 1 none)."),
         QStringLiteral("code")},
        {QStringLiteral("trace"), QStringLiteral("Write every frame on the line, in and out, to <file>."),
         QStringLiteral("file")},
    });
}

QString SimCommandLine::Read(const QCommandLineParser& parser, SimOptions& options) {
    qint64 speed = options.Speed;
    qint64 sellEvery = options.SellEveryMs;
    qint64 seed = options.Seed;
    qint64 dropEvery = options.DropEvery;
    qint64 corruptEvery = options.CorruptEvery;
    qint64 wrongPluEvery = options.WrongPluEvery;
    qint64 delay = options.DelayMs;
    qint64 charset = options.Charset;
    constexpr qint64 IntMax = 0x7FFFFFFF;
    for (const QString& error : {ReadCount(parser, QStringLiteral("speed"), 4000000, speed),
                                 ReadCount(parser, QStringLiteral("sell-every"), IntMax, sellEvery),
                                 ReadCount(parser, QStringLiteral("seed"), 0xFFFFFFFFLL, seed),
                                 ReadCount(parser, QStringLiteral("drop-every"), IntMax, dropEvery),
                                 ReadCount(parser, QStringLiteral("corrupt-every"), IntMax, corruptEvery),
                                 ReadCount(parser, QStringLiteral("wrong-plu-every"), IntMax, wrongPluEvery),
                                 ReadCount(parser, QStringLiteral("delay"), IntMax, delay),
                                 ReadCount(parser, QStringLiteral("charset"), 255, charset)})
        if (!error.isEmpty())
            return error;
    options.Speed = uint32_t(speed);
    options.SellEveryMs = int(sellEvery);
    options.Seed = uint32_t(seed);
    options.DropEvery = int(dropEvery);
    options.CorruptEvery = int(corruptEvery);
    options.WrongPluEvery = int(wrongPluEvery);
    options.DelayMs = int(delay);
    options.Charset = int(charset);
    if (parser.isSet(QStringLiteral("strict-speed")))
        options.StrictSpeed = true;
    if (parser.isSet(QStringLiteral("silent")))
        options.Silent = true;
    if (parser.isSet(QStringLiteral("plus")))
        options.PlusFile = parser.value(QStringLiteral("plus"));
    if (parser.isSet(QStringLiteral("trace")))
        options.TraceFile = parser.value(QStringLiteral("trace"));
    return {};
}
