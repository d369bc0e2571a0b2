#include "gateway/GatewayServer.h"

#include "gateway/GatewayRoutes.h"

#include "gateway/GatewayJournal.h"
#include "gateway/OpenApi.h"
#include "gateway/ReceiptRequest.h"
#include "gateway/RegisterQueue.h"
#include "gateway/RequestLog.h"
#include "gateway/SettleOperation.h"
#include "gateway/StatusOperation.h"
#include "monitor/JournalMonitor.h"
#include "protocol/ReplyDispatcher.h"
#include "sales/StatusReplies.h"
#include "session/RegisterSession.h"

#include <QAbstractHttpServer>
#include <QDeadlineTimer>
#include <QFile>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <algorithm>

// The HTTP side: every parsed request goes to the server's Handle.
class GatewayHttp : public QAbstractHttpServer {
  public:
    explicit GatewayHttp(GatewayServer& server) : m_server(server) {}

  protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        return m_server.Handle(request, socket);
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket* socket) override {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    }

  private:
    GatewayServer& m_server;
};

namespace {

using Headers = std::vector<std::pair<QByteArray, QByteArray>>;

const char* Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 202:
        return "Accepted";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 413:
        return "Payload Too Large";
    case 422:
        return "Unprocessable Entity";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status";
    }
}

QByteArray JsonBytes(const QJsonValue& v) {
    if (v.isArray())
        return QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
    if (v.isObject())
        return QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
    return QByteArray("null");
}

QByteArray Header(const QHttpServerRequest& request, const char* name) {
    for (const auto& [key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value.trimmed();
    }
    return QByteArray();
}

// The event stream goes out in chunks, so that every event reaches the client
// as it is written and the connection stays well-formed HTTP/1.1.
void WriteChunk(QTcpSocket* socket, const QByteArray& data) {
    socket->write(QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n");
}

bool SameSecret(const QByteArray& a, const QByteArray& b) {
    // Every byte is compared, so the time taken tells nothing of where they differ.
    unsigned diff = unsigned(a.size() ^ b.size());
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= unsigned(uint8_t(a[i]) ^ uint8_t(i < b.size() ? b[i] : 0));
    return diff == 0;
}

QByteArray MethodName(QHttpServerRequest::Method m) {
    switch (m) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    default:
        return "OTHER";
    }
}

// Segments of a template ("{x}" or "<arg>" matches any one segment) against a
// path; the matched arguments in order.
bool Match(const QStringList& pattern, const QStringList& path, QStringList& args) {
    if (pattern.size() != path.size())
        return false;
    args.clear();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QString& p = pattern[i];
        if (p.startsWith('{') || p == QLatin1String("<arg>")) {
            if (path[i].isEmpty())
                return false;
            args << path[i];
        } else if (p != path[i]) {
            return false;
        }
    }
    return true;
}

QString AddedTemplate(const GatewayRoute& route) {
    QString path = route.Path;
    int n = 0;
    while (path.contains(QLatin1String("<arg>")))
        path.replace(path.indexOf(QLatin1String("<arg>")), 5, QStringLiteral("{arg%1}").arg(++n));
    return QStringLiteral("/v1/registers/{id}/") + path;
}

} // namespace

// What a later answer needs of its request.
struct Answer {
    QPointer<QTcpSocket> Socket;
    bool Close = false;

    void operator()(const GatewayReply& reply, const Headers& headers = {}) const {
        if (!Socket)
            return;
        const QByteArray body = JsonBytes(reply.Body);
        QByteArray head =
            "HTTP/1.1 " + QByteArray::number(reply.Status) + ' ' + Reason(reply.Status) +
            "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
            "\r\n";
        if (reply.Status == 401)
            head += "WWW-Authenticate: Bearer\r\n";
        for (const auto& [k, v] : headers)
            head += k + ": " + v + "\r\n";
        if (Close)
            head += "Connection: close\r\n";
        Socket->write(head + "\r\n" + body);
        if (Close)
            Socket->disconnectFromHost();
    }
};

struct GatewayServer::Call {
    const QHttpServerRequest& Request;
    Answer Reply;
    QStringList Args;
    QJsonValue Body;
    QDeadlineTimer Deadline{QDeadlineTimer::Forever};
};

