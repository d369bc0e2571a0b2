#include "reports/PluStatSeries.h"
#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "sales/StatusReplies.h"
#include "support/HexDump.h"
#include "support/ScriptedPeer.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

namespace {

// The series against a register played by the test.
class SeriesOnPeer : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetShellSettings();
        ASSERT_TRUE(peer.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, peer.DevicePath());
        for (int n = 0; n < 10; ++n)
            table[n].Flags = FlagActive | 1;
        QObject::connect(&series, &PluStatSeries::Finished,
                         [this](PluStatSeries::End end) { ends.push_back(end); });
        QObject::connect(&reports, &DailyReports::LinesDecoded, [this](const QStringList& l) { lines << l; });
        series.SetReplyTimeout(150);
    }
    void TearDown() override { TCommPortDriver::ClearDeviceOverrides(); }

    // The register's answer for PLU n: n sold.
    static ScriptedPeer::Payload Answer(int n) {
        ScriptedPeer::Payload p(17, 0);
        p[0] = 'i';
        p[1] = uint8_t(n % 256);
        p[2] = uint8_t(n / 256);
        p[6] = uint8_t(((n / 10 % 10) << 4) | (n % 10));
        p[5] = uint8_t(n / 100 % 10);
        return p;
    }
    [[nodiscard]] std::vector<int> Asked() const {
        std::vector<int> plus;
        for (const auto& p : peer.Received())
            if (p.size() == 3 && p[0] == 'i')
                plus.push_back(p[1] | (p[2] << 8));
        return plus;
    }
    bool WaitEnd(int ms = 10000) {
        return WaitUntil([&] { return !ends.empty(); }, ms);
    }

    ScriptedPeer peer;
    PluTable table;
    TRS232Form rs232;
    ReplyDispatcher dispatcher{rs232};
    StatusReplies status{dispatcher};
    DailyReports reports{dispatcher, status, table};
    PluStatSeries series{reports, table};
    std::vector<PluStatSeries::End> ends;
    QStringList lines;
};

TEST_F(SeriesOnPeer, AnInstantRegisterIsAskedNoFasterThanItsPace) {
    peer.SetResponder([](const ScriptedPeer::Payload& p) {
        return std::vector<ScriptedPeer::Payload>{Answer(p[1] | (p[2] << 8))};
    });
    table[4].Flags = 0;
    ASSERT_TRUE(series.Start(-7, 8));
    ASSERT_TRUE(WaitEnd());
    EXPECT_EQ(ends, std::vector<PluStatSeries::End>{PluStatSeries::End::Completed});
    EXPECT_EQ(Asked(), (std::vector<int>{0, 1, 2, 3, 5, 6, 7, 8}))
        << "clamped to 0, PLU 4 inactive on the PC";
    EXPECT_EQ(Hex(peer.Received()[0]), "69 00 00");
    // Arrivals are seen with the peer's own delays: no gap near zero, and the
    // whole run no shorter than its pace allows.
    const auto& at = peer.ArrivalMs();
    for (size_t i = 1; i < at.size(); ++i)
        EXPECT_GE(at[i] - at[i - 1], PluStatSeries::PaceMs - 10) << "request " << i;
    EXPECT_GE(at.back() - at.front(), qint64(at.size() - 1) * PluStatSeries::PaceMs - 5);
    EXPECT_EQ(lines.size(), 7) << "PLU 0 sold nothing";
    EXPECT_TRUE(series.Unanswered().empty());
    EXPECT_EQ(series.Done(), 8);
}

TEST_F(SeriesOnPeer, AnUnansweredPluWaitsItsTimeOutIsListedAndALateAnswerTakesItOff) {
    // PLU 2 gets no answer and PLU 5 an answer about another PLU.
    peer.SetResponder([](const ScriptedPeer::Payload& p) {
        const int n = p[1] | (p[2] << 8);
        if (n == 2)
            return std::vector<ScriptedPeer::Payload>{};
        return std::vector<ScriptedPeer::Payload>{Answer(n == 5 ? 9999 : n)};
    });
    ASSERT_TRUE(series.Start(1, 7));
    ASSERT_TRUE(WaitEnd());
    EXPECT_EQ(ends.back(), PluStatSeries::End::Completed);
    EXPECT_EQ(Asked(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(series.Unanswered(), (std::vector<int>{2, 5}));
    const auto& at = peer.ArrivalMs();
    EXPECT_GE(at[2] - at[1], 120) << "the next request waits for the time-out";
    peer.Send(Answer(2));
    ASSERT_TRUE(WaitUntil([&] { return series.Unanswered().size() == 1; }));
    EXPECT_EQ(series.Unanswered(), std::vector<int>{5});
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("       2\t")));
}

TEST_F(SeriesOnPeer, ThreeSilentPlusInARowStopTheSeries) {
    peer.SetResponder([](const ScriptedPeer::Payload& p) {
        const int n = p[1] | (p[2] << 8);
        return n == 1 ? std::vector<ScriptedPeer::Payload>{Answer(n)} : std::vector<ScriptedPeer::Payload>{};
    });
    ASSERT_TRUE(series.Start(0, 9));
    ASSERT_TRUE(WaitEnd());
    EXPECT_EQ(ends, std::vector<PluStatSeries::End>{PluStatSeries::End::NoResponse});
    EXPECT_EQ(Asked(), (std::vector<int>{0, 1, 2, 3, 4})) << "one answer resets the count";
    EXPECT_EQ(series.Unanswered(), (std::vector<int>{0, 2, 3, 4}));
    EXPECT_TRUE(peer.QuietFor(300));
}

TEST_F(SeriesOnPeer, StopEndsTheSeriesAtOnceAndARangeWithNoActivePluAsksNothing) {
    ASSERT_TRUE(series.Start(3, 9));
    ASSERT_TRUE(peer.NextFrame().has_value());
    series.Stop();
    EXPECT_FALSE(series.IsRunning());
    EXPECT_EQ(ends, std::vector<PluStatSeries::End>{PluStatSeries::End::Cancelled});
    EXPECT_EQ(series.Unanswered(), std::vector<int>{3});
    EXPECT_TRUE(peer.QuietFor(300));
    ends.clear();
    ASSERT_TRUE(series.Start(20, 9999));
    EXPECT_EQ(ends, std::vector<PluStatSeries::End>{PluStatSeries::End::Completed});
    EXPECT_EQ(series.Total(), 0);
    EXPECT_TRUE(peer.QuietFor(100));
}

} // namespace
