#include "GatewayFixture.h"

#include "protocol/ReplyDispatcher.h"
#include "sales/StatusReplies.h"
#include "sim/RegisterModel.h"
#include "support/WaitUntil.h"

#include <QJsonDocument>
#include <QNetworkReply>
#include <QNetworkRequest>

void GatewayFixture::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    m_sim = std::make_unique<InProcessRegister>(m_options);
    const QString device = m_sim->Start();
    ASSERT_FALSE(device.isEmpty()) << m_sim->ErrorString().toStdString();
    m_session = std::make_unique<RegisterSession>();
    m_session->Dispatcher().ChangeDevice(device);
    ASSERT_TRUE(m_session->Dispatcher().EnsurePortOpen());
    QObject::connect(&m_session->Status(), &StatusReplies::ReceiptStateReceived,
                     [this](quint8) { ++m_statusReplies; });
    m_net = std::make_unique<QNetworkAccessManager>();
    if (m_startServer)
        StartServer();
}

void GatewayFixture::StartServer() {
    m_server = std::make_unique<GatewayServer>();
    QString error;
    ASSERT_TRUE(m_server->OpenRequestLog(LogPath(), error)) << error.toStdString();
    QObject::connect(m_server.get(), &GatewayServer::ReceiptOutcome, m_server.get(),
                     [this](const QString& registerId, const QString& key, int status, const QJsonObject&) {
                         m_outcomes.emplace_back(registerId + QLatin1Char('/') + key, status);
                     });
    m_server->AddRegister("1", *m_session, m_sim->DevicePath(), 19200);
    m_server->SetReceiptTimeouts({700, 700});
    QString reason;
    ASSERT_TRUE(m_server->Listen("127.0.0.1", 0, Token, reason)) << reason.toStdString();
}

void GatewayFixture::TearDown() {
    m_server.reset();
    m_net.reset();
    m_session.reset();
    m_sim.reset();
}

QNetworkReply* GatewayFixture::Begin(const QByteArray& method, const QString& path, const QByteArray& body,
                                     std::map<QByteArray, QByteArray> headers) {
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->Port()).arg(path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    for (const auto& [k, v] : headers)
        request.setRawHeader(k, v);
    return m_net->sendCustomRequest(request, method, body);
}

HttpAnswer GatewayFixture::Wait(QNetworkReply* reply) {
    HttpAnswer answer;
    EXPECT_TRUE(WaitUntil([reply] { return reply->isFinished(); }, 20000));
    answer.Status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.Raw = reply->readAll();
    for (const auto& [k, v] : reply->rawHeaderPairs())
        answer.Headers[k.toLower()] = v;
    const QJsonDocument doc = QJsonDocument::fromJson(answer.Raw);
    answer.Body = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
    reply->deleteLater();
    return answer;
}

HttpAnswer GatewayFixture::Call(const QByteArray& method, const QString& path, const QByteArray& body,
                                std::map<QByteArray, QByteArray> headers, bool withToken) {
    if (withToken && !headers.count("Authorization"))
        headers["Authorization"] = QByteArray("Bearer ") + Token;
    return Wait(Begin(method, path, body, headers));
}

int GatewayFixture::ReceiptsClosed() {
    int n = -1;
    m_sim->WithModel([&n](RegisterModel& model) { n = model.Day().ReceiptsToday(); });
    return n;
}
