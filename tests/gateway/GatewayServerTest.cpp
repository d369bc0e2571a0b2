#include "GatewayFixture.h"
#include "gateway/GatewayRoutes.h"
#include "reports/DailyReports.h"

#include "support/WaitUntil.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>

namespace {

// A call of the kind other parts of the program mount: answers with its argument.
class EchoOperation : public GatewayOperation {
  public:
    explicit EchoOperation(QString arg) : m_arg(std::move(arg)) {}
    void Start(RegisterSession&) override { emit Finished({200, QJsonObject{{"arg", m_arg}}}); }

  private:
    QString m_arg;
};

// A job of n steps, one every 20 ms, that stops when cancelled.
class CountOperation : public GatewayOperation {
  public:
    explicit CountOperation(int n) : m_n(n) {}
    void Start(RegisterSession&) override {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            ++m_done;
            emit Progressed(m_done, m_n);
            if (m_done == m_n || m_cancel) {
                m_timer.stop();
                emit Finished({200, QJsonObject{{"counted", m_done}}});
            }
        });
        m_timer.start(20);
    }
    void Cancel() override { m_cancel = true; }

  private:
    QTimer m_timer;
    int m_n;
    int m_done = 0;
    bool m_cancel = false;
};

std::vector<GatewayRoute> TestRoutes() {
    return {{"GET", "echo/<arg>", false,
             [](const GatewayCall& call) -> GatewayDecoded {
                 return std::make_unique<EchoOperation>(call.Arguments.value(0));
             }},
            {"POST", "count/<arg>", true, [](const GatewayCall& call) -> GatewayDecoded {
                 bool ok = false;
                 const int n = call.Arguments.value(0).toInt(&ok);
                 if (!ok || n < 1)
                     return BadField("n", "must be a whole number above 0");
                 return std::make_unique<CountOperation>(n);
             }}};
}

QJsonObject TestPaths() {
    const QJsonObject op{{"responses", QJsonObject{{"200", QJsonObject{{"description", "ok"}}}}}};
    return {{"/echo/{text}", QJsonObject{{"get", op}}}, {"/count/{n}", QJsonObject{{"post", op}}}};
}

QString Shape(QString path) {
    return path.replace(QRegularExpression("\\{[^}]*\\}"), "{}");
}

} // namespace

using GatewayServerTest = GatewayFixture;

TEST_F(GatewayServerTest, EveryCallButHealthNeedsTheToken) {
    EXPECT_EQ(Call("GET", "/v1/health", {}, {}, false).Status, 200);
    EXPECT_EQ(Call("GET", "/v1/registers", {}, {}, false).Status, 401);
    EXPECT_EQ(Call("GET", "/v1/registers", {}, {{"Authorization", "Bearer secreT"}}, false).Status, 401);
    EXPECT_EQ(Call("GET", "/v1/registers", {}, {{"Authorization", "Bearer secret2"}}, false).Status, 401);
    EXPECT_EQ(Call("GET", "/v1/openapi.json", {}, {}, false).Status, 401);
    EXPECT_EQ(Call("POST", "/v1/registers/1/receipts", "{}", {{"Idempotency-Key", "x"}}, false).Status, 401);
    EXPECT_EQ(Call("GET", "/v1/nothing").Status, 404);
    EXPECT_EQ(Call("DELETE", "/v1/registers").Status, 405);

    HttpAnswer list = Call("GET", "/v1/registers");
    ASSERT_EQ(list.Status, 200);
    const QJsonObject reg = list.Body.toArray().first().toObject();
    EXPECT_EQ(reg["id"].toString(), "1");
    EXPECT_EQ(reg["device"].toString(), m_sim->DevicePath());
    EXPECT_EQ(reg["speed"].toInt(), 19200);
    EXPECT_TRUE(reg["connected"].toBool());
    EXPECT_EQ(Call("GET", "/v1/registers/7/status").Status, 404);
}

TEST_F(GatewayServerTest, ANonLoopbackAddressIsServedOnlyWithAToken) {
    GatewayServer other;
    QString reason;
    EXPECT_FALSE(other.Listen("0.0.0.0", 0, {}, reason));
    EXPECT_TRUE(reason.contains("token")) << reason.toStdString();
    EXPECT_FALSE(other.Listen("not-an-address", 0, "t", reason));
    EXPECT_TRUE(other.Listen("127.0.0.1", 0, {}, reason)) << reason.toStdString();
}