struct GatewayServer::Job {
    QString State = QStringLiteral("queued");
    int Done = 0;
    int Total = 0;
    QElapsedTimer Since;
    int Status = 0;
    QJsonValue Result;
    quint64 Ticket = 0;
};

struct GatewayServer::Register {
    QString Id;
    RegisterSession* Session = nullptr;
    QString Device;
    int Speed = 0;
    std::unique_ptr<GatewayJournal> Journal;
    std::unique_ptr<RegisterQueue> Queue;
    QJsonValue ReceiptStatus;
    QSet<QString> KeysInFlight;
    std::map<quint64, Job> Jobs;
    quint64 NextJob = 1;
    std::vector<QPointer<QTcpSocket>> Streams;
    bool Settled = false;
};

GatewayServer::GatewayServer(QObject* parent)
    : QObject(parent), m_http(std::make_unique<GatewayHttp>(*this)) {
    m_builtins = {
        {"GET", "/v1/health", &GatewayServer::Health, HealthDoc(), true},
        {"GET", "/v1/openapi.json", &GatewayServer::OpenApi, OpenApiDoc()},
        {"GET", "/v1/registers", &GatewayServer::Registers, RegistersDoc()},
        {"GET", "/v1/registers/{id}/status", &GatewayServer::Status, StatusDoc()},
        {"GET", "/v1/registers/{id}/journal", &GatewayServer::Journal, JournalDoc()},
        {"GET", "/v1/registers/{id}/journal/stream", &GatewayServer::JournalStream, JournalStreamDoc()},
        {"POST", "/v1/registers/{id}/receipts", &GatewayServer::PostReceipt, PostReceiptDoc()},
        {"GET", "/v1/registers/{id}/receipts/{key}", &GatewayServer::GetReceipt, GetReceiptDoc()},
        {"GET", "/v1/registers/{id}/jobs/{job}", &GatewayServer::GetJob, GetJobDoc()},
        {"DELETE", "/v1/registers/{id}/jobs/{job}", &GatewayServer::DeleteJob, DeleteJobDoc()},
    };
    // The register's reports, PLUs, header lines and thanks message.
    AddRoutes(RegisterOperationRoutes());
    AddPaths(RegisterOperationPaths(), RegisterOperationSchemas());
    // Streams are kept open through proxies that drop quiet connections.
    auto* heartbeat = new QTimer(this);
    connect(heartbeat, &QTimer::timeout, this, [this] {
        for (auto& [id, reg] : m_registers) {
            for (const QPointer<QTcpSocket>& s : reg->Streams) {
                if (s)
                    WriteChunk(s, ": keep-alive\n\n");
            }
        }
    });
    heartbeat->start(15000);
}

GatewayServer::~GatewayServer() {
    Close();
}

bool GatewayServer::OpenRequestLog(const QString& path, QString& error) {
    auto log = std::make_unique<RequestLog>();
    if (!log->Open(path, error))
        return false;
    log->OnFinish(
        [this](const QString& registerId, const QString& key, int status, const QJsonObject& outcome) {
            emit ReceiptOutcome(registerId, key, status, outcome);
        });
    m_log = std::move(log);
    return true;
}

void GatewayServer::AddRegister(const QString& id, RegisterSession& session, const QString& device,
                                int speed) {
    auto reg = std::make_unique<Register>();
    reg->Id = id;
    reg->Session = &session;
    reg->Device = device;
    reg->Speed = speed;
    reg->Journal = std::make_unique<GatewayJournal>();
    reg->Queue = std::make_unique<RegisterQueue>(session);
    if (m_queueCapacity > 0)
        reg->Queue->SetCapacity(m_queueCapacity);
    Register* r = reg.get();
    GatewayJournal* journal = r->Journal.get();
    connect(&session.Journal(), &JournalMonitor::RecordDecoded, journal,
            [r](const JournalRecord& record) { r->Journal->Add(record, r->Session->Settings().Charset); });
    connect(&session.Status(), &StatusReplies::ReceiptStateReceived, journal, [r](quint8 state) {
        const QString name = ReceiptStateName(state);
        r->ReceiptStatus = name.isEmpty() ? QJsonValue() : QJsonValue(name);
    });
    connect(journal, &GatewayJournal::RecordAdded, journal, [r](const QJsonObject& record) {
        const QByteArray event = "id: " + QByteArray::number(record["seq"].toInteger()) +
                                 "\nevent: record\ndata: " + JsonBytes(record) + "\n\n";
        std::erase_if(r->Streams, [](const QPointer<QTcpSocket>& s) { return !s; });
        for (const QPointer<QTcpSocket>& s : r->Streams)
            WriteChunk(s, event);
    });
    m_registers[id] = std::move(reg);
    if (m_http->servers().size() > 0)
        SettleInterrupted(*r);
}

