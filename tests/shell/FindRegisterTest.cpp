#include "ShellFixture.h"

#include "protocol/RegisterFinder.h"
#include "shell/FindRegisterDialog.h"
#include "shell/RegisterSearch.h"
#include "support/StrictRegister.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

class FindRegisterTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        search = Window().findChild<RegisterSearch*>();
        ASSERT_NE(search, nullptr);
        search->SetDeviceSource([this] { return devices; });
    }
    FindRegisterDialog* Dialog() const { return Window().findChild<FindRegisterDialog*>(); }
    template <typename T> T* InDialog(const char* name) const {
        return Dialog() ? Dialog()->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }
    // The texts of the device list, a row each: "device | answer".
    QStringList Rows() const {
        QStringList rows;
        const auto* list = InDialog<QTreeWidget>("FoundDevices");
        for (int i = 0; list && i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + " | " + list->topLevelItem(i)->text(1);
        return rows;
    }
    bool SearchEnded() const {
        const auto* button = InDialog<QPushButton>("CancelFind");
        return button && button->text() == QStringLiteral("Zatvori");
    }

    RegisterSearch* search = nullptr;
    QStringList devices;
};

} // namespace

TEST_F(FindRegisterTest, OneClickOnUseConnectsToTheDeviceAndSpeedThatAnswered) {
    auto sim = StrictRegister(38400);
    const QString simDevice = sim->Start();
    ASSERT_FALSE(simDevice.isEmpty());
    const QString missing = workDir.filePath(QStringLiteral("ttyUSB3"));
    devices = {pty.DevicePath(), missing, simDevice};
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());

    Item("MnFindRegister")->trigger();
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(Dialog()->windowTitle(), QStringLiteral("Pronađi kasu"));
    EXPECT_FALSE(Dispatcher().IsOpen()) << "the program's own port is free while the devices are asked";
    ASSERT_TRUE(WaitUntil([&] { return SearchEnded(); }, 10000));

    const QStringList rows = Rows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], pty.DevicePath() + QStringLiteral(" (COM1) | nema odgovora"));
    // The system's reason in the sentence's language.
    EXPECT_EQ(rows[1], missing + QStringLiteral(" | ne može da se otvori: nema takve datoteke ili fascikle"));
    EXPECT_EQ(rows[2], simDevice + QStringLiteral(" | odgovara na 38400 bit/s"));
    EXPECT_EQ(InDialog<QLabel>("FindStatus")->text(),
              QStringLiteral("Gotovo: odgovorilo je 1 od 3 uređaja. Izaberite jedan i kliknite Koristi."));
    // The pseudo-terminal of COM1 heard the three clock requests and nothing else.
    const std::vector<uint8_t> clock = Framed("51");
    const QByteArray heard = pty.ReadAtLeast(int(3 * clock.size()));
    EXPECT_EQ(Hex(heard), Hex(clock) + " " + Hex(clock) + " " + Hex(clock));

    auto* use = InDialog<QPushButton>("UseRegister");
    ASSERT_TRUE(use->isEnabled());
    use->click();
    ASSERT_TRUE(WaitUntil([&] { return Dialog() == nullptr; }, 2000));
    const TCommPortDriver& serial = Dispatcher().RS232().Serial();
    EXPECT_TRUE(Dispatcher().IsOpen());
    EXPECT_EQ(serial.CurrentDeviceName(), simDevice);
    EXPECT_EQ(serial.ActualBaudRate(), 38400u);
    EXPECT_TRUE(Item("mbr38400")->isChecked());
    EXPECT_FALSE(Item("Com1")->isChecked());
    EXPECT_EQ(Window().HintText(), QStringLiteral("Povezano sa kasom na %1 sa 38400 bit/s.").arg(simDevice));
    EXPECT_TRUE(boxes.empty());

    // And the register answers there.
    Item("MnGetTime")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }, 5000));
    EXPECT_TRUE(boxes[0].Text.contains(QStringLiteral(":"))) << boxes[0].Text.toStdString();
}

TEST_F(FindRegisterTest, CancelStopsTheSearchAndCloseReopensThePortAsItWas) {
    PtyPair silent;
    devices = {silent.DevicePath(), pty.DevicePath()};
    Item("MnEnglish")->trigger();
    Item("Connect1")->trigger();
    Item("MnFindRegister")->trigger();
    ASSERT_NE(Dialog(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !silent.ReadAvailable().isEmpty(); }, 3000));
    auto* cancel = InDialog<QPushButton>("CancelFind");
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(
        InDialog<QLabel>("FindStatus")->text().startsWith(QStringLiteral("Asking ") + silent.DevicePath()));
    // Escape is Cancel while the search runs, and Close once it has ended.
    QTest::keyClick(Dialog(), Qt::Key_Escape);
    EXPECT_NE(Dialog(), nullptr) << "a cancel keeps the list to look at";
    EXPECT_EQ(cancel->text(), QStringLiteral("Close"));
    EXPECT_EQ(InDialog<QLabel>("FindStatus")->text(),
              QStringLiteral("Search cancelled after 0 of 2 devices."));
    EXPECT_FALSE(InDialog<QPushButton>("UseRegister")->isEnabled());
    RunEventsFor(RegisterFinder::DefaultProbeTimeoutMs + 100);
    EXPECT_TRUE(pty.ReadAvailable().isEmpty()) << "nothing asked after the cancel";

    QTest::keyClick(Dialog(), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return Dialog() == nullptr; }, 2000));
    EXPECT_TRUE(Dispatcher().IsOpen());
    EXPECT_EQ(Dispatcher().RS232().Serial().CurrentDeviceName(), pty.DevicePath());
    EXPECT_TRUE(Item("Com1")->isChecked());
}

TEST_F(FindRegisterTest, RefusedWhileAnExchangeRuns) {
    devices = {pty.DevicePath()};
    Item("Connect1")->trigger();
    Dispatcher().ExpectReply(ReplyDispatcher::ClockCode, 5000);
    Item("MnFindRegister")->trigger();
    EXPECT_EQ(Dialog(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Traženje kase mora da sačeka da se završi razmena sa kasom."));
    EXPECT_TRUE(Dispatcher().IsOpen());
    Dispatcher().ClearExpectedReply();
}
