#pragma once

#include "gateway/GatewayServer.h"
#include "session/RegisterSession.h"
#include "sim/InProcessRegister.h"

#include <QByteArray>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// An answer as the client saw it.
struct HttpAnswer {
    int Status = 0;
    QJsonValue Body;
    QByteArray Raw;
    std::map<QByteArray, QByteArray> Headers;
};

[[nodiscard]] inline SimOptions FastRegister() {
    SimOptions options;
    options.Speed = 0;
    options.SellEveryMs = 0;
    return options;
}

// One simulated register (unpaced, no cashier) on a session, served by a
// gateway on a loopback port with the token "secret" and a request log in a
// temporary folder.
class GatewayFixture : public ::testing::Test {
  protected:
    static constexpr const char* Token = "secret";

    void SetUp() override;
    void TearDown() override;

    // Builds the server (and listens) unless a test wants to prepare the log first.
    void StartServer();

    // Sends one call and waits for its answer.
    HttpAnswer Call(const QByteArray& method, const QString& path, const QByteArray& body = {},
                    std::map<QByteArray, QByteArray> headers = {}, bool withToken = true);
    // Starts a call and leaves it running; Wait collects it.
    QNetworkReply* Begin(const QByteArray& method, const QString& path, const QByteArray& body = {},
                         std::map<QByteArray, QByteArray> headers = {});
    HttpAnswer Wait(QNetworkReply* reply);

    [[nodiscard]] QString LogPath() const { return m_dir.filePath("requests.sqlite"); }
    [[nodiscard]] int ReceiptsClosed();

    // Unpaced, no cashier; a test's constructor may change it.
    SimOptions m_options = FastRegister();
    QTemporaryDir m_dir;
    std::unique_ptr<InProcessRegister> m_sim;
    std::unique_ptr<RegisterSession> m_session;
    std::unique_ptr<GatewayServer> m_server;
    std::unique_ptr<QNetworkAccessManager> m_net;
    // Frames the register answered with its receipt status: every request that reached the line asks it
    // first.
    int m_statusReplies = 0;
    bool m_startServer = true;
    // The receipt outcomes the server told, as ("register/key", status), in order.
    std::vector<std::pair<QString, int>> m_outcomes;
};
