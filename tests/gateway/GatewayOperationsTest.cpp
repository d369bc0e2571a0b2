#include "GatewayCalls.h"

#include "history/ReportJson.h"
#include "plu/PluTransfer.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "reports/ReportDecoder.h"
#include "session/RegisterSession.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"
#include "support/WaitUntil.h"

#include <QJsonArray>
#include <algorithm>
#include <memory>

namespace {

QByteArray Codes(const auto& field) {
    QByteArray out;
    for (const uint8_t c : field) {
        if (c == 0)
            break;
        out.append(char(c));
    }
    return out;
}

std::span<const uint8_t> Bytes(const QByteArray& b) {
    return {reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())};
}

// Each call runs as the server runs it: decoded, then started on a session
// connected to the simulated register, its reply awaited.
class GatewayOperationsTest : public ::testing::Test {
  protected:
    void StartRegister(SimOptions options = {}, int charset = RegisterCharsets::Default) {
        options.Speed = 0;
        m_sim = std::make_unique<InProcessRegister>(options);
        const QString device = m_sim->Start();
        ASSERT_FALSE(device.isEmpty()) << m_sim->ErrorString().toStdString();
        TCommPortDriver::SetDeviceOverride(pnCOM1, device);
        m_session = std::make_unique<RegisterSession>(SessionSettings{0, charset, QLatin1Char('.')});
    }
    void TearDown() override {
        if (m_session)
            m_session->Dispatcher().Disconnect();
        m_session.reset();
        m_sim.reset();
        TCommPortDriver::ClearDeviceOverrides();
    }

    struct Outcome {
        GatewayReply Reply;
        std::vector<std::pair<int, int>> Progress;
    };

    // onProgress may cancel the operation it is given.
    Outcome Call(const QByteArray& method, const QString& path, const QStringList& arguments = {},
                 const QString& query = {}, const QByteArray& body = {},
                 std::function<void(GatewayOperation&, int done)> onProgress = {}) {
        Outcome outcome;
        const GatewayRoute* route = FindRoute(m_routes, method, path);
        EXPECT_NE(route, nullptr) << path.toStdString();
        if (!route)
            return outcome;
        GatewayDecoded decoded = route->Decode(MakeCall(arguments, query, body));
        if (auto* refusal = std::get_if<GatewayReply>(&decoded)) {
            outcome.Reply = *refusal;
            return outcome;
        }
        GatewayOperation& operation = *std::get<std::unique_ptr<GatewayOperation>>(decoded);
        int finished = 0;
        QObject::connect(&operation, &GatewayOperation::Finished, [&](const GatewayReply& reply) {
            outcome.Reply = reply;
            ++finished;
        });
        QObject::connect(&operation, &GatewayOperation::Progressed, [&](int done, int total) {
            outcome.Progress.emplace_back(done, total);
            if (onProgress)
                onProgress(operation, done);
        });
        operation.Start(*m_session);
        EXPECT_TRUE(WaitUntil([&] { return finished > 0; }, 60000)) << path.toStdString();
        RunEventsFor(20);
        EXPECT_EQ(finished, 1) << "Finished once";
        return outcome;
    }

    template <typename T> T Model(const std::function<T(RegisterModel&)>& look) {
        T value{};
        m_sim->WithModel([&](RegisterModel& model) { value = look(model); });
        return value;
    }

    // The cashier sells until receipts have closed, and ends the one it is in;
    // the session answers the register's requests for PLUs meanwhile.
    void Sell(int receipts) {
        ASSERT_TRUE(m_session->Dispatcher().EnsurePortOpen());
        m_sim->WithModel([](RegisterModel& model) { model.StartSelling(1); });
        EXPECT_TRUE(WaitUntil(
            [&] { return Model<int>([](RegisterModel& m) { return m.Day().ReceiptsToday(); }) >= receipts; },
            30000));
        m_sim->WithModel([](RegisterModel& model) { model.StartSelling(0); });
        EXPECT_TRUE(WaitUntil(
            [&] {
                return Model<bool>([](RegisterModel& m) {
                    if (m.Day().ReceiptOpen())
                        m.SellStep();
                    return !m.Day().ReceiptOpen();
                });
            },
            30000));
    }

