#include "SimOnPty.h"

#include "sim/InProcessRegister.h"
#include "support/ScriptedPeer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>

TEST(InProcessRegister, ServesCom1FromItsOwnThread) {
    SimOptions options;
    options.Speed = 0;
    InProcessRegister sim(options);
    const QString device = sim.Start();
    ASSERT_FALSE(device.isEmpty()) << sim.ErrorString().toStdString();
    EXPECT_TRUE(sim.IsRunning());
    EXPECT_EQ(sim.Start(), device) << "starting again keeps the running register";

    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    TRS232Form form;
    std::vector<QByteArray> replies;
    QObject::connect(&form, &TRS232Form::ReplyReceived, [&](quint8) {
        const auto p = form.Payload();
        replies.emplace_back(reinterpret_cast<const char*>(p.data()), qsizetype(p.size()));
    });
    ASSERT_TRUE(form.Serial().OpenPort());
    form.SendFrame({0x5B, 0x01, 0x00});
    ASSERT_TRUE(WaitUntil([&] { return !replies.empty(); }, 3000));
    EXPECT_EQ(Hex(replies[0].left(10)), "5B 01 00 4D 49 4C 4B 20 31 4C");

    // The register keeps serving while this thread does not run its loop.
    replies.clear();
    form.SendFrame({0x51});
    QThread::msleep(100);
    ASSERT_TRUE(WaitUntil([&] { return !replies.empty(); }, 3000));
    EXPECT_EQ(replies[0][0], 'Q');

    QThread* modelThread = nullptr;
    sim.WithModel([&](RegisterModel& model) {
        modelThread = model.thread();
        model.SellStep();
    });
    EXPECT_NE(modelThread, QThread::currentThread());
    EXPECT_TRUE(WaitUntil([&] { return replies.size() >= 2; }, 3000)) << "the cashier's step reaches COM1";

    form.Serial().ClosePort();
    sim.Stop();
    EXPECT_FALSE(sim.IsRunning());
    EXPECT_FALSE(QFile::exists(device) && form.Serial().OpenPort()) << "the device is gone after Stop";
    TCommPortDriver::ClearDeviceOverrides();
}

TEST(InProcessRegister, ReportsAPluFileItCannotRead) {
    SimOptions options;
    options.PlusFile = QStringLiteral("/nonexistent/pludb.dat");
    InProcessRegister sim(options);
    EXPECT_TRUE(sim.Start().isEmpty());
    EXPECT_FALSE(sim.IsRunning());
    EXPECT_TRUE(sim.ErrorString().contains(QStringLiteral("/nonexistent/pludb.dat")));
}

namespace {

// A pludb.dat record in its 128-byte layout, with the fields the register uses.
void PutRecord(QByteArray& file, int n, const char* description, double price, uint8_t flags, uint8_t unit,
               const char* barcode, uint32_t stock) {
    char* r = file.data() + n * 128;
    std::memcpy(r + 4, description, std::strlen(description));
    std::memcpy(r + 56, &price, sizeof price);
    r[64] = char(flags);
    r[68] = char(unit);
    std::memcpy(r + 69, barcode, std::strlen(barcode));
    std::memcpy(r + 96, &stock, sizeof stock);
}

} // namespace

TEST_F(SimOnPty, StartsFromAPluDatabaseFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray data(10 * 128, '\0'); // a short file: PLUs 10 to 9999 come out empty
    PutRecord(data, 7, "SOAP", 3.5, 0xC3, 0, "8600000000007", 12);
    PutRecord(data, 8, "\xC0\xC1", 1.0, 0x41, 0, "", 0); // Cyrillic A and B
    QFile f(dir.filePath("pludb.dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();
    ASSERT_TRUE(model.LoadPlus(f.fileName(), 204));

    auto replies = Exchange({0x5B, 0x07, 0x00}, 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0].left(21)), "5B 07 00 53 4F 41 50 00 00 00 00 00 00 00 00 00 00 03 50 C3 00");
    EXPECT_EQ(Hex(replies[0].mid(21, 13)), Hex(QByteArray("8600000000007")));
    EXPECT_EQ(Hex(replies[0].mid(45, 4)), "00 00 00 12");

    replies = Exchange({0x5B, 0x08, 0x00}, 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0].mid(3, 3)), "80 81 00") << "texts are held in the register character set";

    EXPECT_FALSE(model.Plu(1).Active()) << "the file replaces the built-in articles";
    EXPECT_EQ(model.Plu(20).Description[0], 0);
    EXPECT_FALSE(model.LoadPlus(dir.filePath("missing.dat"), 204));
}

TEST(ScriptedPeerTest, ReadsWhatTheProgramSendsAndAnswersAsTold) {
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Ok());
    TCommPortDriver::SetDeviceOverride(pnCOM1, peer.DevicePath());
    TRS232Form form;
    std::vector<std::vector<uint8_t>> replies;
    QObject::connect(&form, &TRS232Form::ReplyReceived, [&](quint8) {
        const auto p = form.Payload();
        replies.emplace_back(p.begin(), p.end());
    });
    ASSERT_TRUE(form.Serial().OpenPort());

    form.SendFrame({0x7D, 0x5B, 0x01});
    const auto first = peer.NextFrame();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(Hex(*first), "7D 5B 01");
    EXPECT_TRUE(peer.QuietFor(100));

    peer.SetResponder([](const ScriptedPeer::Payload& got) {
        if (got[0] == 'Q')
            return std::vector<ScriptedPeer::Payload>{{'Q', 1, 2, 3, 4, 5, 0xD4, 0x07}};
        return std::vector<ScriptedPeer::Payload>{};
    });
    form.SendFrame({'Q'});
    ASSERT_TRUE(WaitUntil([&] { return !replies.empty(); }, 3000));
    EXPECT_EQ(Hex(replies[0]), "51 01 02 03 04 05 D4 07");
    form.SendFrame({'V'});
    ASSERT_TRUE(peer.NextFrame().has_value()); // the 'Q'
    const auto v = peer.NextFrame();
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(Hex(*v), "56");
    EXPECT_TRUE(peer.QuietFor(100));
    EXPECT_EQ(replies.size(), 1u) << "no answer where the responder gives none";

    peer.Send({'V', 'I'});
    EXPECT_TRUE(WaitUntil([&] { return replies.size() == 2; }, 3000));
    EXPECT_FALSE(peer.NextFrame(100).has_value());
    EXPECT_EQ(peer.Received().size(), 3u);
    TCommPortDriver::ClearDeviceOverrides();
}
