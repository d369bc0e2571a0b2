#include "ShellFixture.h"

#include "gateway/GatewayServer.h"
#include "history/HistorySql.h"
#include "monitor/MonitorPage.h"
#include "session/RegisterSession.h"
#include "shell/GatewayHostDialog.h"
#include "shell/HintsPanel.h"
#include "shell/WindowGateway.h"
#include "shell/WindowHistory.h"
#include "sim/InProcessRegister.h"
#include "viewer/LineView.h"

#include <QCheckBox>
#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTest>

namespace {

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

class WindowGatewayTest : public ShellTest {
  protected:
    void TearDown() override {
        // The history lets go of its file before the folder goes.
        if (forms)
            forms->History().Close();
        ShellTest::TearDown();
    }
    [[nodiscard]] WindowGateway& Gateway() const { return forms->Gateway(); }
    [[nodiscard]] GatewayHostDialog* Dialog() const {
        return Window().findChild<GatewayHostDialog*>(QStringLiteral("GatewayHostDialog"));
    }
    [[nodiscard]] QString Note() const { return Window().Hints()->Note(); }

    // Settings > Communication > Serve the register..., set and taken with OK.
    void Serve(bool on, int port) {
        Item("MnServeRegister")->trigger();
        GatewayHostDialog* dialog = Dialog();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QCheckBox*>(QStringLiteral("GatewayOn"))->setChecked(on);
        dialog->findChild<QSpinBox*>(QStringLiteral("GatewayPort"))->setValue(port);
        dialog->findChild<QPushButton*>(QStringLiteral("GatewayHostOk"))->click();
        ASSERT_TRUE(WaitUntil([&] { return Dialog() == nullptr; }));
    }

    // One GET with the token; its status and body.
    std::pair<int, QJsonDocument> Get(quint16 port, const QString& path, const QString& token) {
        QNetworkAccessManager net;
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)));
        request.setRawHeader("Authorization", "Bearer " + token.toLatin1());
        QNetworkReply* reply = net.get(request);
        WaitUntil([&] { return reply->isFinished(); }, 10000);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QJsonDocument body = QJsonDocument::fromJson(reply->readAll());
        reply->deleteLater();
        return {status, body};
    }
};

} // namespace

// The item and its dialog speak both languages; the token is made in the
// data folder before the service first runs, shown for copying, and Escape
// leaves everything as it was.
TEST_F(WindowGatewayTest, TheDialogShowsTheTokenForCopyingInBothLanguages) {
    const struct {
        const char* Language;
        const char* Item;
        const char* Copy;
    } cases[] = {{"MnEnglish", "Serve the register to other programs...", "Copy"},
                 {"MnSerbian", "Posluži kasu drugim programima...", "Kopiraj"}};
    for (const auto& c : cases) {
        Item(c.Language)->trigger();
        EXPECT_EQ(Item("MnServeRegister")->text(), QString::fromUtf8(c.Item));
        Item("MnServeRegister")->trigger();
        GatewayHostDialog* dialog = Dialog();
        ASSERT_NE(dialog, nullptr);
        auto* copy = dialog->findChild<QPushButton*>(QStringLiteral("GatewayCopyToken"));
        EXPECT_EQ(copy->text(), QString::fromUtf8(c.Copy));
        const QString token = dialog->findChild<QLineEdit*>(QStringLiteral("GatewayToken"))->text();
        EXPECT_GE(token.size(), 16);
        QFile file(QDir(workDir.path()).filePath(QStringLiteral("gateway.token")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromLatin1(file.readAll()).trimmed(), token);
        EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
        copy->click();
        EXPECT_EQ(QApplication::clipboard()->text(), token);
        dialog->findChild<QCheckBox*>(QStringLiteral("GatewayOn"))->setChecked(true);
        QTest::keyClick(dialog, Qt::Key_Escape);
        ASSERT_TRUE(WaitUntil([&] { return Dialog() == nullptr; }));
        EXPECT_FALSE(Gateway().Serving());
    }
}

// Turned on, the window's register answers other programs on this PC with
// the token; the hint panel says where. Turned off, it answers no more.
TEST_F(WindowGatewayTest, TurnedOnTheWindowsRegisterAnswersOtherProgramsWithTheToken) {
    const quint16 port = FreePort();
    ASSERT_NE(port, 0);
    Item("MnEnglish")->trigger();
    Serve(true, port);
    ASSERT_TRUE(Gateway().Serving()) << Note().toStdString();
    EXPECT_TRUE(Note().contains(QStringLiteral("http://127.0.0.1:%1/v1").arg(port))) << Note().toStdString();
    const QString token = Gateway().Settings().Token;
    const auto [status, body] = Get(port, QStringLiteral("/v1/registers"), token);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(body.array().at(0)[QStringLiteral("id")].toString(), QStringLiteral("1"));
    EXPECT_EQ(Get(port, QStringLiteral("/v1/registers"), QStringLiteral("wrong")).first, 401);

    Serve(false, port);
    EXPECT_FALSE(Gateway().Serving());
    EXPECT_TRUE(Note().isEmpty()) << Note().toStdString();
    EXPECT_EQ(Get(port, QStringLiteral("/v1/health"), token).first, 0) << "nothing listens any more";
}

// A port another program holds is said in the hint panel in the language
// shown, and the window goes on.
TEST_F(WindowGatewayTest, APortInUseIsSaidAndTheWindowGoesOn) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, 0));
    Item("MnSerbian")->trigger();
    Serve(true, other.serverPort());
    EXPECT_FALSE(Gateway().Serving());
    EXPECT_TRUE(Note().startsWith(QStringLiteral("Kasa ne može da se posluži drugim programima: ")))
        << Note().toStdString();
    Item("MnEnglish")->trigger();
    EXPECT_TRUE(Note().startsWith(QStringLiteral("The register cannot be served to other programs: ")))
        << Note().toStdString();
    EXPECT_TRUE(boxes.empty());
}

