#include "database/PluDatabaseFile.h"
#include "database/PluTable.h"
#include "support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

// orvex-gateway as it is installed, driven from outside by Python
// (python3-requests) and curl: every call, the token file and TLS.
TEST(GatewayProgram, EveryCallWorksFromPythonAndCurl) {
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess driver;
    driver.setProcessChannelMode(QProcess::MergedChannels);
    driver.start(python, {ORVEX_GATEWAY_DRIVER, ORVEX_GATEWAY_PROGRAM, dir.path()});
    ASSERT_TRUE(driver.waitForStarted(10000));
    ASSERT_TRUE(driver.waitForFinished(240000));
    const QByteArray output = driver.readAll();
    if (driver.exitCode() == 77)
        GTEST_SKIP() << output.toStdString();
    EXPECT_EQ(driver.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(driver.exitCode(), 0) << output.toStdString();
}

namespace {

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

struct HttpAnswer {
    int Status = 0;
    QJsonObject Body;
    QByteArray Raw;
};

// orvex-gateway started in a folder of its own, called over loopback.
class GatewayRun {
  public:
    explicit GatewayRun(const QString& dataDir) : m_dataDir(dataDir) {}
    ~GatewayRun() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    // Started and listening; false (with what it said) otherwise.
    bool Start(const QStringList& registerArguments) {
        m_port = FreePort();
        const QString tokenFile = QDir(m_dataDir).filePath("gw.token");
        m_process.start(ORVEX_GATEWAY_PROGRAM,
                        registerArguments + QStringList{"--listen",
                                                        QStringLiteral("127.0.0.1:%1").arg(m_port),
                                                        "--token-file", tokenFile, "--data-dir", m_dataDir});
        if (!m_process.waitForStarted(10000))
            return false;
        const bool listening = WaitUntil(
            [&] {
                m_out += m_process.readAllStandardOutput();
                return m_out.contains("listening on") || m_process.state() == QProcess::NotRunning;
            },
            20000);
        m_err += m_process.readAllStandardError();
        QFile token(tokenFile);
        if (!listening || !m_out.contains("listening on") || !token.open(QIODevice::ReadOnly))
            return false;
        m_token = token.readAll().trimmed();
        return true;
    }

    HttpAnswer Call(const QByteArray& method, const QString& path, const QByteArray& body = {},
                    const QByteArray& key = {}) {
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1/v1/registers/1/%2").arg(m_port).arg(path)));
        request.setRawHeader("Authorization", "Bearer " + m_token);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!key.isEmpty())
            request.setRawHeader("Idempotency-Key", key);
        QNetworkReply* reply = m_network.sendCustomRequest(request, method, body);
        HttpAnswer answer;
        if (!WaitUntil([reply] { return reply->isFinished(); }, 30000)) {
            reply->abort();
            reply->deleteLater();
            return answer;
        }
        answer.Status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.Raw = reply->readAll();
        answer.Body = QJsonDocument::fromJson(answer.Raw).object();
        reply->deleteLater();
        return answer;
    }

    // A call under way, its answer left to come.
    QNetworkReply* Send(const QString& path, const QByteArray& body, const QByteArray& key) {
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1/v1/registers/1/%2").arg(m_port).arg(path)));
        request.setRawHeader("Authorization", "Bearer " + m_token);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setRawHeader("Idempotency-Key", key);
        return m_network.post(request, body);
    }

    QProcess& Process() { return m_process; }
    QString Said() {
        m_out += m_process.readAllStandardOutput();
        m_err += m_process.readAllStandardError();
        return QString::fromUtf8(m_out + m_err);
    }

  private:
    QString m_dataDir;
    QProcess m_process;
    QNetworkAccessManager m_network;
    QByteArray m_out;
    QByteArray m_err;
    QByteArray m_token;
    quint16 m_port = 0;
};

// The receipt example of the gateway guide: the body of its POST .../receipts,
// and the command that starts the gateway it is sent to.
struct ReadmeReceipt {
    QString StartCommand;
    QByteArray Body;
};

ReadmeReceipt ReadmeReceiptExample() {
    QFile readme(QStringLiteral(ORVEX_GATEWAY_GUIDE));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(readme.readAll());
    ReadmeReceipt example;
    const QRegularExpressionMatch start =
        QRegularExpression(QStringLiteral("^(?:\\$ )?(orvex-gateway [^#&\\n]*)"),
                           QRegularExpression::MultilineOption)
            .match(text);
    example.StartCommand = start.captured(1).trimmed();
    const QRegularExpressionMatch post =
        QRegularExpression(QStringLiteral("-X POST \\$G/1/receipts \\\\\\s*-d '([^']*)'")).match(text);
    example.Body = post.captured(1).toUtf8();
    return example;
}

QStringList Descriptions(const QJsonObject& receipt) {
    QStringList out;
    for (const QJsonValue& line : receipt["lines"].toArray())
        out << line["description"].toString();
    return out;
}

} // namespace

