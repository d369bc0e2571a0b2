#include "GatewayFixture.h"

#include "barcodes/BarcodeTypeTable.h"
#include "gateway/RequestLog.h"
#include "sales/SaleCommands.h"
#include "serial/TRS232Form.h"
#include "sim/RegisterModel.h"
#include "support/WaitUntil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

const QString Receipts = QStringLiteral("/v1/registers/1/receipts");

std::map<QByteArray, QByteArray> Key(const char* key) {
    return {{"Idempotency-Key", key}};
}

int Count(const QJsonArray& records, const char* code) {
    int n = 0;
    for (const QJsonValue& r : records)
        n += r["code"].toString() == QLatin1String(code) ? 1 : 0;
    return n;
}

} // namespace

using GatewayReceipt = GatewayFixture;

// The answer is what the register recorded; the same key again sends nothing
// and returns the first outcome, and the journal holds one close record.
TEST_F(GatewayReceipt, OneKeyPrintsOneReceiptAnsweredFromTheRecords) {
    const QByteArray body = R"({"lines":[{"plu":1,"quantity":2},{"plu":2}],"subtotal":true,
                                "payments":[{"type":"card","amount":1.00},{"type":"cash"}]})";
    HttpAnswer first = Call("POST", Receipts, body, Key("k-1"));
    ASSERT_EQ(first.Status, 201) << first.Raw.toStdString();
    const QJsonObject r = first.Body.toObject();
    EXPECT_EQ(r["total"].toDouble(), 3.03);
    EXPECT_EQ(r["pieces"].toInt(), 2);
    EXPECT_EQ(r["subtotal"].toDouble(), 3.03);
    EXPECT_GT(r["receiptNumber"].toInt(), 0);
    EXPECT_FALSE(r["date"].toString().isEmpty());
    const QJsonArray lines = r["lines"].toArray();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0]["description"].toString(), "MILK 1L");
    EXPECT_EQ(lines[0]["price"].toDouble(), 1.19);
    EXPECT_EQ(lines[0]["quantity"].toDouble(), 2.0);
    EXPECT_EQ(lines[1]["description"].toString(), "BREAD");
    EXPECT_FALSE(r.contains("paymentsNotNeeded"));

    const int repliesBefore = m_statusReplies;
    HttpAnswer again = Call("POST", Receipts, body, Key("k-1"));
    EXPECT_EQ(again.Status, 201);
    EXPECT_EQ(again.Body, first.Body);
    EXPECT_EQ(again.Headers["idempotent-replayed"], "true");
    EXPECT_EQ(m_statusReplies, repliesBefore) << "a repeated key reached the line";
    EXPECT_EQ(ReceiptsClosed(), 1);

    HttpAnswer journal = Call("GET", "/v1/registers/1/journal?after=0");
    ASSERT_EQ(journal.Status, 200);
    const QJsonArray records = journal.Body["records"].toArray();
    EXPECT_EQ(Count(records, "O"), 1);
    EXPECT_EQ(Count(records, "?"), 2);
    EXPECT_EQ(records.first()["code"].toString(), "@");
    EXPECT_EQ(records.last()["receiptNumber"], r["receiptNumber"]);
    const qint64 last = records.last()["seq"].toInteger();
    EXPECT_TRUE(Call("GET", QStringLiteral("/v1/registers/1/journal?after=%1").arg(last))
                    .Body["records"]
                    .toArray()
                    .isEmpty());

    HttpAnswer stored = Call("GET", Receipts + "/k-1");
    EXPECT_EQ(stored.Body["state"].toString(), "completed");
    EXPECT_EQ(stored.Body["outcome"], first.Body);
    // The key names one receipt: another body under it is refused, unsent.
    HttpAnswer other =
        Call("POST", Receipts, R"({"lines":[{"plu":2}],"payments":[{"type":"cash"}]})", Key("k-1"));
    EXPECT_EQ(other.Status, 400);
    EXPECT_EQ(other.Body["field"].toString(), "Idempotency-Key");
    EXPECT_EQ(ReceiptsClosed(), 1);
    // One outcome told to the history, however often it was asked for.
    EXPECT_EQ(m_outcomes, (std::vector<std::pair<QString, int>>{{"1/k-1", 201}}));
}