    std::vector<GatewayRoute> m_routes = RegisterOperationRoutes();
    std::unique_ptr<InProcessRegister> m_sim;
    std::unique_ptr<RegisterSession> m_session;
};

} // namespace

TEST_F(GatewayOperationsTest, ReportsGiveTheRegistersOwnFiguresInCurrencyUnits) {
    StartRegister();
    Sell(12);
    struct Report {
        const char* Path;
        std::function<QByteArray(const SimDay&)> Reply;
    };
    const std::vector<Report> reports{
        {"reports/tax-groups", [](const SimDay& d) { return d.TaxReport(); }},
        {"reports/departments", [](const SimDay& d) { return d.DepartmentReport(); }},
        {"reports/daily-status", [](const SimDay& d) { return d.StatusReport(); }},
        {"reports/last-z", [](const SimDay& d) { return d.LastZReport(); }},
    };
    ReportJsonForm form;
    form.MoneyInUnits = true;
    form.TextCharset = RegisterCharsets::Default;
    for (const Report& report : reports) {
        SCOPED_TRACE(report.Path);
        const GatewayReply reply = Call("GET", QLatin1String(report.Path)).Reply;
        ASSERT_EQ(reply.Status, 200) << Text(reply.Body);
        const QByteArray payload = Model<QByteArray>([&](RegisterModel& m) { return report.Reply(m.Day()); });
        EXPECT_EQ(reply.Body.toObject(), *ReportFiguresJson(Bytes(payload), form));
    }

    // The same figures read by the report decoder itself, in whole hundredths.
    const QByteArray taxPayload = Model<QByteArray>([](RegisterModel& m) { return m.Day().TaxReport(); });
    const auto tax = DecodeTaxReport(Bytes(taxPayload));
    ASSERT_TRUE(tax);
    const QJsonArray groups =
        Call("GET", QStringLiteral("reports/tax-groups")).Reply.Body[QStringLiteral("taxGroups")].toArray();
    ASSERT_EQ(groups.size(), qsizetype(ReportGroups));
    Hundredths sum = 0;
    for (size_t i = 0; i < ReportGroups; ++i) {
        EXPECT_EQ(qRound64(groups[qsizetype(i)].toDouble() * 100), qint64(tax->TaxGroups[i].Turnover)) << i;
        sum += tax->TaxGroups[i].Turnover;
    }
    EXPECT_GT(sum, 0u);
    const GatewayReply status = Call("GET", QStringLiteral("reports/daily-status")).Reply;
    // The cashier may close a receipt or two more before it stops: the count
    // is the register's own.
    const int counted = Model<int>([](RegisterModel& m) { return m.Day().ReceiptsToday(); });
    EXPECT_GE(counted, 12);
    EXPECT_EQ(status.Body[QStringLiteral("receiptCount")].toInt(), counted);
    EXPECT_FALSE(status.Body[QStringLiteral("fiscalId")].toString().isEmpty());

    // Operators: the one asked for, and all fifteen in order.
    const GatewayReply one =
        Call("GET", QStringLiteral("reports/operators/<arg>"), {QStringLiteral("2")}).Reply;
    ASSERT_EQ(one.Status, 200) << Text(one.Body);
    const QByteArray operator2 =
        Model<QByteArray>([](RegisterModel& m) { return m.Day().OperatorReport(2); });
    QJsonObject expected = *ReportFiguresJson(Bytes(operator2), form);
    expected.insert(QStringLiteral("operator"), 2);
    EXPECT_EQ(one.Body[QStringLiteral("operators")].toArray(), QJsonArray{expected});
    const GatewayReply all = Call("GET", QStringLiteral("reports/operators")).Reply;
    ASSERT_EQ(all.Status, 200) << Text(all.Body);
    const QJsonArray operators = all.Body[QStringLiteral("operators")].toArray();
    ASSERT_EQ(operators.size(), OperatorCount);
    EXPECT_EQ(operators[1].toObject(), expected);
    EXPECT_EQ(operators[14].toObject()[QStringLiteral("operator")].toInt(), 15);
}

