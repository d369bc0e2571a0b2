#include "protocol/RegisterFinder.h"
#include "support/ScriptedPeer.h"
#include "support/StrictRegister.h"
#include "support/WaitUntil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct FinderRun {
    RegisterFinder finder;
    std::vector<std::pair<QString, quint32>> probes;
    std::optional<bool> cancelled;
    FinderRun() {
        finder.SetProbeTimeout(150);
        QObject::connect(&finder, &RegisterFinder::Probing,
                         [this](const QString& d, quint32 bps) { probes.emplace_back(d, bps); });
        QObject::connect(&finder, &RegisterFinder::Finished, [this](bool c) { cancelled = c; });
    }
};

} // namespace

TEST(RegisterFinder, FindsTheSpeedThatAnswersAndSaysWhyADeviceCannotBeOpened) {
    auto sim = StrictRegister(38400);
    const QString simDevice = sim->Start();
    ASSERT_FALSE(simDevice.isEmpty()) << sim->ErrorString().toStdString();
    ScriptedPeer silent;
    ASSERT_TRUE(silent.Ok());
    QTemporaryDir dir;
    const QString missing = dir.filePath("ttyUSB7");
    const QString notSerial = dir.filePath("plain-file");
    {
        QFile f(notSerial);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    FinderRun run;
    run.finder.Start({missing, silent.DevicePath(), simDevice, notSerial});
    EXPECT_EQ(run.finder.StepsTotal(), 12);
    ASSERT_TRUE(WaitUntil([&] { return run.cancelled.has_value(); }, 10000));
    EXPECT_FALSE(*run.cancelled);
    EXPECT_FALSE(run.finder.IsRunning());
    EXPECT_EQ(run.finder.StepsDone(), run.finder.StepsTotal());
    EXPECT_EQ(run.finder.MsLeftAtMost(), 0);

    const auto& out = run.finder.Outcomes();
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0].Device, missing);
    EXPECT_EQ(out[0].Result, RegisterFinder::Outcome::Unopenable);
    EXPECT_FALSE(out[0].Reason.isEmpty());
    EXPECT_EQ(out[1].Result, RegisterFinder::Outcome::Silent);
    EXPECT_EQ(out[2].Device, simDevice);
    EXPECT_EQ(out[2].Result, RegisterFinder::Outcome::Answered);
    EXPECT_EQ(out[2].Speed, br38400);
    EXPECT_EQ(out[3].Result, RegisterFinder::Outcome::Unopenable) << "a plain file is no serial device";
    EXPECT_FALSE(out[3].Reason.isEmpty());

    // Every speed was tried on the silent device and the register, in order,
    // and nothing but the clock request ever went to the silent one.
    const std::vector<std::pair<QString, quint32>> expected{
        {silent.DevicePath(), 9600}, {silent.DevicePath(), 19200}, {silent.DevicePath(), 38400},
        {simDevice, 9600},           {simDevice, 19200},           {simDevice, 38400}};
    EXPECT_EQ(run.probes, expected);
    ASSERT_TRUE(WaitUntil([&] { return silent.Received().size() >= 3; }, 2000));
    RunEventsFor(100);
    ASSERT_EQ(silent.Received().size(), 3u);
    for (const auto& payload : silent.Received())
        EXPECT_EQ(payload, ScriptedPeer::Payload{'Q'});
}

TEST(RegisterFinder, CancelStopsAtOnceAndKeepsWhatWasFound) {
    auto sim = StrictRegister(9600);
    const QString simDevice = sim->Start();
    ASSERT_FALSE(simDevice.isEmpty());
    ScriptedPeer silent;
    FinderRun run;
    run.finder.SetProbeTimeout(2000);
    run.finder.Start({simDevice, silent.DevicePath()});
    ASSERT_TRUE(WaitUntil([&] { return run.probes.size() == 2; }, 5000));
    EXPECT_EQ(run.probes.back(), std::make_pair(silent.DevicePath(), quint32(9600)));
    EXPECT_EQ(run.finder.StepsDone(), 3) << "the device that answered counts whole";
    EXPECT_EQ(run.finder.MsLeftAtMost(), 3 * 2000);

    run.finder.Cancel();
    ASSERT_TRUE(run.cancelled.has_value());
    EXPECT_TRUE(*run.cancelled);
    EXPECT_FALSE(run.finder.IsRunning());
    ASSERT_EQ(run.finder.Outcomes().size(), 1u);
    EXPECT_EQ(run.finder.Outcomes()[0].Speed, br9600);
    RunEventsFor(200);
    EXPECT_EQ(run.probes.size(), 2u) << "nothing is asked after a cancel";
    EXPECT_EQ(silent.Received().size(), 1u);

    // The silent device is free again: the finder closed it.
    TRS232Form other;
    EXPECT_TRUE(other.Serial().OpenDevice(silent.DevicePath())) << other.Serial().OpenError().toStdString();
}

TEST(RegisterFinder, MachineDevicesNameEachDeviceOnce) {
    ScriptedPeer device;
    QTemporaryDir dir;
    const QString alias = dir.filePath("ttyREGISTER");
    ASSERT_TRUE(QFile::link(device.DevicePath(), alias));
    TCommPortDriver::SetDeviceOverride(pnCOM1, device.DevicePath());
    TCommPortDriver::SetDeviceOverride(pnCOM3, alias);
    const QStringList devices = RegisterFinder::MachineDevices();
    TCommPortDriver::ClearDeviceOverrides();

    EXPECT_EQ(devices.value(0), device.DevicePath());
    EXPECT_EQ(devices.value(1), QStringLiteral("/dev/ttyS1"));
    EXPECT_FALSE(devices.contains(alias)) << "a second name of COM1's device";
    EXPECT_EQ(devices.value(2), QStringLiteral("/dev/ttyS3"));
    EXPECT_EQ(QStringList(devices).removeDuplicates(), 0);
}