// A line the register refuses fails the request with the register's code and
// text, names the line and lists what was sold before it; nothing is resent.
TEST_F(GatewayReceipt, ARefusedLineGives422WithTheRegistersError) {
    HttpAnswer a =
        Call("POST", Receipts, R"({"lines":[{"plu":1},{"plu":9000}],"payments":[{"type":"cash"}]})",
             Key("bad-line"));
    ASSERT_EQ(a.Status, 422) << a.Raw.toStdString();
    EXPECT_EQ(a.Body["field"].toString(), "lines[1]");
    EXPECT_EQ(a.Body["line"].toInt(), 1);
    EXPECT_EQ(a.Body["registerError"]["code"].toString(), "E30");
    EXPECT_EQ(a.Body["registerError"]["text"].toString(), "E30-The department or the PLU is not activated");
    EXPECT_FALSE(a.Body["registerError"]["textSr"].toString().isEmpty());
    const QJsonArray sold = a.Body["sold"].toArray();
    ASSERT_EQ(sold.size(), 1);
    EXPECT_EQ(sold[0]["description"].toString(), "MILK 1L");
    EXPECT_TRUE(a.Body["receiptOpen"].toBool());
    EXPECT_EQ(ReceiptsClosed(), 0);
    // The register is left inside that receipt: a new one is refused unsent.
    HttpAnswer next =
        Call("POST", Receipts, R"({"lines":[{"plu":2}],"payments":[{"type":"cash"}]})", Key("next"));
    EXPECT_EQ(next.Status, 409);
    EXPECT_EQ(next.Body["receiptStatus"].toString(), "inside");
    // That refusal used up nothing: once the receipt is closed at the register,
    // the same key prints its receipt.
    m_session->RS232().SendFrame(EncodePayment(PayCash, std::nullopt));
    ASSERT_TRUE(WaitUntil([this] { return ReceiptsClosed() == 1; }));
    HttpAnswer retried =
        Call("POST", Receipts, R"({"lines":[{"plu":2}],"payments":[{"type":"cash"}]})", Key("next"));
    EXPECT_EQ(retried.Status, 201) << retried.Raw.toStdString();
    EXPECT_EQ(ReceiptsClosed(), 2);
    // The refused request stays refused.
    EXPECT_EQ(Call("POST", Receipts, R"({"lines":[{"plu":1},{"plu":9000}],"payments":[{"type":"cash"}]})",
                   Key("bad-line"))
                  .Status,
              422);
}

// Writes reach the disk in order, each saying when it is there; what was
// never sent can be forgotten, what has a step cannot.
TEST(GatewayRequestLog, WritesAreOrderedReportedAndOnlyUnsentRequestsForgotten) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RequestLog log;
    QString error;
    ASSERT_TRUE(log.Open(dir.filePath("log.sqlite"), error)) << error.toStdString();
    QObject context;
    std::vector<std::pair<QString, bool>> done;
    const auto note = [&done](const char* what) {
        return [&done, what](bool ok) { done.emplace_back(what, ok); };
    };
    log.Begin("1", "a", QJsonObject{{"n", 1}}, &context, note("begin a"));
    log.Begin("1", "a", QJsonObject{{"n", 2}}, &context, note("begin a again"));
    log.AddStep("1", "a", {{"line", 0}}, &context, note("step a"));
    log.Begin("1", "b", QJsonObject{}, &context, note("begin b"));
    log.Forget("1", "a");
    log.Forget("1", "b");
    log.Finish("1", "c", 201, {}, &context, note("finish unknown"));
    log.Finish("1", "a", 201, {{"total", 1.0}}, &context, note("finish a"));
    ASSERT_TRUE(WaitUntil([&] { return done.size() == 6; }));
    const std::vector<std::pair<QString, bool>> expected{{"begin a", true},         {"begin a again", false},
                                                         {"step a", true},          {"begin b", true},
                                                         {"finish unknown", false}, {"finish a", true}};
    EXPECT_EQ(done, expected);
    const std::optional<RequestLog::Entry> a = log.Find("1", "a");
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->Finished);
    EXPECT_EQ(a->Body, QJsonValue(QJsonObject{{"n", 1}}));
    EXPECT_EQ(a->Steps.size(), 1);
    EXPECT_EQ(a->Outcome["total"].toDouble(), 1.0);
    EXPECT_FALSE(log.Find("1", "b"));
    EXPECT_TRUE(log.Unfinished().empty());
}

