#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrlQuery>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

class RegisterSession;

// The answer to one call: an HTTP status and its JSON body.
struct GatewayReply {
    int Status = 200;
    QJsonValue Body;
};

// A call refused for one of its fields: 400 {"error": message, "field": field}.
// Nothing reaches the line for it.
[[nodiscard]] GatewayReply BadField(const QString& field, const QString& message);

// A call as the server hands it on once its own checks passed (the token, the
// size of the body, JSON syntax).
struct GatewayCall {
    // The register's id in the path.
    QString Register;
    // The further arguments of the path, in order ("5" of plus/5).
    QStringList Arguments;
    QUrlQuery Query;
    // Undefined when the call has no body.
    QJsonValue Body;
};

// One piece of work for a register, started when its turn in the register's
// queue comes: nothing it does reaches the line before Start.
class GatewayOperation : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Works on the session and emits Finished exactly once, possibly before
    // Start returns.
    virtual void Start(RegisterSession& session) = 0;
    // A job asked to stop: it finishes at its next safe point, saying what
    // was done.
    virtual void Cancel() {}

  signals:
    void Finished(const GatewayReply& reply);
    // A job's n of m.
    void Progressed(int done, int total);

  protected:
    // A connection to the session cut when the operation finishes.
    void Watch(QMetaObject::Connection connection) { m_watched.push_back(connection); }
    // Emits Finished the first time only, once the watched connections are cut.
    void FinishOnce(const GatewayReply& reply);
    [[nodiscard]] bool HasFinished() const { return m_finished; }

  private:
    std::vector<QMetaObject::Connection> m_watched;
    bool m_finished = false;
};

// A checked call becomes an operation; a call that fails its checks becomes
// its refusal.
using GatewayDecoded = std::variant<GatewayReply, std::unique_ptr<GatewayOperation>>;

// One call under /v1/registers/{id}/, such as GET "plus/<arg>".
struct GatewayRoute {
    QByteArray Method;
    // Relative to the register, "<arg>" for each argument.
    QString Path;
    // A job answers 202 with its URL at once and runs in its turn; any other
    // call is answered when its operation finishes.
    bool Job = false;
    std::function<GatewayDecoded(const GatewayCall&)> Decode;
};