void GatewayServer::AddRoutes(std::vector<GatewayRoute> routes) {
    for (GatewayRoute& r : routes)
        m_routes.push_back(std::move(r));
}

void GatewayServer::AddPaths(const QJsonObject& paths, const QJsonObject& schemas) {
    for (auto it = paths.begin(); it != paths.end(); ++it)
        m_addedPaths.insert(it.key(), it.value());
    for (auto it = schemas.begin(); it != schemas.end(); ++it)
        m_addedSchemas.insert(it.key(), it.value());
}

void GatewayServer::SetQueueCapacity(int capacity) {
    m_queueCapacity = capacity;
    for (auto& [id, reg] : m_registers)
        reg->Queue->SetCapacity(capacity);
}

bool GatewayServer::SetTls(const QString& certificateFile, const QString& keyFile, QString& reason) {
    QFile certFile(certificateFile);
    QFile keyIn(keyFile);
    if (!certFile.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("the certificate %1 cannot be read: %2")
                     .arg(certificateFile, certFile.errorString());
        return false;
    }
    if (!keyIn.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("the key %1 cannot be read: %2").arg(keyFile, keyIn.errorString());
        return false;
    }
    const QSslCertificate certificate(&certFile, QSsl::Pem);
    const QByteArray keyBytes = keyIn.readAll();
    QSslKey key(keyBytes, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyBytes, QSsl::Ec, QSsl::Pem);
    if (certificate.isNull()) {
        reason = QStringLiteral("%1 holds no PEM certificate").arg(certificateFile);
        return false;
    }
    if (key.isNull()) {
        reason = QStringLiteral("%1 holds no PEM private key (RSA or EC, not encrypted)").arg(keyFile);
        return false;
    }
    m_http->sslSetup(certificate, key);
    m_tls = true;
    return true;
}

bool GatewayServer::Listen(const QString& address, quint16 port, const QByteArray& token, QString& reason) {
    QHostAddress host;
    if (address == QLatin1String("localhost"))
        host = QHostAddress::LocalHost;
    else if (!host.setAddress(address)) {
        reason = QStringLiteral("%1 is not an IP address").arg(address);
        return false;
    }
    if (token.isEmpty() && !host.isLoopback()) {
        reason =
            QStringLiteral("listening on %1 needs a token: without one only a loopback address is served")
                .arg(address);
        return false;
    }
    m_token = token;
    const quint16 bound = m_http->listen(host, port);
    if (bound == 0) {
        reason = QStringLiteral("cannot listen on %1:%2 (in use, or not an address of this machine)")
                     .arg(address)
                     .arg(port);
        return false;
    }
    m_port = bound;
    for (auto& [id, reg] : m_registers)
        SettleInterrupted(*reg);
    return true;
}

void GatewayServer::Close() {
    for (QTcpServer* s : m_http->servers())
        s->close();
    m_port = 0;
}

void GatewayServer::Stop() {
    Close();
    for (auto& [id, reg] : m_registers)
        reg->Queue->Stop();
}

bool GatewayServer::Idle() const {
    return std::ranges::none_of(m_registers, [](const auto& r) { return r.second->Queue->Busy(); });
}

void GatewayServer::SettleInterrupted(Register& reg) {
    if (reg.Settled || !m_log)
        return;
    reg.Settled = true;
    std::vector<RequestLog::Entry> open;
    for (RequestLog::Entry& e : m_log->Unfinished()) {
        if (e.Register == reg.Id)
            open.push_back(std::move(e));
    }
    // Oldest first, before anything a client sends.
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        const QString key = it->Key;
        reg.KeysInFlight.insert(key);
        Register* r = &reg;
        reg.Queue->PushFront(std::make_unique<SettleOperation>(*m_log, std::move(*it), m_timeouts),
                             [r, key](const GatewayReply&) { r->KeysInFlight.remove(key); });
    }
}