// Lines by barcode: a stored barcode names its PLU, a weighing barcode its PLU
// and weight by the session's rules.
TEST_F(GatewayReceipt, BarcodesSellByTheTableAndTheWeighingRules) {
    m_session->Barcodes().SetApplied(BarcodeTypeTable::Defaults());
    m_session->Table()[2].SetBarcode("8600001000024");
    m_session->Table()[4].SetBarcode("2700004");
    HttpAnswer a = Call(
        "POST", Receipts,
        R"({"lines":[{"barcode":"8600001000024"},{"barcode":"2700004015007"}],"payments":[{"type":"cash"}]})",
        Key("scan"));
    ASSERT_EQ(a.Status, 201) << a.Raw.toStdString();
    const QJsonArray lines = a.Body["lines"].toArray();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0]["description"].toString(), "BREAD");
    EXPECT_EQ(lines[1]["description"].toString(), "APPLES");
    EXPECT_EQ(lines[1]["quantity"].toDouble(), 1.5);
    EXPECT_EQ(lines[1]["plu"].toInt(), 4);
}

// Whatever fails its checks is refused naming the field, and nothing reaches
// the line: the register is never even asked for its receipt status.
TEST_F(GatewayReceipt, RefusedBodiesNameTheFieldAndSendNothing) {
    struct Case {
        const char* Body;
        const char* Key;
        int Status;
        const char* Field;
    };
    const QByteArray big =
        R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}],"x":")" + QByteArray(300 * 1024, 'a') + "\"}";
    const Case cases[] = {
        {R"({"lines":[{"plu":1,"colour":"red"}],"payments":[{"type":"cash"}]})", "u1", 400,
         "lines[0].colour"},
        {R"({"lines":[{"plu":"1"}],"payments":[{"type":"cash"}]})", "u2", 400, "lines[0].plu"},
        {R"({"lines":[{"plu":10000}],"payments":[{"type":"cash"}]})", "u3", 400, "lines[0].plu"},
        {R"({"lines":[{"plu":1,"quantity":-2}],"payments":[{"type":"cash"}]})", "u4", 400,
         "lines[0].quantity"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"gold"}]})", "u5", 400, "payments[0].type"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash"},{"type":"card"}]})", "u6", 400,
         "payments[0].amount"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}])", "u7", 400, "body"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}]})", "", 400, "Idempotency-Key"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}]})", "bad key", 400, "Idempotency-Key"},
        {big.constData(), "u8", 413, "body"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Field);
        std::map<QByteArray, QByteArray> headers;
        if (*c.Key)
            headers["Idempotency-Key"] = c.Key;
        HttpAnswer a = Call("POST", Receipts, c.Body, headers);
        EXPECT_EQ(a.Status, c.Status) << a.Raw.left(300).toStdString();
        EXPECT_EQ(a.Body["field"].toString(), c.Field);
    }
    RunEventsFor(100);
    EXPECT_EQ(m_statusReplies, 0);
    EXPECT_EQ(ReceiptsClosed(), 0);
}

class GatewaySettle : public GatewayFixture {
  protected:
    GatewaySettle() { m_startServer = false; }
};

