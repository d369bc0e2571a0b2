#pragma once

#include "gateway/GatewayOperation.h"
#include "gateway/ReceiptOperation.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class GatewayHttp;
class GatewayJournal;
class QHttpServerRequest;
class QTcpSocket;
class RegisterQueue;
class RegisterSession;
class RequestLog;

// The register gateway: HTTP/JSON calls on the registers it is given, each
// register's calls in its own bounded queue. It owns no session: whoever
// hosts it (orvex-gateway, the window) builds and keeps them.
//
//     GatewayServer server;
//     server.OpenRequestLog(path, error);
//     server.AddRegister("1", session, "/dev/ttyUSB0", 19200);
//     server.AddRoutes(moreRoutes);              // mounted under /v1/registers/{id}/
//     if (!server.Listen("127.0.0.1", 8472, token, reason)) ...
//
// Every call but /v1/health needs "Authorization: Bearer <token>" when a token
// is set; without a token only a loopback address is served. A call may carry
// "Request-Timeout: <ms>": if its turn has not come by then, it is dropped
// unstarted (504).
class GatewayServer : public QObject {
    Q_OBJECT
  public:
    static constexpr qint64 MaxBodyBytes = 256 * 1024;
    static constexpr quint16 DefaultPort = 8472;

    explicit GatewayServer(QObject* parent = nullptr);
    ~GatewayServer() override;

    [[nodiscard]] bool OpenRequestLog(const QString& path, QString& error);
    void AddRegister(const QString& id, RegisterSession& session, const QString& device, int speed);
    // Mounted under /v1/registers/{id}/ for every register.
    void AddRoutes(std::vector<GatewayRoute> routes);
    // The OpenAPI "paths" of those routes, keys whole or relative to
    // /v1/registers/{id}, and the schemas they refer to.
    void AddPaths(const QJsonObject& paths, const QJsonObject& schemas = {});

    void SetQueueCapacity(int capacity);
    void SetReceiptTimeouts(ReceiptTimeouts timeouts) { m_timeouts = timeouts; }
    // TLS from PEM files; the reason when they cannot be used.
    [[nodiscard]] bool SetTls(const QString& certificateFile, const QString& keyFile, QString& reason);

    // Listens (requests interrupted by a crash are queued for settling first);
    // the reason when it cannot.
    [[nodiscard]] bool Listen(const QString& address, quint16 port, const QByteArray& token, QString& reason);
    [[nodiscard]] quint16 Port() const { return m_port; }
    void Close();
    // The program is ending: no call is taken any more, nothing waiting
    // starts, and what runs on a line ends at its next safe point.
    void Stop();
    // No register has an operation under way.
    [[nodiscard]] bool Idle() const;

    // The OpenAPI 3 document served at /v1/openapi.json.
    [[nodiscard]] QJsonObject OpenApiDocument() const;
    // Every call served, as ("get", "/v1/registers/{id}/status").
    [[nodiscard]] std::vector<std::pair<QByteArray, QString>> MountedRoutes() const;

    // Called by the HTTP front for each request; true when answered or to be answered.
    bool Handle(const QHttpServerRequest& request, QTcpSocket* socket);

  signals:
    // A receipt request ended (made, failed, or settled after a restart) with
    // the outcome the request log keeps for it; once per request.
    void ReceiptOutcome(const QString& registerId, const QString& key, int status,
                        const QJsonObject& outcome);

  private:
    struct Register;
    struct Job;
    struct Call;
    using Handler = void (GatewayServer::*)(Call&);
    struct Builtin {
        QByteArray Method;
        QString Template;
        Handler Run;
        QJsonObject Doc;
        bool Open = false;
    };

    void Health(Call& call);
    void OpenApi(Call& call);
    void Registers(Call& call);
    void Status(Call& call);
    void Journal(Call& call);
    void JournalStream(Call& call);
    void PostReceipt(Call& call);
    void GetReceipt(Call& call);
    void GetJob(Call& call);
    void DeleteJob(Call& call);
    void Added(Call& call, const GatewayRoute& route);

    Register* Find(Call& call);
    void Enqueue(Call& call, Register& reg, std::unique_ptr<GatewayOperation> op);
    [[nodiscard]] QJsonObject JobJson(const QString& registerId, quint64 id, const Job& job) const;
    void SettleInterrupted(Register& reg);

    std::unique_ptr<GatewayHttp> m_http;
    std::vector<Builtin> m_builtins;
    std::vector<GatewayRoute> m_routes;
    QJsonObject m_addedPaths;
    QJsonObject m_addedSchemas;
    std::map<QString, std::unique_ptr<Register>> m_registers;
    std::unique_ptr<RequestLog> m_log;
    ReceiptTimeouts m_timeouts;
    QByteArray m_token;
    bool m_tls = false;
    quint16 m_port = 0;
    int m_queueCapacity = 0;
};
