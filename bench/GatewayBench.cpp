// The register gateway over HTTP against simulated registers on their own
// threads, their lines paced at 19200 bit/s.
//
// 1. One 10-line receipt (ten PLU sales and a cash payment), from the POST to
//    the 201: elapsed time / line time of the frames and records that crossed
//    the line (10 bits a byte, both directions: each step waits for its
//    record, so the line carries one direction at a time), with each step
//    on the disk before the next leaves and without. Goal <= 1.10.
// 2. 8 clients posting receipts (2 lines and a payment each) to 2 registers:
//    throughput against the two lines' capacity (the line time of all the
//    bytes moved, per line), p50 and p99 of the time a client waits for its
//    answer. Goal: within 10 % of capacity. Receipts per client: argv[1]
//    (50 unless given; the full figure is 500).
// 3. Idle: the process's CPU time over wall time while nothing is asked.
//    Goal <= 0.01.

#include "gateway/GatewayServer.h"
#include "gateway/ReceiptRequest.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/FrameCodec.h"
#include "serial/TCommPortDriver.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"
#include "sim/InProcessRegister.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr uint32_t Speed = 19200;

struct Line {
    std::unique_ptr<InProcessRegister> Sim;
    std::unique_ptr<RegisterSession> Session;
    qint64 BytesIn = 0;
};

qint64 Wire(const std::vector<uint8_t>& payload) {
    return qint64(EncodedFrameSize(payload));
}

