#include "SimOnPty.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace {

struct FaultRow {
    const char* Name;
    std::function<void(SimOptions&)> Set;
    std::function<void(class FaultOptions&)> Check;
};

void PrintTo(const FaultRow& row, std::ostream* os) {
    *os << row.Name;
}

class FaultOptions : public SimOnPty, public ::testing::WithParamInterface<FaultRow> {
  public:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SimOptions options;
        options.TraceFile = dir.filePath("trace.txt");
        GetParam().Set(options);
        Start(options);
    }

    // Sends count clock requests one after the other, each given time to be answered.
    void AskClock(int count, int eachMs = 150) {
        received.clear();
        for (int i = 0; i < count; ++i) {
            const size_t before = received.size();
            Send({'Q'});
            WaitUntil([&] { return received.size() > before; }, eachMs);
        }
        RunEventsFor(50);
    }

    QStringList TraceLines(const QString& direction) {
        QFile f(dir.filePath("trace.txt"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList lines;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() > 1 && fields[1] == direction.toLatin1())
                lines << QString::fromLatin1(line);
        }
        return lines;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_P(FaultOptions, DoWhatTheySay) {
    GetParam().Check(*this);
}

INSTANTIATE_TEST_SUITE_P(
    Line, FaultOptions,
    ::testing::Values(
        FaultRow{"SilentSendsNothing", [](SimOptions& o) { o.Silent = true; },
                 [](FaultOptions& t) {
                     t.AskClock(3);
                     t.model.SellStep();
                     RunEventsFor(100);
                     EXPECT_TRUE(t.received.empty());
                     EXPECT_EQ(t.port->FramesIn(), 3) << "the commands still reach the register";
                 }},
        FaultRow{"DropEveryLeavesOutEveryNthFrame", [](SimOptions& o) { o.DropEvery = 2; },
                 [](FaultOptions& t) {
                     t.AskClock(6);
                     EXPECT_EQ(t.received.size(), 3u);
                     EXPECT_EQ(t.TraceLines("DROP").size(), 3);
                     EXPECT_EQ(t.TraceLines("OUT").size(), 3);
                 }},
        FaultRow{"CorruptEveryBreaksEveryNthChecksum", [](SimOptions& o) { o.CorruptEvery = 3; },
                 [](FaultOptions& t) {
                     t.AskClock(6);
                     EXPECT_EQ(t.received.size(), 4u) << "the program drops the two broken frames";
                     EXPECT_EQ(t.TraceLines("OUT").size(), 6) << "all six went on the line";
                     for (const QByteArray& r : t.received)
                         EXPECT_EQ(r.size(), 8) << Hex(r);
                 }},
        FaultRow{"WrongPluEveryNamesTheNextPlu", [](SimOptions& o) { o.WrongPluEvery = 2; },
                 [](FaultOptions& t) {
                     std::vector<int> numbers;
                     for (int i = 0; i < 4; ++i) {
                         const auto replies = t.Exchange({'[', 0x0F, 0x27}, 1); // PLU 9999
                         ASSERT_EQ(replies.size(), 1u);
                         numbers.push_back(uint8_t(replies[0][1]) | (uint8_t(replies[0][2]) << 8));
                     }
                     EXPECT_EQ(numbers, (std::vector<int>{9999, 0, 9999, 0}));
                     const auto clock = t.Exchange({'Q'}, 1);
                     EXPECT_EQ(clock.size(), 1u) << "other replies keep their numbers";
                 }},
        FaultRow{"DelayAnswersLate", [](SimOptions& o) { o.DelayMs = 400; },
                 [](FaultOptions& t) {
                     t.received.clear();
                     t.Send({'Q'});
                     RunEventsFor(200);
                     EXPECT_TRUE(t.received.empty()) << "not before the delay";
                     EXPECT_TRUE(WaitUntil([&] { return t.received.size() == 1; }, 3000));
                     t.received.clear();
                     t.model.SellStep();
                     EXPECT_TRUE(WaitUntil([&] { return !t.received.empty(); }, 150))
                         << "the register's own records are not delayed";
                 }},
        FaultRow{"TraceWritesEveryFrameBothWays", [](SimOptions&) {},
                 [](FaultOptions& t) {
                     t.AskClock(1);
                     ASSERT_EQ(t.received.size(), 1u);
                     const QStringList in = t.TraceLines("IN");
                     const QStringList out = t.TraceLines("OUT");
                     ASSERT_EQ(in.size(), 1);
                     ASSERT_EQ(out.size(), 1);
                     EXPECT_TRUE(in[0].endsWith(" IN 7E 51 51 51 7F")) << in[0].toStdString();
                     EXPECT_TRUE(out[0].contains(QRegularExpression(
                         R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\S* OUT 7E 51( [0-9A-F]{2})+ 7F$)")))
                         << out[0].toStdString();
                 }}),
    [](const auto& info) { return std::string(info.param.Name); });

// Nobody on the line: the register's output is lost, not kept for whoever
// opens the device next; a new listener gets only what is sent from then on.
TEST_F(SimOnPty, OutputWithNobodyListeningIsLost) {
    form->Serial().ClosePort();
    ASSERT_TRUE(WaitUntil([&] { return !port->FarEndOpen(); }, 2000));
    for (int i = 0; i < 5; ++i)
        model.SellStep();
    EXPECT_EQ(port->Pending(), 0);

    received.clear();
    ASSERT_TRUE(form->Serial().OpenPort());
    ASSERT_TRUE(WaitUntil([&] { return port->FarEndOpen(); }, 2000));
    RunEventsFor(100);
    EXPECT_TRUE(received.empty()) << Hex(received.front());
    const auto replies = Exchange({'Q'}, 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0][0], 'Q');
}

// A listener that stops reading holds the register up; nothing it sends is
// lost or broken, paced or not.
TEST_F(SimOnPty, SlowListenerLosesNothing) {
    for (uint32_t speed : {0u, 115200u}) {
        SimOptions options;
        options.Speed = speed;
        Start(options, false);
        form->Serial().ClosePort();
        ASSERT_TRUE(WaitUntil([&] { return !port->FarEndOpen(); }, 2000));
        const int fd = ::open(port->DevicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(WaitUntil([&] { return port->FarEndOpen(); }, 2000));

        const int frames = speed == 0 ? 600 : 60; // 600 frames overfill the line's buffer
        for (int i = 0; i < frames; ++i)
            port->Send(QByteArray(60, char('A' + i % 26)));
        if (speed == 0) {
            RunEventsFor(50);
            EXPECT_GT(port->Pending(), 0) << "the listener's buffer is full";
        }

        int verified = 0;
        FrameReceiver receiver;
        receiver.SetOnFrame([&](uint8_t code) {
            EXPECT_EQ(code, uint8_t('A' + verified % 26));
            EXPECT_EQ(receiver.Payload().size(), 60u);
            ++verified;
        });
        WaitUntil(
            [&] {
                std::array<uint8_t, 4096> buf{};
                const ssize_t n = ::read(fd, buf.data(), buf.size());
                if (n > 0)
                    receiver.Feed(std::span(buf.data(), size_t(n)));
                return verified == frames;
            },
            5000);
        EXPECT_EQ(verified, frames) << "at " << speed << " bit/s";
        ::close(fd);
    }
}