// Requests a crash cut short are settled from the log and the register's
// receipt status before new work, and say how; nothing is sold again.
TEST_F(GatewaySettle, InterruptedRequestsAreSettledAtStartUp) {
    {
        RequestLog log;
        QString error;
        ASSERT_TRUE(log.Open(LogPath(), error)) << error.toStdString();
        const QJsonObject body{{"lines", QJsonArray{QJsonObject{{"plu", 1}}}},
                               {"payments", QJsonArray{QJsonObject{{"type", "cash"}}}}};
        // Closed by the register, and its close record logged, before the crash.
        log.Begin("1", "closed", body);
        log.AddStep("1", "closed",
                    {{"line", 0}, {"record", QJsonObject{{"code", "?"}, {"description", "MILK 1L"}}}});
        log.AddStep("1", "closed", {{"sent", "payment"}});
        log.AddStep("1", "closed",
                    {{"record", QJsonObject{{"code", "O"}, {"total", 1.19}, {"receiptNumber", 41}}}});
        // Logged, and nothing more: the crash came before the first sale.
        log.Begin("1", "early", body);
        ASSERT_TRUE(log.Flush(10000));
        ASSERT_EQ(log.Unfinished().size(), 2u);
    }
    StartServer();
    // A new receipt right away is served after the settling.
    QNetworkReply* fresh =
        Begin("POST", "/v1/registers/1/receipts", R"({"lines":[{"plu":2}],"payments":[{"type":"cash"}]})",
              {{"Idempotency-Key", "fresh"}, {"Authorization", "Bearer secret"}});
    HttpAnswer freshAnswer = Wait(fresh);
    EXPECT_EQ(freshAnswer.Status, 201) << freshAnswer.Raw.toStdString();

    HttpAnswer closed = Call("GET", "/v1/registers/1/receipts/closed");
    EXPECT_EQ(closed.Body["state"].toString(), "completed");
    EXPECT_EQ(closed.Body["outcome"]["receiptNumber"].toInt(), 41);
    EXPECT_TRUE(closed.Body["outcome"]["settled"].toString().contains("close record is in the log"));
    HttpAnswer early = Call("POST", "/v1/registers/1/receipts",
                            R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}]})", Key("early"));
    EXPECT_EQ(early.Status, 500);
    EXPECT_TRUE(early.Body["settled"].toString().contains("nothing was sold")) << early.Raw.toStdString();
    EXPECT_EQ(early.Headers["idempotent-replayed"], "true");
    // Only the fresh receipt was printed.
    EXPECT_EQ(ReceiptsClosed(), 1);
    // The settled ones are outcomes too, told once each, before the fresh one.
    EXPECT_EQ(m_outcomes,
              (std::vector<std::pair<QString, int>>{{"1/closed", 201}, {"1/early", 500}, {"1/fresh", 201}}))
        << "settled oldest first";
}

class GatewayLossyLine : public GatewayFixture {
  protected:
    GatewayLossyLine() {
        m_options.DropEvery = 4;
        m_options.CorruptEvery = 7;
    }
};

// Records and replies lost on the line: every request ends in a receipt the
// register closed once, answered with what it recorded, or in a failure that
// says so; no sale is ever printed twice.
TEST_F(GatewayLossyLine, LostRecordsAreResolvedWithoutSellingTwice) {
    constexpr int Receipts8 = 8;
    int recovered = 0;
    for (int i = 0; i < Receipts8; ++i) {
        SCOPED_TRACE(i);
        HttpAnswer a =
            Call("POST", Receipts,
                 R"({"lines":[{"plu":1},{"plu":2,"quantity":2},{"plu":3}],"payments":[{"type":"cash"}]})",
                 {{"Idempotency-Key", "lossy-" + QByteArray::number(i)}});
        ASSERT_EQ(a.Status, 201) << a.Raw.toStdString();
        EXPECT_EQ(a.Body["lines"].toArray().size(), 3) << a.Raw.toStdString();
        EXPECT_NEAR(a.Body["total"].toDouble(), 1.19 + 2 * 0.65 + 2.89, 0.001) << a.Raw.toStdString();
        recovered += a.Raw.contains("confirmedBy") || a.Body.toObject().contains("note") ? 1 : 0;
        EXPECT_EQ(ReceiptsClosed(), i + 1);
    }
    // The line did lose records on the way, and each sale is on the register once.
    EXPECT_GT(recovered, 0);
    int sold = -1;
    m_sim->WithModel([&sold](RegisterModel& model) { sold = int(model.Plu(2).Quantity); });
    EXPECT_EQ(sold, 2 * Receipts8);
}

