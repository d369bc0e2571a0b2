#pragma once

#include "serial/TRS232Form.h"
#include "sim/RegisterModel.h"
#include "sim/RegisterPort.h"
#include "support/HexDump.h"
#include "support/WaitUntil.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// The simulated register on its pseudo-terminal, and the program's own framing
// (TRS232Form on COM1) at the near end: what the tests see is what the program
// would see.
class SimOnPty : public ::testing::Test {
  public:
    void SetUp() override { Start({}); }
    void TearDown() override {
        form.reset();
        port.reset();
        TCommPortDriver::ClearDeviceOverrides();
    }

    // (Re)starts the port with options; unpaced unless the options say otherwise.
    void Start(SimOptions options, bool unpaced = true) {
        form.reset();
        port.reset();
        if (unpaced)
            options.Speed = 0;
        port = std::make_unique<RegisterPort>(model, options);
        ASSERT_TRUE(port->Open());
        TCommPortDriver::SetDeviceOverride(pnCOM1, port->DevicePath());
        form = std::make_unique<TRS232Form>();
        QObject::connect(form.get(), &TRS232Form::ReplyReceived, [this](quint8) {
            const auto p = form->Payload();
            received.emplace_back(reinterpret_cast<const char*>(p.data()), qsizetype(p.size()));
        });
        ASSERT_TRUE(form->Serial().OpenPort());
        ASSERT_TRUE(WaitUntil([this] { return port->FarEndOpen(); }, 2000));
    }

    void Send(const std::vector<uint8_t>& payload) { ASSERT_EQ(form->SendFrame(payload), 0); }

    // Sends a command and gathers what comes back: waits for count frames, then
    // a little longer so that a surplus frame would be caught too.
    std::vector<QByteArray> Exchange(const std::vector<uint8_t>& payload, size_t count, int settleMs = 60) {
        received.clear();
        Send(payload);
        if (count > 0)
            WaitUntil([&] { return received.size() >= count; }, 3000);
        RunEventsFor(count > 0 ? settleMs : 250);
        return received;
    }

    // Sends a command straight to the model (setting the scene, not under test).
    void Given(const std::vector<uint8_t>& payload) { (void)model.Answer(std::span<const uint8_t>(payload)); }

    static std::vector<uint8_t> BytesOf(const QByteArray& a) { return {a.begin(), a.end()}; }
    static std::string HexOf(const QByteArray& a) { return Hex(a); }

    RegisterModel model{7};
    std::unique_ptr<RegisterPort> port;
    std::unique_ptr<TRS232Form> form;
    std::vector<QByteArray> received;
};