std::vector<std::pair<QByteArray, QString>> GatewayServer::MountedRoutes() const {
    std::vector<std::pair<QByteArray, QString>> out;
    for (const Builtin& b : m_builtins)
        out.emplace_back(b.Method.toLower(), b.Template);
    for (const GatewayRoute& r : m_routes)
        out.emplace_back(r.Method.toLower(), AddedTemplate(r));
    return out;
}

QJsonObject GatewayServer::OpenApiDocument() const {
    QJsonObject paths;
    for (const Builtin& b : m_builtins) {
        QJsonObject item = paths[b.Template].toObject();
        item.insert(QString::fromLatin1(b.Method.toLower()), b.Doc);
        paths.insert(b.Template, item);
    }
    for (auto it = m_addedPaths.begin(); it != m_addedPaths.end(); ++it) {
        QString key = it.key();
        if (!key.startsWith(QLatin1String("/v1/"))) {
            if (!key.startsWith('/'))
                key.prepend('/');
            key.prepend(QStringLiteral("/v1/registers/{id}"));
        }
        paths.insert(key, it.value());
    }
    QJsonObject document = OpenApiShell(paths);
    if (!m_addedSchemas.isEmpty()) {
        QJsonObject components = document.value(QStringLiteral("components")).toObject();
        QJsonObject schemas = components.value(QStringLiteral("schemas")).toObject();
        for (auto it = m_addedSchemas.begin(); it != m_addedSchemas.end(); ++it)
            schemas.insert(it.key(), it.value());
        components.insert(QStringLiteral("schemas"), schemas);
        document.insert(QStringLiteral("components"), components);
    }
    return document;
}

bool GatewayServer::Handle(const QHttpServerRequest& request, QTcpSocket* socket) {
    Call call{
        request, {socket, Header(request, "connection").compare("close", Qt::CaseInsensitive) == 0}, {}, {}};
    const QString path = request.url().path();
    const QByteArray method = MethodName(request.method());

    const Builtin* builtin = nullptr;
    const GatewayRoute* added = nullptr;
    bool pathKnown = false;
    const QStringList segments = path.split('/');
    for (const Builtin& b : m_builtins) {
        QStringList args;
        if (Match(b.Template.split('/'), segments, args)) {
            pathKnown = true;
            if (b.Method == method) {
                builtin = &b;
                call.Args = args;
            }
        }
    }
    for (const GatewayRoute& r : m_routes) {
        QStringList args;
        if (!builtin && Match(AddedTemplate(r).split('/'), segments, args)) {
            pathKnown = true;
            if (r.Method == method && !added) {
                added = &r;
                call.Args = args;
            }
        }
    }
    const bool open = builtin && builtin->Open;
    if (!open && !m_token.isEmpty() &&
        !SameSecret(Header(request, "authorization"), QByteArray("Bearer ") + m_token)) {
        call.Reply(
            {401, QJsonObject{{"error", "a valid bearer token is required (Authorization: Bearer ...)"}}});
        return true;
    }
    if (!builtin && !added) {
        call.Reply(pathKnown ? GatewayReply{405, QJsonObject{{"error", "this call does not take " +
                                                                           QString::fromLatin1(method)}}}
                             : GatewayReply{404, QJsonObject{{"error", "there is no such call"}}});
        return true;
    }
    // The whole body has been read by now; past the limit it is refused unread by the decoders.
    bool lengthOk = true;
    const QByteArray lengthHeader = Header(request, "content-length");
    if (!lengthHeader.isEmpty() && (lengthHeader.toLongLong(&lengthOk) > MaxBodyBytes || !lengthOk))
        lengthOk = false;
    if (!lengthOk || request.body().size() > MaxBodyBytes) {
        call.Reply(
            {413, QJsonObject{{"error", QStringLiteral("the body is larger than %1 bytes").arg(MaxBodyBytes)},
                              {"field", "body"}}});
        return true;
    }
    const QByteArray timeout = Header(request, "request-timeout");
    if (!timeout.isEmpty()) {
        bool ok = false;
        const qint64 ms = timeout.toLongLong(&ok);
        if (!ok || ms < 1 || ms > 3600000) {
            call.Reply(BadField(QStringLiteral("Request-Timeout"),
                                QStringLiteral("must be milliseconds from 1 to 3600000")));
            return true;
        }
        call.Deadline = QDeadlineTimer(ms);
    }
    const QByteArray body = request.body();
    if (!body.trimmed().isEmpty()) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
        if (error.error != QJsonParseError::NoError) {
            call.Reply(BadField(QStringLiteral("body"), QStringLiteral("is not valid JSON: %1 at offset %2")
                                                            .arg(error.errorString())
                                                            .arg(error.offset)));
            return true;
        }
        call.Body = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
    } else {
        call.Body = QJsonValue(QJsonValue::Undefined);
    }
    if (builtin)
        (this->*(builtin->Run))(call);
    else
        Added(call, *added);
    return true;
}