TEST_F(GatewayOperationsTest, TheZReportRunsOnlyConfirmedAndARefusalCarriesTheRegistersCode) {
    StartRegister();
    Sell(3);
    const int zBefore = Model<int>([](RegisterModel& m) { return m.Day().ZNumber(); });
    EXPECT_EQ(Call("POST", QStringLiteral("z-report"), {}, {}, R"({"confirm":false})").Reply.Status, 400);
    EXPECT_EQ(Model<int>([](RegisterModel& m) { return m.Day().ZNumber(); }), zBefore);

    // A receipt open at the register: it refuses, and says why.
    m_sim->WithModel([](RegisterModel& m) { m.SellStep(); });
    ASSERT_TRUE(Model<bool>([](RegisterModel& m) { return m.Day().ReceiptOpen(); }));
    const GatewayReply refused =
        Call("POST", QStringLiteral("z-report"), {}, {}, R"({"confirm":true})").Reply;
    EXPECT_EQ(refused.Status, 422) << Text(refused.Body);
    EXPECT_NE(refused.Body[QStringLiteral("errorCode")].toInt(), 0);
    EXPECT_FALSE(refused.Body[QStringLiteral("error")].toString().isEmpty());
    EXPECT_EQ(Model<int>([](RegisterModel& m) { return m.Day().ZNumber(); }), zBefore);

    Sell(4);
    const GatewayReply done = Call("POST", QStringLiteral("z-report"), {}, {}, R"({"confirm":true})").Reply;
    ASSERT_EQ(done.Status, 200) << Text(done.Body);
    EXPECT_EQ(Model<int>([](RegisterModel& m) { return m.Day().ZNumber(); }), zBefore + 1);
    EXPECT_EQ(Call("GET", QStringLiteral("reports/last-z")).Reply.Body[QStringLiteral("zNumber")].toInt(),
              zBefore + 1);
}

TEST_F(GatewayOperationsTest, OnePluIsReadAndWrittenAsTheRegisterHoldsIt) {
    StartRegister({}, RegisterCharsets::Cyrillic);
    // PLU 4: apples by the kg, stock 120 kg.
    const GatewayReply apples = Call("GET", QStringLiteral("plus/<arg>"), {QStringLiteral("4")}).Reply;
    ASSERT_EQ(apples.Status, 200) << Text(apples.Body);
    EXPECT_EQ(apples.Body[QStringLiteral("description")].toString(), QStringLiteral("APPLES"));
    EXPECT_DOUBLE_EQ(apples.Body[QStringLiteral("price")].toDouble(), 1.49);
    EXPECT_EQ(apples.Body[QStringLiteral("department")].toInt(), 2);
    EXPECT_TRUE(apples.Body[QStringLiteral("decimalQuantity")].toBool());
    EXPECT_DOUBLE_EQ(apples.Body[QStringLiteral("stock")].toDouble(), 120.0);

    const GatewayReply written =
        Call("PUT", QStringLiteral("plus/<arg>"), {QStringLiteral("5")}, {},
             R"({"description":"МЛЕКО 1Л","price":1.99,"department":1,"active":true,"unit":4,"stock":2.5,
                 "stockProgrammed":true,"barcode":"8600001"})")
            .Reply;
    ASSERT_EQ(written.Status, 200) << Text(written.Body);
    EXPECT_EQ(written.Body[QStringLiteral("description")].toString(), QStringLiteral("МЛЕКО 1Л"));
    const SimPlu held = Model<SimPlu>([](RegisterModel& m) { return m.Plu(5); });
    // The Cyrillic capitals in the register's own codes.
    EXPECT_EQ(Codes(held.Description), QByteArray("\x8E\x8C\x86\x8B\x91 1\x8C"));
    EXPECT_EQ(held.Price, 199u);
    EXPECT_EQ(held.Flags, SimPlu::FlagActive | SimPlu::FlagDecimalQty | SimPlu::FlagStockProgrammed | 1);
    EXPECT_EQ(held.Unit, 4);
    EXPECT_EQ(held.Stock, 2500u);
    EXPECT_EQ(Codes(held.Barcode), QByteArray("8600001"));
    // The PC's table is the shop keeper's: a call from outside leaves it be.
    EXPECT_EQ(m_session->Table()[5].Stock, 0u);

    // A character the register cannot print: nothing is sent, the PLU stays.
    const GatewayReply refused = Call("PUT", QStringLiteral("plus/<arg>"), {QStringLiteral("5")}, {},
                                      R"({"description":"MILK~","price":1})")
                                     .Reply;
    EXPECT_EQ(refused.Status, 400);
    EXPECT_EQ(refused.Body[QStringLiteral("field")].toString(), QStringLiteral("description"));
    EXPECT_EQ(Model<uint32_t>([](RegisterModel& m) { return m.Plu(5).Price; }), 199u);
}