// The PLU table and the barcode rules come from the data folder: a PLU's own
// barcode in its pludb.dat, a weighing barcode by the default rules.
TEST(GatewayProgram, BarcodeLinesSellByTheDataFoldersTable) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PluTable table;
    table.FillDefaults();
    table[3].SetBarcode("4000000000003");
    table[10].SetBarcode("2100010");
    ASSERT_TRUE(SaveDatabaseTo(table, QDir(dir.path()).filePath("pludb.dat")).Ok);

    GatewayRun gateway(dir.path());
    ASSERT_TRUE(gateway.Start({"--simulate"})) << gateway.Said().toStdString();
    const HttpAnswer sold = gateway.Call(
        "POST", "receipts",
        R"({"lines":[{"barcode":"4000000000003"},{"barcode":"2100010012345"}],"payments":[{"type":"cash"}]})",
        "barcodes-1");
    ASSERT_EQ(sold.Status, 201) << sold.Raw.toStdString();
    EXPECT_EQ(Descriptions(sold.Body), (QStringList{"BUTTER 250G", "CHEESE"}));
    EXPECT_DOUBLE_EQ(sold.Body["lines"].toArray().at(1).toObject()["quantity"].toDouble(), 1.234);
    EXPECT_FALSE(gateway.Said().contains("was missing")) << gateway.Said().toStdString();
}

// The gateway guide's receipt, as it stands there, with a weighing barcode
// among its lines, on a data folder the gateway makes.
TEST(GatewayProgram, TheGuidesReceiptIsMadeOnAFreshFolder) {
    const ReadmeReceipt example = ReadmeReceiptExample();
    ASSERT_FALSE(example.Body.isEmpty()) << "no receipt example in the gateway guide";
    ASSERT_TRUE(example.Body.contains("barcode")) << example.Body.toStdString();
    ASSERT_TRUE(example.StartCommand.contains("--simulate")) << example.StartCommand.toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString data = QDir(dir.path()).filePath("fresh");

    GatewayRun gateway(data);
    ASSERT_TRUE(gateway.Start({"--simulate"})) << gateway.Said().toStdString();
    EXPECT_TRUE(gateway.Said().contains("pludb.dat was missing: made with the default PLUs"))
        << gateway.Said().toStdString();
    EXPECT_TRUE(QFile::exists(QDir(data).filePath("pludb.dat")));
    EXPECT_TRUE(QFile::exists(QDir(data).filePath("ComOpts.ini")));
    const HttpAnswer made = gateway.Call("POST", "receipts", example.Body, "readme-1");
    ASSERT_EQ(made.Status, 201) << made.Raw.toStdString() << "\nbody: " << example.Body.toStdString();
    EXPECT_EQ(made.Body["lines"].toArray().size(), 2) << made.Raw.toStdString();
}

// A stop (SIGTERM) while a receipt is on a slow register's line lets its step
// end and ends the program with status 0.
TEST(GatewayProgram, StopDuringAReceiptEndsCleanly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess simulator;
    simulator.start(ORVEX_SIM_PROGRAM, {"--delay", "1500"});
    ASSERT_TRUE(simulator.waitForStarted(10000));
    QByteArray device;
    ASSERT_TRUE(WaitUntil(
        [&] {
            device += simulator.readAllStandardOutput();
            return device.contains('\n');
        },
        10000));
    device = device.trimmed();

    GatewayRun gateway(dir.path());
    ASSERT_TRUE(gateway.Start({"--register", "1=" + QString::fromUtf8(device)}))
        << gateway.Said().toStdString();
    QNetworkReply* pending =
        gateway.Send("receipts", R"({"lines":[{"plu":1},{"plu":2}],"payments":[{"type":"cash"}]})", "stop-1");
    ASSERT_TRUE(WaitUntil(
        [&] { return gateway.Call("GET", "receipts/stop-1").Body["state"].toString() == "in progress"; },
        20000))
        << gateway.Said().toStdString();
    ::kill(pid_t(gateway.Process().processId()), SIGTERM);
    ASSERT_TRUE(WaitUntil([&] { return gateway.Process().state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(gateway.Process().exitStatus(), QProcess::NormalExit) << gateway.Said().toStdString();
    EXPECT_EQ(gateway.Process().exitCode(), 0) << gateway.Said().toStdString();
    pending->deleteLater();
    simulator.kill();
    simulator.waitForFinished(10000);
}