GatewayServer::Register* GatewayServer::Find(Call& call) {
    const auto it = m_registers.find(call.Args.value(0));
    if (it == m_registers.end()) {
        call.Reply(
            {404, QJsonObject{{"error", "there is no register " + call.Args.value(0)}, {"field", "id"}}});
        return nullptr;
    }
    return it->second.get();
}

void GatewayServer::Enqueue(Call& call, Register& reg, std::unique_ptr<GatewayOperation> op) {
    const Answer answer = call.Reply;
    if (!reg.Queue->Enqueue(std::move(op), call.Deadline, [answer](const GatewayReply& r) { answer(r); })) {
        call.Reply({503, QJsonObject{{"error", "the register's queue is full; try again later"}}},
                   {{"Retry-After", QByteArray::number(reg.Queue->RetryAfterSeconds())}});
    }
}

void GatewayServer::Health(Call& call) {
    call.Reply({200, QJsonObject{{"status", "ok"}, {"registers", int(m_registers.size())}}});
}

void GatewayServer::OpenApi(Call& call) {
    call.Reply({200, OpenApiDocument()});
}

void GatewayServer::Registers(Call& call) {
    QJsonArray list;
    for (const auto& [id, reg] : m_registers) {
        list.append(QJsonObject{{"id", id},
                                {"device", reg->Device},
                                {"speed", reg->Speed},
                                {"connected", reg->Session->Dispatcher().IsOpen()},
                                {"receiptStatus", reg->ReceiptStatus},
                                {"queued", reg->Queue->Waiting() + (reg->Queue->Busy() ? 1 : 0)}});
    }
    call.Reply({200, list});
}

void GatewayServer::Status(Call& call) {
    if (Register* reg = Find(call))
        Enqueue(call, *reg, std::make_unique<StatusOperation>(m_timeouts.StatusMs));
}

void GatewayServer::Journal(Call& call) {
    Register* reg = Find(call);
    if (!reg)
        return;
    const QUrlQuery query = call.Request.query();
    bool ok = true;
    const qint64 after = query.hasQueryItem("after") ? query.queryItemValue("after").toLongLong(&ok) : 0;
    if (!ok || after < 0) {
        call.Reply(BadField(QStringLiteral("after"), QStringLiteral("must be a whole number, 0 or more")));
        return;
    }
    const int limit = query.hasQueryItem("limit") ? query.queryItemValue("limit").toInt(&ok) : 1000;
    if (!ok || limit < 1 || limit > 1000) {
        call.Reply(BadField(QStringLiteral("limit"), QStringLiteral("must be from 1 to 1000")));
        return;
    }
    call.Reply({200, QJsonObject{{"records", reg->Journal->After(after, limit)},
                                 {"last", double(reg->Journal->LastSequence())},
                                 {"firstKept", double(reg->Journal->FirstKept())}}});
}

void GatewayServer::JournalStream(Call& call) {
    Register* reg = Find(call);
    if (!reg || !call.Reply.Socket)
        return;
    bool ok = true;
    qint64 after = reg->Journal->LastSequence();
    const QByteArray lastId = Header(call.Request, "last-event-id");
    const QUrlQuery query = call.Request.query();
    if (query.hasQueryItem("after"))
        after = query.queryItemValue("after").toLongLong(&ok);
    else if (!lastId.isEmpty())
        after = lastId.toLongLong(&ok);
    if (!ok || after < 0) {
        call.Reply(BadField(QStringLiteral("after"), QStringLiteral("must be a whole number, 0 or more")));
        return;
    }
    call.Reply.Socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\n"
        "Transfer-Encoding: chunked\r\n\r\n");
    QByteArray replay = ": journal of register " + reg->Id.toUtf8() + "\n\n";
    for (const QJsonValue& v : reg->Journal->After(after, int(GatewayJournal::DefaultCapacity)))
        replay += "id: " + QByteArray::number(v["seq"].toInteger()) +
                  "\nevent: record\ndata: " + JsonBytes(v) + "\n\n";
    WriteChunk(call.Reply.Socket, replay);
    reg->Streams.push_back(call.Reply.Socket);
}

