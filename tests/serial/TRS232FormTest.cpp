#include "serial/TRS232Form.h"
#include "support/HexDump.h"
#include "support/PtyPair.h"
#include "support/WaitUntil.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FormOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, pty.DevicePath());
        QObject::connect(&form, &TRS232Form::ReplyReceived, [this](quint8 code) {
            codes.push_back(code);
            const auto p = form.Payload();
            payloads.emplace_back(p.begin(), p.end());
        });
    }
    void TearDown() override { TCommPortDriver::ClearDeviceOverrides(); }

    PtyPair pty;
    TRS232Form form;
    std::vector<uint8_t> codes;
    std::vector<std::vector<uint8_t>> payloads;
};

} // namespace

TEST_F(FormOnPty, SerialStartsOnCom1At19200Closed) {
    EXPECT_EQ(form.Serial().ComPort(), pnCOM1);
    EXPECT_EQ(form.Serial().ComPortSpeed(), br19200);
    EXPECT_EQ(form.Serial().PacketMode(), pmPass);
    EXPECT_FALSE(form.Serial().IsOpen());
    EXPECT_EQ(form.SendFrame({0x51}), 0) << "a closed port loses the frame silently";
}

TEST_F(FormOnPty, SendsFramesAndRebuildsSplitReplies) {
    ASSERT_TRUE(form.Serial().OpenPort());
    EXPECT_EQ(form.SendFrame({0x5B, 0x01, 0x00}), 0);
    EXPECT_EQ(Hex(pty.ReadAtLeast(7)), "7E 5B 01 00 5B 5C 7F");

    const auto frame = Bytes("7E 7D 5D 7D 5F 81 FC 7F");
    pty.Write(std::span(frame).first(2)); // split inside the escape pair
    RunEventsFor(80);
    pty.Write(std::span(frame).subspan(2));
    ASSERT_TRUE(WaitUntil([&] { return codes.size() == 1; }));
    EXPECT_EQ(Hex(payloads[0]), "7D 7F");

    pty.Write(Bytes("00 11 7E 61 62 63 84 26 7F 7E 51 51 51 7F"));
    ASSERT_TRUE(WaitUntil([&] { return codes.size() == 3; }));
    EXPECT_EQ(codes[1], 0x61);
    EXPECT_EQ(codes[2], 0x51);
}

TEST_F(FormOnPty, RefusesPayloadsThatCannotFitAFrame) {
    ASSERT_TRUE(form.Serial().OpenPort());
    const std::vector<uint8_t> tooLong(97, 0x41);
    EXPECT_NE(form.SendFrame(tooLong), 0);
    RunEventsFor(50);
    EXPECT_TRUE(pty.ReadAvailable().isEmpty());
}

TEST_F(FormOnPty, ChangeSpeedAndPortWhileOpenReopen) {
    ASSERT_TRUE(form.Serial().OpenPort());
    form.ChangeSpeed(br38400);
    EXPECT_TRUE(form.Serial().IsOpen());
    EXPECT_EQ(form.Serial().ActualBaudRate(), 38400u);
    pty.Write(Bytes("7E 51 51 51 7F"));
    ASSERT_TRUE(WaitUntil([&] { return codes.size() == 1; }));

    PtyPair second;
    TCommPortDriver::SetDeviceOverride(pnCOM2, second.DevicePath());
    form.ChangePort(pnCOM2);
    EXPECT_TRUE(form.Serial().IsOpen());
    EXPECT_EQ(form.Serial().ComPort(), pnCOM2);
    form.SendFrame({0x51});
    QByteArray got;
    ASSERT_TRUE(WaitUntil([&] {
        got += second.ReadAvailable();
        return got.size() == 5;
    }));
    EXPECT_TRUE(pty.ReadAvailable().isEmpty()) << "nothing goes to the old port";

    form.Serial().ClosePort();
    form.ChangeSpeed(br9600);
    EXPECT_FALSE(form.Serial().IsOpen()) << "a closed port stays closed";
    EXPECT_EQ(form.Serial().ComPortSpeed(), br9600);
}

TEST_F(FormOnPty, BarcodeEntryTakesTheFirstLineOfEachChunk) {
    QList<QByteArray> lines;
    QObject::connect(&form, &TRS232Form::BarcodeLine, [&](const QByteArray& l) { lines.append(l); });
    ASSERT_TRUE(form.Serial().OpenPort());
    form.SetBarcodeEntry(true);
    struct Case {
        QByteArray chunk;
        QByteArray line;
    };
    const Case cases[] = {
        {"12345\r\n", "12345"},
        {"9876543", "9876543"},
        {QByteArray(80, '7') + "\r\n", QByteArray(49, '7')},
        {"\r\n", ""},
    };
    for (const Case& c : cases) {
        lines.clear();
        form.SerialReceiveData(&form.Serial(),
                               {reinterpret_cast<const uint8_t*>(c.chunk.data()), size_t(c.chunk.size())});
        ASSERT_EQ(lines.size(), 1);
        EXPECT_EQ(lines[0], c.line);
    }
    EXPECT_TRUE(codes.empty()) << "scanner lines are never parsed as frames";
    form.SetBarcodeEntry(false);
    pty.Write(Bytes("7E 51 51 51 7F"));
    ASSERT_TRUE(WaitUntil([&] { return codes.size() == 1; }));
}

// One line per frame in each direction, the failed checksum marked, and
// nothing more once the trace is turned off.
TEST_F(FormOnPty, TracesFramesBothWaysUntilTurnedOff) {
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.txt");
    QString error;
    ASSERT_TRUE(form.Trace().Start(path, &error)) << error.toStdString();
    ASSERT_TRUE(form.Serial().OpenPort());
    form.SendFrame({0x51});
    EXPECT_EQ(Hex(pty.ReadAtLeast(5)), "7E 51 51 51 7F");
    pty.Write(Bytes("7E 61 62 63 84 27 7F 7E 7D 5D 7D 5F 81 FC 7F"));
    ASSERT_TRUE(WaitUntil([&] { return codes.size() == 1; }));
    form.Trace().Stop();
    form.SendFrame({0x51});
    pty.Write(Bytes("7E 51 51 51 7F"));
    ASSERT_TRUE(WaitUntil([&] { return codes.size() == 2; }));

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << lines.join('\n').toStdString();
    const QRegularExpression stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\S* )");
    for (const QString& line : lines)
        EXPECT_TRUE(stamp.match(line).hasMatch()) << line.toStdString();
    EXPECT_TRUE(lines[0].endsWith(" OUT 7E 51 51 51 7F code 51 'Q'")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" BAD 7E 61 62 63 84 27 7F code 61 'a'")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(" IN 7E 7D 5D 7D 5F 81 FC 7F code 7D '}'")) << lines[2].toStdString();
}
