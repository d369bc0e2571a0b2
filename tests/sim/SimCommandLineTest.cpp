#include "sim/SimCommandLine.h"

#include <QCommandLineParser>
#include <gtest/gtest.h>

namespace {

QString Parse(QStringList args, SimOptions& options) {
    QCommandLineParser parser;
    SimCommandLine::AddOptions(parser);
    args.prepend(QStringLiteral("orvex-register-sim"));
    if (!parser.parse(args))
        return parser.errorText();
    return SimCommandLine::Read(parser, options);
}

} // namespace

TEST(SimCommandLine, ReadsEveryOption) {
    SimOptions o;
    ASSERT_EQ(Parse({"--speed",
                     "0",
                     "--sell-every",
                     "250",
                     "--seed",
                     "4000000000",
                     "--silent",
                     "--drop-every",
                     "3",
                     "--corrupt-every",
                     "4",
                     "--wrong-plu-every",
                     "5",
                     "--delay",
                     "600",
                     "--plus",
                     "p.dat",
                     "--charset",
                     "238",
                     "--trace",
                     "t.txt"},
                    o)
                  .toStdString(),
              "");
    EXPECT_EQ(o.Speed, 0u);
    EXPECT_EQ(o.SellEveryMs, 250);
    EXPECT_EQ(o.Seed, 4000000000u);
    EXPECT_TRUE(o.Silent);
    EXPECT_EQ(o.DropEvery, 3);
    EXPECT_EQ(o.CorruptEvery, 4);
    EXPECT_EQ(o.WrongPluEvery, 5);
    EXPECT_EQ(o.DelayMs, 600);
    EXPECT_EQ(o.PlusFile, "p.dat");
    EXPECT_EQ(o.Charset, 238);
    EXPECT_EQ(o.TraceFile, "t.txt");
}

TEST(SimCommandLine, KeepsDefaultsAndRefusesBadNumbers) {
    SimOptions o;
    o.SellEveryMs = 5000;
    EXPECT_TRUE(Parse({}, o).isEmpty());
    EXPECT_EQ(o.Speed, 19200u);
    EXPECT_EQ(o.SellEveryMs, 5000) << "an option not given keeps the caller's value";
    EXPECT_FALSE(o.Silent);

    for (const char* bad : {"-1", "abc", "1.5", "99999999999"}) {
        SimOptions p;
        const QString error = Parse({"--drop-every", bad}, p);
        EXPECT_TRUE(error.contains("--drop-every")) << bad << ": " << error.toStdString();
        EXPECT_EQ(p.DropEvery, 0) << "nothing is taken from a bad command line";
    }
}