void GatewayServer::PostReceipt(Call& call) {
    Register* reg = Find(call);
    if (!reg)
        return;
    const QByteArray keyBytes = Header(call.Request, "idempotency-key");
    const QString problem = IdempotencyKeyProblem(keyBytes);
    if (!problem.isEmpty()) {
        call.Reply(BadField(QStringLiteral("Idempotency-Key"), problem));
        return;
    }
    const QString key = QString::fromLatin1(keyBytes);
    if (!m_log) {
        call.Reply(
            {503, QJsonObject{{"error", "no request log is open, so receipts cannot be made exactly once"}}});
        return;
    }
    if (reg->KeysInFlight.contains(key)) {
        call.Reply({409, QJsonObject{{"error", "a request with this Idempotency-Key is being carried out"}}},
                   {{"Retry-After", "1"}});
        return;
    }
    if (const std::optional<RequestLog::Entry> earlier = m_log->Find(reg->Id, key)) {
        if (!earlier->Finished) {
            // Its settling did not get through at start-up: it is tried again, before anything new.
            const QString settling = key;
            reg->KeysInFlight.insert(settling);
            reg->Queue->PushFront(
                std::make_unique<SettleOperation>(*m_log, *earlier, m_timeouts),
                [reg, settling](const GatewayReply&) { reg->KeysInFlight.remove(settling); });
            call.Reply(
                {409, QJsonObject{{"error", "a request with this Idempotency-Key was interrupted and is "
                                            "being settled"}}},
                {{"Retry-After", "1"}});
        } else if (earlier->Body != call.Body) {
            call.Reply(BadField(QStringLiteral("Idempotency-Key"),
                                QStringLiteral("this key was used for another receipt")));
        } else {
            // The first outcome again; nothing is sent.
            call.Reply({earlier->Status, earlier->Outcome}, {{"Idempotent-Replayed", "true"}});
        }
        return;
    }
    const ReceiptContext context{&reg->Session->Table(), &reg->Session->Barcodes().Applied()};
    std::variant<GatewayReply, ReceiptPlan> decoded = DecodeReceipt(call.Body, context);
    if (auto* refusal = std::get_if<GatewayReply>(&decoded)) {
        call.Reply(*refusal);
        return;
    }
    auto op = std::make_unique<ReceiptOperation>(*m_log, reg->Id, key, call.Body,
                                                 std::move(std::get<ReceiptPlan>(decoded)),
                                                 reg->Session->Settings().Charset, m_timeouts);
    const Answer answer = call.Reply;
    if (!reg->Queue->Enqueue(std::move(op), call.Deadline, [reg, key, answer](const GatewayReply& r) {
            reg->KeysInFlight.remove(key);
            answer(r);
        })) {
        call.Reply({503, QJsonObject{{"error", "the register's queue is full; try again later"}}},
                   {{"Retry-After", QByteArray::number(reg->Queue->RetryAfterSeconds())}});
        return;
    }
    reg->KeysInFlight.insert(key);
}

void GatewayServer::GetReceipt(Call& call) {
    Register* reg = Find(call);
    if (!reg)
        return;
    const QString key = call.Args.value(1);
    const std::optional<RequestLog::Entry> entry = m_log ? m_log->Find(reg->Id, key) : std::nullopt;
    if (!entry && reg->KeysInFlight.contains(key)) {
        call.Reply({200, QJsonObject{{"key", key}, {"state", "queued"}}});
        return;
    }
    if (!entry) {
        call.Reply({404, QJsonObject{{"error", "no receipt request has this key"}, {"field", "key"}}});
        return;
    }
    if (!entry->Finished) {
        call.Reply({200, QJsonObject{{"key", key}, {"state", "in progress"}}});
        return;
    }
    call.Reply({200, QJsonObject{{"key", key},
                                 {"state", entry->Status == 201 ? "completed" : "failed"},
                                 {"status", entry->Status},
                                 {"outcome", entry->Outcome}}});
}