// Reads and writes for another program change the register only: the PC's
// table stays byte for byte as it was, and nothing tells the window that PLUs
// were read or the table changed (its exit would ask to save it).
TEST_F(GatewayOperationsTest, CallsFromOutsideLeaveThePcTableAlone) {
    StartRegister();
    m_session->Table().FillDefaults();
    m_session->Table()[4].SetBarcode("2700004");
    const std::vector<std::byte> before(m_session->Table().Bytes().begin(), m_session->Table().Bytes().end());
    int plusRead = 0;
    int changed = 0;
    QObject::connect(m_session.get(), &RegisterSession::PlusRead, [&] { ++plusRead; });
    QObject::connect(m_session.get(), &RegisterSession::TableChanged, [&] { ++changed; });
    QObject::connect(m_session.get(), &RegisterSession::TableStale, [&] { ++changed; });
    struct Plu {
        const char* Method;
        const char* Path;
        QStringList Arguments;
        const char* Query;
        const char* Body;
    };
    const Plu calls[] = {
        {"GET", "plus/<arg>", {"4"}, "", ""},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"MLEKO","price":1.99,"barcode":"123"})"},
        {"GET", "plus", {}, "from=1&to=6", ""},
        {"PUT",
         "plus",
         {},
         "",
         R"({"from":7,"plus":[{"description":"A","price":1},{"description":"B","price":2}]})"},
    };
    for (const Plu& c : calls) {
        SCOPED_TRACE(std::string(c.Method) + " " + c.Path);
        const GatewayReply reply =
            Call(c.Method, QLatin1String(c.Path), c.Arguments, QLatin1String(c.Query), c.Body).Reply;
        ASSERT_EQ(reply.Status, 200) << Text(reply.Body);
        EXPECT_TRUE(std::ranges::equal(m_session->Table().Bytes(), before));
        EXPECT_EQ(plusRead, 0);
        EXPECT_EQ(changed, 0);
    }
    // The register holds what was written all the same.
    EXPECT_EQ(Model<uint32_t>([](RegisterModel& m) { return m.Plu(5).Price; }), 199u);
    EXPECT_EQ(Model<uint32_t>([](RegisterModel& m) { return m.Plu(8).Price; }), 200u);
}

