#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "plu/FakeTransferView.h"
#include "plu/PluTransfer.h"
#include "plu/RandomPlus.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// The program's transfer against the simulated register on its own thread,
// over a pseudo-terminal, as --simulate runs it.
class PluTransferSimTest : public ::testing::Test {
  protected:
    void Start(SimOptions options = {}) {
        ResetShellSettings();
        options.Speed = 0;
        sim = std::make_unique<InProcessRegister>(options);
        const QString device = sim->Start();
        ASSERT_FALSE(device.isEmpty()) << sim->ErrorString().toStdString();
        TCommPortDriver::SetDeviceOverride(pnCOM1, device);
        rs232 = std::make_unique<TRS232Form>();
        dispatcher = std::make_unique<ReplyDispatcher>(*rs232);
        transfer = std::make_unique<PluTransfer>(*dispatcher, table);
        view.Watch(*transfer);
    }
    void TearDown() override {
        transfer.reset();
        dispatcher.reset();
        rs232.reset();
        sim.reset();
        TCommPortDriver::ClearDeviceOverrides();
    }

    std::unique_ptr<InProcessRegister> sim;
    std::unique_ptr<TRS232Form> rs232;
    std::unique_ptr<ReplyDispatcher> dispatcher;
    PluTable table;
    FakeTransferView view;
    std::unique_ptr<PluTransfer> transfer;
};

TEST_F(PluTransferSimTest, TenThousandPlusWrittenAndReadBackMatchFieldByField) {
    Start();
    const int charset = Shell().RegisterCharset;
    const QByteArray text = RoundTripChars(charset, false);
    const QByteArray digits = RoundTripChars(charset, true);
    ASSERT_GT(text.size(), 30);
    ASSERT_TRUE(digits.contains("0123456789"));

    FillRandomly(table, 20240611, true);
    const PluTable written = table;

    view.Scope = 2;
    transfer->WriteRange(0, PluTable::Size - 1, view.Scope, view.Active);
    ASSERT_TRUE(view.Messages.empty()) << view.Messages.front().toStdString();
    ASSERT_EQ(view.NoResponses, 0);

    table.Clear();
    transfer->ReadRange(0, PluTable::Size - 1, view.Active);
    ASSERT_EQ(view.NoResponses, 0);

    int mismatches = 0;
    for (int n = 0; n < PluTable::Size && mismatches < 5; ++n) {
        const PluRecord& want = written[n];
        const PluRecord& got = table[n];
        const bool same = got.DescriptionText() == want.DescriptionText() && got.Price == want.Price &&
                          got.Flags == uint8_t(want.Flags & ~FlagFreePrice) && got.Unit == want.Unit &&
                          got.BarcodeText() == want.BarcodeText() && got.Stock == want.Stock;
        if (!same) {
            ++mismatches;
            ADD_FAILURE() << "PLU " << n << ": description '" << got.DescriptionText().toHex().toStdString()
                          << "' want '" << want.DescriptionText().toHex().toStdString() << "', price "
                          << got.Price << " want " << want.Price << ", flags " << int(got.Flags) << " want "
                          << int(want.Flags) << ", unit " << int(got.Unit) << " want " << int(want.Unit)
                          << ", barcode " << got.BarcodeText().toStdString() << " want "
                          << want.BarcodeText().toStdString() << ", stock " << got.Stock << " want "
                          << want.Stock;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(view.PlusReads, 0);
}

TEST_F(PluTransferSimTest, ARegisterNamingTheWrongPluNowAndThenStillGivesEveryPlu) {
    SimOptions options;
    options.WrongPluEvery = 4;
    Start(options);
    transfer->ReadRange(10, 29, view.Active);
    EXPECT_EQ(view.NoResponses, 0);
    std::vector<SimPlu> held;
    sim->WithModel([&](RegisterModel& model) {
        for (int n = 10; n <= 29; ++n)
            held.push_back(model.Plu(n));
    });
    for (int n = 10; n <= 29; ++n) {
        const SimPlu& plu = held[size_t(n - 10)];
        EXPECT_EQ(table[n].Flags, plu.Flags) << n;
        EXPECT_EQ(table[n].Stock, plu.Stock) << n;
        EXPECT_EQ(table[n].Price, double(plu.Price) / 100.0) << n;
    }
}

TEST_F(PluTransferSimTest, ASingleWriteOfBothPartsLeavesTheTypedStockInRegisterAndTable) {
    Start();
    view.Scope = 2;
    view.OnPutPage = [&](int n) {
        table[n].SetDescription("BREAD");
        table[n].Price = 3.20;
        table[n].Flags = 0xC2;
        table[n].Stock = 250;
    };
    transfer->WriteOne(77, view.Scope, view.Active);
    uint32_t stock = 0;
    sim->WithModel([&](RegisterModel& model) { stock = model.Plu(77).Stock; });
    EXPECT_EQ(stock, 250u);
    EXPECT_EQ(table[77].Stock, 250u);
    EXPECT_EQ(table[77].Flags, 0xC2);
    EXPECT_EQ(view.Shown.size(), 2u);
}

} // namespace