QJsonObject GatewayServer::JobJson(const QString& registerId, quint64 id, const Job& job) const {
    QJsonObject o{{"job", QStringLiteral("/v1/registers/%1/jobs/%2").arg(registerId).arg(id)},
                  {"state", job.State},
                  {"done", job.Done},
                  {"total", job.Total}};
    if (job.State == QLatin1String("running") && job.Done > 0 && job.Total > job.Done)
        o.insert("timeLeftMs", double(job.Since.elapsed()) / job.Done * (job.Total - job.Done));
    if (job.Status != 0) {
        o.insert("status", job.Status);
        o.insert("result", job.Result);
    }
    return o;
}

void GatewayServer::GetJob(Call& call) {
    Register* reg = Find(call);
    if (!reg)
        return;
    const auto it = reg->Jobs.find(call.Args.value(1).toULongLong());
    if (it == reg->Jobs.end()) {
        call.Reply({404, QJsonObject{{"error", "there is no such job"}, {"field", "job"}}});
        return;
    }
    call.Reply({200, JobJson(reg->Id, it->first, it->second)});
}

void GatewayServer::DeleteJob(Call& call) {
    Register* reg = Find(call);
    if (!reg)
        return;
    const auto it = reg->Jobs.find(call.Args.value(1).toULongLong());
    if (it == reg->Jobs.end()) {
        call.Reply({404, QJsonObject{{"error", "there is no such job"}, {"field", "job"}}});
        return;
    }
    Job& job = it->second;
    if (job.State == QLatin1String("queued") && reg->Queue->Withdraw(job.Ticket)) {
        job.State = QStringLiteral("cancelled");
        job.Status = 200;
        job.Result = QJsonObject{{"cancelled", true}, {"done", 0}};
    } else if (job.State == QLatin1String("running") && reg->Queue->CancelRunning(job.Ticket)) {
        job.State = QStringLiteral("cancelling");
    }
    call.Reply({200, JobJson(reg->Id, it->first, job)});
}

void GatewayServer::Added(Call& call, const GatewayRoute& route) {
    Register* reg = Find(call);
    if (!reg)
        return;
    GatewayCall gc{reg->Id, call.Args.mid(1), call.Request.query(), call.Body};
    GatewayDecoded decoded = route.Decode(gc);
    if (auto* refusal = std::get_if<GatewayReply>(&decoded)) {
        call.Reply(*refusal);
        return;
    }
    std::unique_ptr<GatewayOperation> op = std::move(std::get<std::unique_ptr<GatewayOperation>>(decoded));
    if (!route.Job) {
        Enqueue(call, *reg, std::move(op));
        return;
    }
    const quint64 id = reg->NextJob++;
    Register* r = reg;
    GatewayOperation* raw = op.get();
    connect(raw, &GatewayOperation::Progressed, this, [r, id](int done, int total) {
        const auto it = r->Jobs.find(id);
        if (it == r->Jobs.end())
            return;
        if (it->second.State == QLatin1String("queued")) {
            it->second.State = QStringLiteral("running");
            it->second.Since.start();
        }
        it->second.Done = done;
        it->second.Total = total;
    });
    quint64 ticket = 0;
    if (!reg->Queue->Enqueue(
            std::move(op), call.Deadline,
            [r, id](const GatewayReply& reply) {
                const auto it = r->Jobs.find(id);
                if (it == r->Jobs.end())
                    return;
                it->second.State = reply.Status < 300    ? QStringLiteral("done")
                                   : reply.Status == 504 ? QStringLiteral("dropped")
                                                         : QStringLiteral("failed");
                it->second.Status = reply.Status;
                it->second.Result = reply.Body;
            },
            &ticket)) {
        call.Reply({503, QJsonObject{{"error", "the register's queue is full; try again later"}}},
                   {{"Retry-After", QByteArray::number(reg->Queue->RetryAfterSeconds())}});
        return;
    }
    Job job;
    job.Ticket = ticket;
    job.Since.start();
    reg->Jobs[id] = job;
    // Finished jobs are kept for a while, a bounded number of them.
    while (reg->Jobs.size() > 256 && reg->Jobs.begin()->second.Status != 0)
        reg->Jobs.erase(reg->Jobs.begin());
    const QJsonObject body = JobJson(reg->Id, id, reg->Jobs[id]);
    call.Reply({202, body}, {{"Location", body["job"].toString().toLatin1()}});
}