// The window and the gateway share one session: a call waits while the
// session has an exchange of its own under way, holds the line while it works
// and lets it go when it is answered.
class GatewaySharedLine : public GatewayFixture {
  public:
    // Answers late enough that a call sent at once would overtake the report.
    GatewaySharedLine() { m_options.DelayMs = 300; }
};

TEST_F(GatewaySharedLine, ACallWaitsForTheSessionsOwnExchangeAndHoldsTheLineMeanwhile) {
    bool reportIn = false;
    QObject::connect(&m_session->Reports(), &DailyReports::ReportReceived, [&] { reportIn = true; });
    std::vector<std::pair<QString, bool>> holders;
    QObject::connect(m_session.get(), &RegisterSession::LineHolderChanged,
                     [&](const QString& holder) { holders.emplace_back(holder, reportIn); });
    ASSERT_TRUE(m_session->Reports().RequestReport('f'));
    ASSERT_FALSE(m_session->LineIdle());
    HttpAnswer a = Call("GET", "/v1/registers/1/status");
    ASSERT_EQ(a.Status, 200) << a.Raw.toStdString();
    ASSERT_EQ(holders.size(), 2u);
    EXPECT_FALSE(holders[0].first.isEmpty());
    EXPECT_TRUE(holders[0].second) << "the call took the line before the session's report was in";
    EXPECT_TRUE(holders[1].first.isEmpty()) << "the line was not let go";
    EXPECT_TRUE(m_session->LineHolder().isEmpty());
}

TEST_F(GatewayServerTest, StatusAsksTheRegister) {
    HttpAnswer a = Call("GET", "/v1/registers/1/status");
    ASSERT_EQ(a.Status, 200) << a.Raw.toStdString();
    EXPECT_EQ(a.Body["receiptStatus"].toString(), "outside");
    EXPECT_EQ(a.Body["lastError"]["status"].toInt(), 0);
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$")
                    .match(a.Body["clock"].toString())
                    .hasMatch())
        << a.Raw.toStdString();
    EXPECT_EQ(Call("GET", "/v1/registers").Body[0]["receiptStatus"].toString(), "outside");
}

// The document and the routes are one list: nothing served is undescribed,
// nothing described is not served; routes mounted from elsewhere included.
TEST_F(GatewayServerTest, TheOpenApiDocumentDescribesExactlyTheMountedCalls) {
    m_server->AddRoutes(TestRoutes());
    m_server->AddPaths(TestPaths());
    HttpAnswer a = Call("GET", "/v1/openapi.json");
    ASSERT_EQ(a.Status, 200);
    EXPECT_EQ(a.Body["openapi"].toString().left(2), "3.");
    QSet<QString> documented;
    const QJsonObject paths = a.Body["paths"].toObject();
    for (auto it = paths.begin(); it != paths.end(); ++it) {
        const QJsonObject item = it.value().toObject();
        for (auto m = item.begin(); m != item.end(); ++m)
            if (m.key() != QLatin1String("parameters")) // the path's own, not a call
                documented.insert(m.key() + ' ' + Shape(it.key()));
    }
    QSet<QString> mounted;
    for (const auto& [method, path] : m_server->MountedRoutes())
        mounted.insert(QString::fromLatin1(method) + ' ' + Shape(path));
    // The built-in calls, the test's and the register's reports, PLUs, header and thanks.
    EXPECT_EQ(mounted.size(), 12 + qsizetype(RegisterOperationRoutes().size()));
    EXPECT_EQ(documented, mounted) << "only documented: "
                                   << QStringList((documented - mounted).values()).join(", ").toStdString()
                                   << "; only mounted: "
                                   << QStringList((mounted - documented).values()).join(", ").toStdString();
}

TEST_F(GatewayServerTest, MountedRoutesAnswerAndJobsReportAndCancel) {
    m_server->AddRoutes(TestRoutes());
    HttpAnswer echo = Call("GET", "/v1/registers/1/echo/hello");
    EXPECT_EQ(echo.Status, 200);
    EXPECT_EQ(echo.Body["arg"].toString(), "hello");
    EXPECT_EQ(Call("POST", "/v1/registers/1/count/x").Body["field"].toString(), "n");

    HttpAnswer started = Call("POST", "/v1/registers/1/count/5");
    ASSERT_EQ(started.Status, 202);
    const QString job = started.Body["job"].toString();
    EXPECT_EQ(started.Headers["location"], job.toLatin1());
    HttpAnswer state;
    EXPECT_TRUE(WaitUntil([&] {
        state = Call("GET", job);
        return state.Body["state"].toString() == "done";
    }));
    EXPECT_EQ(state.Body["done"].toInt(), 5);
    EXPECT_EQ(state.Body["result"]["counted"].toInt(), 5);

    const QString longJob = Call("POST", "/v1/registers/1/count/1000").Body["job"].toString();
    ASSERT_TRUE(WaitUntil([&] { return Call("GET", longJob).Body["done"].toInt() >= 2; }));
    HttpAnswer running = Call("GET", longJob);
    EXPECT_EQ(running.Body["total"].toInt(), 1000);
    EXPECT_GT(running.Body["timeLeftMs"].toDouble(), 0);
    EXPECT_EQ(Call("DELETE", longJob).Status, 200);
    EXPECT_TRUE(WaitUntil([&] {
        state = Call("GET", longJob);
        return state.Body["state"].toString() == "done";
    }));
    EXPECT_LT(state.Body["result"]["counted"].toInt(), 1000);
}