TEST_F(GatewayOperationsTest, ARangeIsReadAndWrittenWithItsProgress) {
    StartRegister();
    const Outcome read = Call("GET", QStringLiteral("plus"), {}, QStringLiteral("from=1&to=20"));
    ASSERT_EQ(read.Reply.Status, 200) << Text(read.Reply.Body);
    const QJsonArray plus = read.Reply.Body[QStringLiteral("plus")].toArray();
    ASSERT_EQ(plus.size(), 20);
    for (int n = 1; n <= 20; ++n) {
        const SimPlu held = Model<SimPlu>([n](RegisterModel& m) { return m.Plu(n); });
        EXPECT_EQ(plus[n - 1].toObject()[QStringLiteral("plu")].toInt(), n);
        EXPECT_EQ(plus[n - 1].toObject()[QStringLiteral("description")].toString().toLatin1(),
                  Codes(held.Description));
        EXPECT_EQ(qRound64(plus[n - 1].toObject()[QStringLiteral("price")].toDouble() * 100),
                  qint64(held.Price));
    }
    ASSERT_FALSE(read.Progress.empty());
    EXPECT_EQ(read.Progress.back(), std::make_pair(20, 20));
    for (size_t i = 1; i < read.Progress.size(); ++i)
        EXPECT_LE(read.Progress[i - 1].first, read.Progress[i].first);

    const Outcome write = Call("PUT", QStringLiteral("plus"), {}, {},
                               R"({"from":100,"plus":[{"description":"A","price":1,"stock":5},
                                   {"description":"B","price":2.5,"department":3,"active":true,"stock":0},
                                   {"description":"","price":0,"unit":1,"stock":0.25}]})");
    ASSERT_EQ(write.Reply.Status, 200) << Text(write.Reply.Body);
    EXPECT_EQ(write.Reply.Body[QStringLiteral("done")].toInt(), 3);
    EXPECT_EQ(write.Progress.back(), std::make_pair(3, 3));
    const auto held = [&](int n) { return Model<SimPlu>([n](RegisterModel& m) { return m.Plu(n); }); };
    EXPECT_EQ(Codes(held(100).Description), QByteArray("A"));
    EXPECT_EQ(held(100).Stock, 5u);
    EXPECT_EQ(held(101).Price, 250u);
    EXPECT_EQ(held(101).Flags, SimPlu::FlagActive | 3);
    EXPECT_EQ(Codes(held(102).Description), QByteArray("COD  102"));
    EXPECT_EQ(held(102).Stock, 250u);
}

TEST_F(GatewayOperationsTest, ACancelledRangeSaysHowFarItCameAndKeepsTheRest) {
    StartRegister();
    const Outcome read = Call("GET", QStringLiteral("plus"), {}, QStringLiteral("from=0&to=9999"), {},
                              [](GatewayOperation& job, int done) {
                                  if (done >= 5)
                                      job.Cancel();
                              });
    EXPECT_EQ(read.Reply.Status, 409) << Text(read.Reply.Body);
    const int done = read.Reply.Body[QStringLiteral("done")].toInt();
    EXPECT_GE(done, 5);
    EXPECT_LT(done, 100);
    EXPECT_EQ(read.Reply.Body[QStringLiteral("plus")].toArray().size(), done);

    // The day's sales of every PLU, cancelled as soon as it is under way.
    const Outcome sales = Call("GET", QStringLiteral("reports/plu-sales"), {},
                               QStringLiteral("from=0&to=9999"), {}, [](GatewayOperation& job, int done) {
                                   if (done >= 3)
                                       job.Cancel();
                               });
    EXPECT_EQ(sales.Reply.Status, 409) << Text(sales.Reply.Body);
    EXPECT_GE(sales.Reply.Body[QStringLiteral("done")].toInt(), 3);
    EXPECT_LT(sales.Reply.Body[QStringLiteral("done")].toInt(), 100);
    EXPECT_EQ(sales.Reply.Body[QStringLiteral("total")].toInt(), PluCount);

    // A write cancelled part way: the PLUs it did not reach stay as they were, on both sides.
    const PluRecord untouched = m_session->Table()[300];
    QByteArray body = R"({"from":200,"plus":[)";
    for (int i = 0; i < 101; ++i)
        body += QByteArray(i ? "," : "") + R"({"description":"NEW","price":9.99})";
    body += "]}";
    const Outcome write =
        Call("PUT", QStringLiteral("plus"), {}, {}, body, [](GatewayOperation& job, int done) {
            if (done >= 3)
                job.Cancel();
        });
    EXPECT_EQ(write.Reply.Status, 409) << Text(write.Reply.Body);
    const int written = write.Reply.Body[QStringLiteral("done")].toInt();
    ASSERT_LT(written, 101);
    EXPECT_EQ(Model<uint32_t>([](RegisterModel& m) { return m.Plu(200).Price; }), 999u);
    EXPECT_NE(Model<uint32_t>([](RegisterModel& m) { return m.Plu(300).Price; }), 999u);
    EXPECT_EQ(m_session->Table()[300].Price, untouched.Price);
    EXPECT_EQ(m_session->Table()[300].DescriptionText(), untouched.DescriptionText());
}