double LineSeconds(qint64 bytes) {
    return double(bytes) * 10.0 / double(Speed);
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The bytes a receipt of this body sends: the receipt status request and its frames.
qint64 BytesOut(const QJsonObject& body) {
    const auto plan = std::get<ReceiptPlan>(DecodeReceipt(body, ReceiptContext{}));
    qint64 n = Wire({'V'});
    for (const ReceiptStep& s : plan.Steps)
        n += Wire(s.Frame);
    return n;
}

QJsonObject Receipt(int lines) {
    QJsonArray l;
    for (int i = 0; i < lines; ++i)
        l.append(QJsonObject{{"plu", 1 + i % 7}});
    return {{"lines", l}, {"payments", QJsonArray{QJsonObject{{"type", "cash"}}}}};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int perClient = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    QTemporaryDir dir;
    GatewayServer server;
    QString error;
    if (!server.OpenRequestLog(dir.filePath("requests.sqlite"), error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::vector<Line> lines(2);
    for (size_t i = 0; i < lines.size(); ++i) {
        SimOptions options;
        options.Speed = Speed;
        options.SellEveryMs = 0;
        lines[i].Sim = std::make_unique<InProcessRegister>(options);
        const QString device = lines[i].Sim->Start();
        lines[i].Session = std::make_unique<RegisterSession>();
        TCommPortDriver::SetDeviceOverride(TComPortNumber(i), device);
        lines[i].Session->Dispatcher().ChangePort(TComPortNumber(i));
        lines[i].Session->Dispatcher().ChangeSpeed(br19200);
        if (device.isEmpty() || !lines[i].Session->Dispatcher().EnsurePortOpen()) {
            std::fprintf(stderr, "register %zu did not start\n", i + 1);
            return 1;
        }
        auto& driver = lines[i].Session->RS232().Serial();
        auto framing = driver.OnReceiveData;
        qint64* count = &lines[i].BytesIn;
        driver.OnReceiveData = [count, framing](TCommPortDriver* sender, std::span<const uint8_t> data) {
            *count += qint64(data.size());
            framing(sender, data);
        };
        server.AddRegister(QString::number(i + 1), *lines[i].Session, device, int(Speed));
    }
    if (!server.Listen("127.0.0.1", 0, "bench", error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QNetworkAccessManager net;
    int keys = 0;
    const auto post = [&](int reg, const QJsonObject& body) {
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1/v1/registers/%2/receipts").arg(server.Port()).arg(reg)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        request.setRawHeader("Authorization", "Bearer bench");
        request.setRawHeader("Idempotency-Key", QByteArray::number(++keys));
        return net.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    };
    // Waits sleep in the event loop: a spinning wait would take the CPU the registers' threads need.
    const auto wait = [](QNetworkReply* reply) {
        if (!reply->isFinished()) {
            QEventLoop loop;
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };

    // 1. One 10-line receipt, each step on the disk before the next (the
    // default) and the line never waiting for the disk; a first receipt
    // outside the measure opens the connection.
    wait(post(1, Receipt(1)));
    const QJsonObject ten = Receipt(10);
    QElapsedTimer clock;
    for (const bool durable : {true, false}) {
        ReceiptTimeouts timeouts;
        timeouts.DurableSteps = durable;
        server.SetReceiptTimeouts(timeouts);
        const qint64 inBefore = lines[0].BytesIn;
        clock.start();
        const int status = wait(post(1, ten));
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        const qint64 bytes = BytesOut(ten) + lines[0].BytesIn - inBefore;
        std::printf(
            "10-line receipt over HTTP at %u bit/s, %s: %.3f s, %lld bytes, line time %.3f s, ratio %.3f "
            "(goal <= 1.10)%s\n",
            Speed, durable ? "each step on the disk first" : "steps written behind", seconds,
            static_cast<long long>(bytes), LineSeconds(bytes), seconds / LineSeconds(bytes),
            status == 201 ? "" : "  FAILED");
    }
    server.SetReceiptTimeouts({});

    // 2. 8 clients, each posting its next receipt when the last one is answered.
    constexpr int Clients = 8;
    const QJsonObject two = Receipt(2);
    const qint64 outEach = BytesOut(two);
    std::vector<double> waits;
    std::vector<qint64> inBefore2{lines[0].BytesIn, lines[1].BytesIn};
    std::vector<int> sent(Clients, 0), perLine(2, 0);
    int failed = 0, running = 0;
    std::function<void(int)> next = [&](int client) {
        if (sent[size_t(client)] == perClient)
            return;
        ++sent[size_t(client)];
        ++running;
        const int reg = 1 + client % 2;
        ++perLine[size_t(reg - 1)];
        auto* started = new QElapsedTimer;
        started->start();
        QNetworkReply* reply = post(reg, two);
        QObject::connect(reply, &QNetworkReply::finished, [&, reply, started, client] {
            waits.push_back(double(started->nsecsElapsed()) / 1e6);
            delete started;
            failed += reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 201 ? 0 : 1;
            reply->deleteLater();
            --running;
            next(client);
        });
    };
    QEventLoop allAnswered;
    clock.restart();
    for (int c = 0; c < Clients; ++c)
        next(c);
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &allAnswered, [&] {
        if (running == 0)
            allAnswered.quit();
    });
    check.start(20);
    allAnswered.exec();
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    double busiest = 0;
    for (size_t i = 0; i < 2; ++i)
        busiest = std::max(busiest, LineSeconds(outEach * perLine[i] + lines[i].BytesIn - inBefore2[i]));
    std::sort(waits.begin(), waits.end());
    const auto pct = [&](double p) {
        return waits.empty() ? 0.0 : waits[size_t(p * double(waits.size() - 1))];
    };
    std::printf(
        "%d clients x %d receipts to 2 registers: %.2f s, %.1f receipts/s, busiest line's time %.2f s, "
        "throughput %.3f of capacity (goal >= 0.90), wait p50 %.0f ms p99 %.0f ms, %d failed%s\n",
        Clients, perClient, elapsed, double(waits.size()) / elapsed, busiest, busiest / elapsed, pct(0.5),
        pct(0.99), failed, failed ? "  FAILED" : "");

    // 3. Idle.
    const double cpu0 = CpuSeconds();
    QEventLoop idleLoop;
    QTimer::singleShot(3000, &idleLoop, &QEventLoop::quit);
    clock.restart();
    idleLoop.exec();
    const double idle = (CpuSeconds() - cpu0) / (double(clock.nsecsElapsed()) / 1e9);
    std::printf("idle gateway with 2 registers: CPU/wall %.4f (goal <= 0.01)\n", idle);
    server.Close();
    for (Line& l : lines)
        l.Session->Dispatcher().Disconnect();
    return 0;
}