// A crash in the middle of a receipt: the register holds it open. When its
// subtotal is not what the logged lines make, nothing more is sent.
TEST_F(GatewaySettle, AnOpenReceiptHoldingMoreThanTheLoggedLinesIsLeftAlone) {
    const auto sell = [this](int times) {
        for (int i = 0; i < times; ++i)
            m_session->RS232().SendFrame(EncodePluSale(1, std::nullopt, SaleKindNormal));
        return WaitUntil([this, times] {
            int sold = 0;
            m_sim->WithModel([&sold](RegisterModel& model) { sold = int(model.Plu(1).Quantity); });
            return sold == times;
        });
    };
    const QJsonObject body{{"lines", QJsonArray{QJsonObject{{"plu", 1}}, QJsonObject{{"plu", 2}}}},
                           {"payments", QJsonArray{QJsonObject{{"type", "cash"}}}}};
    const QJsonObject milk{
        {"code", "?"}, {"description", "MILK 1L"}, {"price", 1.19}, {"quantity", 1}, {"kind", "normal"}};
    // The register sold the first line twice, the log knows of one.
    ASSERT_TRUE(sell(2));
    {
        RequestLog log;
        QString error;
        ASSERT_TRUE(log.Open(LogPath(), error)) << error.toStdString();
        log.Begin("1", "mismatch", body);
        log.AddStep("1", "mismatch", {{"line", 0}, {"record", milk}});
        ASSERT_TRUE(log.Flush(10000));
    }
    StartServer();
    HttpAnswer mismatch = Call("GET", "/v1/registers/1/receipts/mismatch");
    ASSERT_TRUE(WaitUntil([&] {
        mismatch = Call("GET", "/v1/registers/1/receipts/mismatch");
        return mismatch.Body["state"] != QLatin1String("in progress");
    }));
    EXPECT_EQ(mismatch.Body["status"].toInt(), 500);
    EXPECT_TRUE(mismatch.Body["outcome"]["settled"].toString().contains("subtotal is not"))
        << mismatch.Raw.toStdString();
    int breadSold = -1;
    m_sim->WithModel([&breadSold](RegisterModel& model) { breadSold = int(model.Plu(2).Quantity); });
    EXPECT_EQ(breadSold, 0);
    EXPECT_EQ(ReceiptsClosed(), 0);
}