TEST_F(GatewayServerTest, TheLiveJournalStreamsRecordsAsEvents) {
    QNetworkReply* stream =
        Begin("GET", "/v1/registers/1/journal/stream", {}, {{"Authorization", "Bearer secret"}});
    QByteArray events;
    QObject::connect(stream, &QNetworkReply::readyRead, [&] { events += stream->readAll(); });
    ASSERT_TRUE(WaitUntil(
        [&] { return stream->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200; }));
    HttpAnswer a = Call("POST", "/v1/registers/1/receipts",
                        R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}]})", {{"Idempotency-Key", "s1"}});
    ASSERT_EQ(a.Status, 201);
    EXPECT_TRUE(WaitUntil([&] { return events.contains("\"code\":\"O\""); })) << events.toStdString();
    EXPECT_TRUE(events.contains("\n\nid: 1\nevent: record\ndata: {")) << events.toStdString();
    stream->abort();
    stream->deleteLater();
}

class GatewaySlowRegister : public GatewayFixture {
  protected:
    GatewaySlowRegister() { m_options.DelayMs = 150; }
};

// One call at a time on the line; a full queue answers 503 with Retry-After;
// a call whose Request-Timeout passed before its turn never starts.
TEST_F(GatewaySlowRegister, TheQueueIsBoundedAndDropsCallsPastTheirDeadline) {
    m_server->SetQueueCapacity(1);
    const std::map<QByteArray, QByteArray> token{{"Authorization", "Bearer secret"}};
    QNetworkReply* running = Begin("GET", "/v1/registers/1/status", {}, token);
    ASSERT_TRUE(WaitUntil([&] { return m_statusReplies == 1 || running->isFinished(); }));
    auto hurried = token;
    hurried["Request-Timeout"] = "50";
    QNetworkReply* waiting = Begin("GET", "/v1/registers/1/status", {}, hurried);
    RunEventsFor(50);
    HttpAnswer full = Call("GET", "/v1/registers/1/status");
    EXPECT_EQ(full.Status, 503);
    EXPECT_GE(full.Headers["retry-after"].toInt(), 1);
    EXPECT_EQ(Wait(running).Status, 200);
    HttpAnswer dropped = Wait(waiting);
    EXPECT_EQ(dropped.Status, 504);
    EXPECT_TRUE(dropped.Body["error"].toString().contains("nothing was sent"));
    RunEventsFor(300);
    EXPECT_EQ(m_statusReplies, 1);
    EXPECT_EQ(Call("GET", "/v1/registers/1/status", {}, {{"Request-Timeout", "x"}}).Body["field"].toString(),
              "Request-Timeout");
}

// A receipt asked after while it waits or runs is known by its key, never "no such request".
TEST_F(GatewaySlowRegister, AReceiptUnderWayIsKnownByItsKey) {
    QNetworkReply* first = Begin("GET", "/v1/registers/1/status", {}, {{"Authorization", "Bearer secret"}});
    QNetworkReply* receipt =
        Begin("POST", "/v1/registers/1/receipts", R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}]})",
              {{"Authorization", "Bearer secret"}, {"Idempotency-Key", "slow"}});
    RunEventsFor(50);
    HttpAnswer waiting = Call("GET", "/v1/registers/1/receipts/slow");
    EXPECT_EQ(waiting.Status, 200) << waiting.Raw.toStdString();
    EXPECT_TRUE(waiting.Body["state"] == QLatin1String("queued") ||
                waiting.Body["state"] == QLatin1String("in progress"))
        << waiting.Raw.toStdString();
    EXPECT_EQ(Wait(first).Status, 200);
    EXPECT_EQ(Wait(receipt).Status, 201);
    EXPECT_EQ(Call("GET", "/v1/registers/1/receipts/slow").Body["state"].toString(), "completed");
}
