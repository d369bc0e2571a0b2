#pragma once

#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <vector>

// A PostgreSQL server that goes away and comes back without touching the
// real one (other tests use it meanwhile): a Unix-socket relay on a thread of
// its own, in front of the server's socket. Down() closes it and cuts every
// connection through it, Up() opens it again.
class SocketProxy {
  public:
    SocketProxy(const QString& listenPath, const QString& upstreamPath) {
        m_worker = new Worker(listenPath, upstreamPath);
        m_worker->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
        m_thread.start();
    }
    ~SocketProxy() {
        Down();
        m_thread.quit();
        m_thread.wait();
    }
    bool Up() {
        bool ok = false;
        QMetaObject::invokeMethod(
            m_worker, [&] { ok = m_worker->Up(); }, Qt::BlockingQueuedConnection);
        return ok;
    }
    void Down() {
        QMetaObject::invokeMethod(
            m_worker, [&] { m_worker->Down(); }, Qt::BlockingQueuedConnection);
    }

  private:
    class Worker : public QObject {
      public:
        Worker(QString listenPath, QString upstreamPath)
            : m_listen(std::move(listenPath)), m_upstream(std::move(upstreamPath)) {}
        bool Up() {
            if (m_server)
                return true;
            QLocalServer::removeServer(m_listen);
            m_server = new QLocalServer(this);
            QObject::connect(m_server, &QLocalServer::newConnection, this, [this] {
                while (QLocalSocket* client = m_server->nextPendingConnection())
                    Relay(client);
            });
            return m_server->listen(m_listen);
        }
        void Down() {
            delete m_server;
            m_server = nullptr;
            for (const QPointer<QLocalSocket>& socket : m_sockets)
                if (socket) {
                    socket->abort();
                    socket->deleteLater();
                }
            m_sockets.clear();
            QLocalServer::removeServer(m_listen);
        }

      private:
        void Relay(QLocalSocket* client) {
            auto* upstream = new QLocalSocket(this);
            client->setParent(this);
            upstream->connectToServer(m_upstream);
            if (!upstream->waitForConnected(2000)) {
                client->abort();
                client->deleteLater();
                upstream->deleteLater();
                return;
            }
            m_sockets.push_back(client);
            m_sockets.push_back(upstream);
            QObject::connect(client, &QLocalSocket::readyRead, upstream,
                             [=] { upstream->write(client->readAll()); });
            QObject::connect(upstream, &QLocalSocket::readyRead, client,
                             [=] { client->write(upstream->readAll()); });
            QObject::connect(client, &QLocalSocket::disconnected, upstream,
                             &QLocalSocket::disconnectFromServer);
            QObject::connect(upstream, &QLocalSocket::disconnected, client,
                             &QLocalSocket::disconnectFromServer);
            if (client->bytesAvailable() > 0)
                upstream->write(client->readAll());
        }

        QString m_listen;
        QString m_upstream;
        QLocalServer* m_server = nullptr;
        std::vector<QPointer<QLocalSocket>> m_sockets;
    };

    QThread m_thread;
    Worker* m_worker = nullptr;
};
