#include "serial/FrameTrace.h"
#include "serial/FrameCodec.h"

#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list)
        v.push_back(uint8_t(b));
    return v;
}

} // namespace

// A frame that fails its checksum is handed to the rejected handler with the
// bytes as they came, and never to the frame handler; good frames around it
// still come through.
TEST(FrameReceiverRejected, BadChecksumGoesToRejectedWithBytesKept) {
    FrameReceiver receiver;
    std::vector<uint8_t> good;
    std::vector<std::vector<uint8_t>> rejected;
    receiver.SetOnFrame([&](uint8_t code) { good.push_back(code); });
    receiver.SetOnRejected([&] {
        const auto& b = receiver.FrameBuffer();
        rejected.emplace_back(b.begin(), b.begin() + receiver.FrameLength());
    });
    const auto wire =
        Bytes({0x7E, 0x51, 0x51, 0x51, 0x7F, 0x7E, 0x51, 0x51, 0x50, 0x7F, 0x7E, 0x51, 0x51, 0x51, 0x7F});
    receiver.Feed(wire);
    EXPECT_EQ(good, Bytes({0x51, 0x51}));
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_EQ(rejected[0], Bytes({0x51, 0x51, 0x50}));
}

TEST(FrameTraceLine, SimulatorLayoutWithCode) {
    const QDateTime at(QDate(2026, 3, 4), QTime(5, 6, 7, 89));
    struct Row {
        const char* Direction;
        std::vector<uint8_t> Body; // payload and checksum, unstuffed
        std::optional<uint8_t> Code;
        const char* Tail;
    };
    const Row rows[] = {
        {TraceDirection::Out, Bytes({0x51, 0x51, 0x51}), 0x51, " OUT 7E 51 51 51 7F code 51 'Q'\n"},
        // Stuffed bytes appear as they go on the line.
        {TraceDirection::In, Bytes({0x7D, 0x7F, 0x81, 0xFC}), 0x7D,
         " IN 7E 7D 5D 7D 5F 81 FC 7F code 7D '}'\n"},
        {TraceDirection::Bad, Bytes({0x05, 0x00, 0x01}), 0x05, " BAD 7E 05 00 01 7F code 05\n"},
        {TraceDirection::In, Bytes({0x00, 0x00}), std::nullopt, " IN 7E 00 00 7F\n"},
    };
    for (const Row& row : rows) {
        const QByteArray line = FrameTraceLine(at, row.Direction, StuffedFrame(row.Body), row.Code);
        EXPECT_TRUE(line.startsWith(at.toString(Qt::ISODateWithMs).toLatin1() + ' ')) << line.constData();
        EXPECT_TRUE(line.startsWith("2026-03-04T05:06:07.089")) << line.constData();
        EXPECT_TRUE(line.endsWith(row.Tail)) << line.constData();
    }
}

TEST(FrameTrace, StartFailsInWordsAndStopCloses) {
    QTemporaryDir dir;
    FrameTrace trace;
    QString error;
    EXPECT_FALSE(trace.Start(dir.filePath("no/such/dir/t.txt"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(trace.IsOn());

    const QString path = dir.filePath("t.txt");
    ASSERT_TRUE(trace.Start(path, &error));
    trace.Write(TraceDirection::Out, StuffedFrame(Bytes({0x51, 0x51, 0x51})), 0x51);
    trace.Stop();
    EXPECT_FALSE(trace.IsOn());
    trace.Write(TraceDirection::Out, StuffedFrame(Bytes({0x51, 0x51, 0x51})), 0x51);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count('\n'), 1) << "nothing written after the trace was turned off";
}

TEST(FrameTrace, AFullDiskEndsTheTraceAndSaysWhyOnce) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("trace.txt"));
    FrameTrace trace;
    std::vector<std::pair<QString, QString>> failures;
    trace.OnFailed = [&](const QString& file, const QString& reason) { failures.emplace_back(file, reason); };
    QString error;
    ASSERT_TRUE(trace.Start(path, &error)) << error.toStdString();
    // A disk that is full: the file may not grow (the limit is the process's,
    // so it is lifted right after).
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit full = previous;
    full.rlim_cur = 0;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    trace.Write(TraceDirection::Out, StuffedFrame(Bytes({0x51, 0x51, 0x51})), 0x51);
    trace.Write(TraceDirection::In, StuffedFrame(Bytes({0x51, 0x51, 0x51})), 0x51);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_FALSE(trace.IsOn());
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].first, path);
    EXPECT_FALSE(failures[0].second.isEmpty());
}

TEST(FrameTrace, OnlyARegularFileOrANewPathTakesTheTrace) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A FIFO would hold the window in open() until someone reads it.
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    FrameTrace trace;
    QString error;
    EXPECT_FALSE(trace.Start(fifo, &error));
    EXPECT_EQ(error, QStringLiteral("a FIFO, not a regular file"));
    EXPECT_FALSE(trace.IsOn());
}