// While a call from outside holds the line the window starts nothing of its
// own; the monitor stays; what was on comes back on, what was off stays off.
TEST_F(WindowGatewayTest, WhileACallHoldsTheLineTheWindowStartsNothingOfItsOwn) {
    Item("MnEnglish")->trigger();
    QAction* connect = Item("Connect1");
    ASSERT_TRUE(connect->isEnabled());
    QAction* off = Item("MnSerbian");
    off->setEnabled(false);
    RegisterSession& session = forms->Session();
    session.TakeLine(QStringLiteral("gateway"));
    EXPECT_FALSE(connect->isEnabled());
    auto* monitor = Window().findChild<MonitorPage*>();
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->isEnabled());
    EXPECT_TRUE(Note().startsWith(QStringLiteral("The register is serving another program")))
        << Note().toStdString();
    session.ReleaseLine();
    EXPECT_TRUE(connect->isEnabled());
    EXPECT_FALSE(off->isEnabled());
    EXPECT_TRUE(Note().isEmpty());
}

// A receipt another program posts goes through the window's own session:
// the monitor shows its steps as it shows the cashier's, the answer is the
// register's record of it, and the history keeps the outcome once, however
// often the program asks again.
TEST_F(WindowGatewayTest, AReceiptFromOutsideShowsInTheMonitorAndIsKeptInTheHistory) {
    ASSERT_TRUE(forms->History().Open(QString(), workDir.path()))
        << forms->History().OpenError().toStdString();
    SimOptions options;
    options.Speed = 0;
    InProcessRegister simulator(options);
    const QString device = simulator.Start();
    ASSERT_FALSE(device.isEmpty()) << simulator.ErrorString().toStdString();
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    Item("MnEnglish")->trigger();
    Item("Monitor1")->trigger();
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());
    const quint16 port = FreePort();
    Serve(true, port);
    ASSERT_TRUE(Gateway().Serving()) << Note().toStdString();

    QNetworkAccessManager net;
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/v1/registers/1/receipts").arg(port)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Authorization", "Bearer " + Gateway().Settings().Token.toLatin1());
    request.setRawHeader("Idempotency-Key", "window-1");
    const QByteArray body(R"({"lines":[{"plu":1,"quantity":2}],"payments":[{"type":"cash"}]})");
    QNetworkReply* reply = net.post(request, body);
    ASSERT_TRUE(WaitUntil([&] { return reply->isFinished(); }, 15000));
    EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 201);
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    reply->deleteLater();
    QNetworkReply* again = net.post(request, body);
    ASSERT_TRUE(WaitUntil([&] { return again->isFinished(); }, 15000));
    EXPECT_EQ(again->rawHeader("Idempotent-Replayed"), QByteArray("true"));
    again->deleteLater();

    ASSERT_TRUE(forms->History().Store().Flush(5000));
    HistoryConnection connection;
    QString error;
    ASSERT_TRUE(connection.OpenSqlite(QDir(workDir.path()).filePath(QStringLiteral("history.sqlite")), error))
        << error.toStdString();
    QSqlQuery kept(connection.Database());
    ASSERT_TRUE(kept.exec(QStringLiteral("SELECT request_key, status, receipt_number, error, outcome FROM "
                                         "gateway_receipts")));
    ASSERT_TRUE(kept.next());
    EXPECT_EQ(kept.value(0).toString(), QStringLiteral("window-1"));
    EXPECT_EQ(kept.value(1).toInt(), 201);
    EXPECT_EQ(kept.value(2).toInt(), answer[QStringLiteral("receiptNumber")].toInt());
    EXPECT_TRUE(kept.value(3).isNull());
    EXPECT_EQ(QJsonDocument::fromJson(kept.value(4).toString().toUtf8()).object(), answer);
    EXPECT_FALSE(kept.next()) << "the replayed answer is not a second outcome";
    const QString description = answer[QStringLiteral("lines")][0][QStringLiteral("description")].toString();
    EXPECT_FALSE(description.isEmpty());
    const QString monitor = Window().MonitorSheet()->MonListBox()->PlainText();
    EXPECT_TRUE(monitor.contains(description)) << monitor.toStdString();
    EXPECT_TRUE(monitor.contains(
        QStringLiteral("Receipt Number:%1").arg(answer[QStringLiteral("receiptNumber")].toInt())))
        << monitor.toStdString();
    EXPECT_TRUE(forms->Session().LineHolder().isEmpty());
}