// When it is exactly that, the receipt is completed from the next line.
TEST_F(GatewaySettle, AnOpenReceiptHoldingTheLoggedLinesIsCompleted) {
    m_session->RS232().SendFrame(EncodePluSale(1, std::nullopt, SaleKindNormal));
    ASSERT_TRUE(WaitUntil([this] {
        bool open = false;
        m_sim->WithModel([&open](RegisterModel& model) { open = model.Day().ReceiptOpen(); });
        return open;
    }));
    {
        RequestLog log;
        QString error;
        ASSERT_TRUE(log.Open(LogPath(), error)) << error.toStdString();
        log.Begin("1", "resume",
                  QJsonObject{{"lines", QJsonArray{QJsonObject{{"plu", 1}}, QJsonObject{{"plu", 2}}}},
                              {"payments", QJsonArray{QJsonObject{{"type", "cash"}}}}});
        log.AddStep("1", "resume",
                    {{"line", 0},
                     {"record", QJsonObject{{"code", "?"},
                                            {"description", "MILK 1L"},
                                            {"price", 1.19},
                                            {"quantity", 1},
                                            {"kind", "normal"},
                                            {"plu", 1},
                                            {"line", 0}}}});
        ASSERT_TRUE(log.Flush(10000));
    }
    StartServer();
    // A client asking again while the settling runs is told to come back.
    const QByteArray same = R"({"lines":[{"plu":1},{"plu":2}],"payments":[{"type":"cash"}]})";
    HttpAnswer settled = Call("POST", Receipts, same, Key("resume"));
    EXPECT_TRUE(settled.Status == 409 || settled.Status == 201) << settled.Raw.toStdString();
    ASSERT_TRUE(WaitUntil([&] {
        settled = Call("POST", Receipts, same, Key("resume"));
        return settled.Status != 409;
    }));
    EXPECT_EQ(settled.Status, 201) << settled.Raw.toStdString();
    EXPECT_NEAR(settled.Body["total"].toDouble(), 1.84, 0.001);
    const QJsonArray lines = settled.Body["lines"].toArray();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1]["description"].toString(), "BREAD");
    EXPECT_TRUE(settled.Body["settled"].toString().contains("completed from the step after them"));
    EXPECT_EQ(ReceiptsClosed(), 1);
    int milkSold = -1;
    m_sim->WithModel([&milkSold](RegisterModel& model) { milkSold = int(model.Plu(1).Quantity); });
    EXPECT_EQ(milkSold, 1);
}

// With each step on the disk before the next left, the one step missing from
// the log is told by the subtotal: carried out, it is taken as done.
TEST_F(GatewaySettle, TheOneUnloggedStepIsToldByTheSubtotal) {
    m_session->RS232().SendFrame(EncodePluSale(1, std::nullopt, SaleKindNormal));
    m_session->RS232().SendFrame(EncodePluSale(2, std::nullopt, SaleKindNormal));
    ASSERT_TRUE(WaitUntil([this] {
        int sold = 0;
        m_sim->WithModel([&sold](RegisterModel& model) { sold = int(model.Plu(2).Quantity); });
        return sold == 1;
    }));
    {
        RequestLog log;
        QString error;
        ASSERT_TRUE(log.Open(LogPath(), error)) << error.toStdString();
        log.Begin("1", "one-missing",
                  QJsonObject{{"lines", QJsonArray{QJsonObject{{"plu", 1}}, QJsonObject{{"plu", 2}}}},
                              {"payments", QJsonArray{QJsonObject{{"type", "cash"}}}}});
        log.AddStep("1", "one-missing", {{"durableSteps", true}});
        log.AddStep(
            "1", "one-missing",
            {{"line", 0},
             {"record", QJsonObject{{"code", "?"}, {"price", 1.19}, {"quantity", 1}, {"kind", "normal"}}}});
        log.AddStep("1", "one-missing", {{"sent", "payment"}});
        ASSERT_TRUE(log.Flush(10000));
    }
    StartServer();
    HttpAnswer settled;
    ASSERT_TRUE(WaitUntil([&] {
        settled = Call("GET", "/v1/registers/1/receipts/one-missing");
        return settled.Body["state"] == QLatin1String("completed") ||
               settled.Body["state"] == QLatin1String("failed");
    }));
    EXPECT_EQ(settled.Body["status"].toInt(), 201) << settled.Raw.toStdString();
    const QJsonArray lines = settled.Body["outcome"]["lines"].toArray();
    ASSERT_EQ(lines.size(), 2) << settled.Raw.toStdString();
    EXPECT_EQ(lines[1]["confirmedBy"].toString(), "subtotal");
    EXPECT_NEAR(lines[1]["amount"].toDouble(), 0.65, 0.001);
    EXPECT_NEAR(settled.Body["outcome"]["total"].toDouble(), 1.84, 0.001);
    EXPECT_EQ(ReceiptsClosed(), 1);
    int breadSold = -1;
    m_sim->WithModel([&breadSold](RegisterModel& model) { breadSold = int(model.Plu(2).Quantity); });
    EXPECT_EQ(breadSold, 1);
}