TEST_F(GatewayOperationsTest, PluSalesListEveryPluThatSoldWhateverThePcTableHolds) {
    StartRegister();
    Sell(15);
    ASSERT_EQ(m_session->PluSeries().ActiveIn(1, 40), 0) << "the PC table knows none of them";
    const Outcome sales =
        Call("GET", QStringLiteral("reports/plu-sales"), {}, QStringLiteral("from=1&to=40"));
    ASSERT_EQ(sales.Reply.Status, 200) << Text(sales.Reply.Body);
    EXPECT_EQ(sales.Progress.back(), std::make_pair(40, 40));
    std::map<int, QJsonObject> listed;
    for (const QJsonValue& v : sales.Reply.Body[QStringLiteral("plus")].toArray())
        listed[v[QStringLiteral("plu")].toInt()] = v.toObject();
    int sold = 0;
    for (int n = 1; n <= 40; ++n) {
        const SimPlu held = Model<SimPlu>([n](RegisterModel& m) { return m.Plu(n); });
        EXPECT_EQ(listed.contains(n), held.Quantity > 0) << n;
        if (held.Quantity == 0)
            continue;
        ++sold;
        EXPECT_EQ(listed[n][QStringLiteral("sold")].toInteger(), qint64(held.Quantity)) << n;
        EXPECT_EQ(qRound64(listed[n][QStringLiteral("total")].toDouble() * 100), qint64(held.Total)) << n;
    }
    EXPECT_GT(sold, 0);
}

TEST_F(GatewayOperationsTest, HeaderLinesAndTheThanksMessageGoBothWays) {
    StartRegister();
    const GatewayReply read = Call("GET", QStringLiteral("header")).Reply;
    ASSERT_EQ(read.Status, 200) << Text(read.Body);
    const QJsonArray lines = read.Body[QStringLiteral("lines")].toArray();
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0][QStringLiteral("text")].toString(), QStringLiteral("  ORVEX"));
    EXPECT_TRUE(lines[0][QStringLiteral("doubleWidth")].toBool());
    EXPECT_TRUE(lines[0][QStringLiteral("center")].toBool());
    EXPECT_EQ(lines[7][QStringLiteral("text")].toString(), QStringLiteral("OX01234567"));
    EXPECT_FALSE(lines[7][QStringLiteral("writable")].toBool());

    const GatewayReply written =
        Call("PUT", QStringLiteral("header"), {}, {},
             R"({"lines":[{"text":"SHOP","doubleHeight":true},{"text":"CORNER","center":true},
                 {"text":"A"},{"text":"B   "},{"text":"TEN LETTER","doubleWidth":true}]})")
            .Reply;
    ASSERT_EQ(written.Status, 200) << Text(written.Body);
    EXPECT_EQ(written.Body[QStringLiteral("lines")].toArray().size(), 5);
    const auto header = [&](int line) {
        return Model<RegisterModel::HeaderLine>([line](RegisterModel& m) { return m.Header(line); });
    };
    EXPECT_EQ(header(1).Attribute, 2);
    EXPECT_EQ(Codes(header(1).Text), QByteArray("SHOP"));
    EXPECT_EQ(Codes(header(2).Text), QByteArray("       CORNER"));
    EXPECT_EQ(Codes(header(4).Text), QByteArray("B"));
    EXPECT_EQ(header(5).Attribute, 1);
    EXPECT_EQ(Codes(header(6).Text), QByteArray("PIB 100123456"));

    // The register never gives its thanks message back: only what was written here is known.
    EXPECT_EQ(Call("GET", QStringLiteral("thanks")).Reply.Status, 404);
    const GatewayReply thanks =
        Call("PUT", QStringLiteral("thanks"), {}, {}, R"({"text":"HVALA","center":true})").Reply;
    ASSERT_EQ(thanks.Status, 200) << Text(thanks.Body);
    EXPECT_EQ(Codes(Model<std::array<uint8_t, 21>>([](RegisterModel& m) { return m.Thanks(); })),
              QByteArray("        HVALA"));
    const GatewayReply known = Call("GET", QStringLiteral("thanks")).Reply;
    EXPECT_EQ(known.Status, 200);
    EXPECT_EQ(known.Body[QStringLiteral("text")].toString(), QStringLiteral("        HVALA"));
}

TEST_F(GatewayOperationsTest, ASilentRegisterIsReportedAsNotAnsweringNotAsDone) {
    SimOptions silent;
    silent.Silent = true;
    StartRegister(silent);
    m_session->Reports().SetReportTimeout(300);
    m_session->Reports().SetZReportTimeout(300);
    m_session->Transfer().SetReplyTimeout(60);
    m_session->PluSeries().SetReplyTimeout(100);
    struct Silent {
        const char* Method;
        const char* Path;
        QStringList Arguments;
        const char* Query;
        const char* Body;
    };
    const std::vector<Silent> calls{
        {"GET", "reports/tax-groups", {}, "", ""},
        {"GET", "reports/operators/<arg>", {"3"}, "", ""},
        {"POST", "z-report", {}, "", R"({"confirm":true})"},
        {"GET", "plus/<arg>", {"1"}, "", ""},
        {"PUT", "plus/<arg>", {"1"}, "", R"({"description":"X","price":1})"},
        {"GET", "plus", {}, "from=1&to=3", ""},
        {"GET", "reports/plu-sales", {}, "from=1&to=5", ""},
        // The header exchanges wait the register's own 6 s.
        {"GET", "header", {}, "", ""},
        {"PUT", "thanks", {}, "", R"({"text":"HVALA"})"},
    };
    const PluRecord before = m_session->Table()[1];
    for (const Silent& c : calls) {
        SCOPED_TRACE(std::string(c.Method) + " " + c.Path);
        const GatewayReply reply =
            Call(c.Method, QLatin1String(c.Path), c.Arguments, QLatin1String(c.Query), c.Body).Reply;
        EXPECT_EQ(reply.Status, 504) << Text(reply.Body);
        EXPECT_FALSE(reply.Body[QStringLiteral("error")].toString().isEmpty());
    }
    // The write that was never confirmed left the PC's entry as it was.
    EXPECT_EQ(m_session->Table()[1].DescriptionText(), before.DescriptionText());
    EXPECT_EQ(m_session->Table()[1].Price, before.Price);

    // In the host's language.
    m_session->SetLanguage(1);
    EXPECT_EQ(
        Call("GET", QStringLiteral("reports/tax-groups")).Reply.Body[QStringLiteral("error")].toString(),
        QStringLiteral("Nema odgovora od Orvex"));
}
