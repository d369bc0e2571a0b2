#include "common/ProgramVersion.h"
#include "common/TerminationSignals.h"
#include "gateway/GatewayConfig.h"
#include "gateway/GatewayServer.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryTarget.h"
#include "protocol/RegisterCharset.h"
#include "protocol/RegisterFinder.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/TCommPortDriver.h"
#include "session/RegisterSession.h"
#include "session/SessionSetup.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <memory>
#include <vector>

namespace {

// A PLU table just made for a simulated register takes the articles the
// register comes programmed with, as a shop's table read from its register
// would: their barcodes then sell by barcode. Returns how many.
int TakeSimulatedArticles(InProcessRegister& simulator, RegisterSession& session) {
    const int charset = session.Settings().Charset;
    int taken = 0;
    simulator.WithModel([&](RegisterModel& model) {
        for (int n = 0; n < PluTable::Size; ++n) {
            const SimPlu& plu = model.Plu(n);
            if (plu.Description[0] == 0)
                continue;
            auto text = [charset](std::span<const uint8_t> codes) {
                QByteArray bytes;
                for (const uint8_t c : codes) {
                    if (c == 0)
                        break;
                    bytes += char(FromRegisterChar(c, charset));
                }
                return bytes;
            };
            PluRecord& entry = session.Table()[n];
            entry.SetDescription(text(plu.Description));
            entry.SetBarcode(text(plu.Barcode));
            entry.Price = plu.Price / 100.0;
            entry.Flags = plu.Flags;
            entry.Unit = plu.Unit;
            ++taken;
        }
    });
    return taken;
}

struct Served {
    GatewayRegisterEntry Entry;
    std::unique_ptr<InProcessRegister> Simulator;
    std::unique_ptr<RegisterSession> Session;
    std::unique_ptr<HistoryRecorder> Recorder;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvex-gateway"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    GatewayConfig config;
    QString error;
    if (!ParseGatewayArguments(app.arguments().mid(1), config, error)) {
        err << "orvex-gateway: " << error << "\n" << GatewayUsage();
        return 2;
    }
    if (config.Help) {
        out << GatewayUsage();
        return 0;
    }
    if (config.Version) {
        out << "orvex-gateway " << ProgramVersion << "\n";
        return 0;
    }
    if (config.Registers.empty() && config.Simulate)
        config.Registers.push_back({QStringLiteral("1"), QString(), 19200});
    if (config.Registers.empty()) {
        err << "orvex-gateway: no register: give --register ID=DEVICE[@SPEED] or --simulate\n";
        return 2;
    }
    if (config.Registers.size() > size_t(pnCOM16) + 1) {
        err << "orvex-gateway: at most " << int(pnCOM16) + 1 << " registers\n";
        return 2;
    }
    const QString dataDir = config.DataDir.isEmpty()
                                ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
                                : config.DataDir;
    if (!QDir().mkpath(dataDir)) {
        err << "orvex-gateway: the data folder " << dataDir << " cannot be made\n";
        return 1;
    }
    const QString tokenFile =
        config.TokenFile.isEmpty() ? QDir(dataDir).filePath("gateway.token") : config.TokenFile;
    QByteArray token;
    bool made = false;
    if (!ObtainToken(tokenFile, token, made, error)) {
        err << "orvex-gateway: " << error << "\n";
        return 1;
    }
    if (made)
        out << "orvex-gateway: a new token was made in " << tokenFile << " (shown this once): " << token
            << "\n";

    // Declared before the server: the server's queues let go of the sessions'
    // lines as it goes, so the sessions (and the history their recorders
    // write to) outlive it.
    std::unique_ptr<HistoryStore> history;
    std::vector<Served> served;
    GatewayServer server;
    const QString logFile =
        config.LogFile.isEmpty() ? QDir(dataDir).filePath("gateway-requests.sqlite") : config.LogFile;
    if (!server.OpenRequestLog(logFile, error)) {
        err << "orvex-gateway: " << error << "\n";
        return 1;
    }
    if (!config.TlsCertificate.isEmpty() && !server.SetTls(config.TlsCertificate, config.TlsKey, error)) {
        err << "orvex-gateway: " << error << "\n";
        return 1;
    }

    if (config.Record) {
        HistoryTarget target;
        history = std::make_unique<HistoryStore>();
        if (!ParseHistoryTarget(config.History, dataDir, target, error) || !history->Open(target, error)) {
            err << "orvex-gateway: the sales history cannot be opened: " << error << "\n";
            return 1;
        }
    }

    for (const GatewayRegisterEntry& entry : config.Registers) {
        Served s{entry, nullptr, nullptr, nullptr};
        if (config.Simulate) {
            SimOptions options = InProcessRegister::ProgramDefaults();
            // Programs drive the receipts here; no cashier of its own.
            options.SellEveryMs = 0;
            options.Speed = uint32_t(entry.Speed);
            s.Simulator = std::make_unique<InProcessRegister>(options);
            s.Entry.Device = s.Simulator->Start();
            if (s.Entry.Device.isEmpty()) {
                err << "orvex-gateway: the simulated register " << entry.Id
                    << " did not start: " << s.Simulator->ErrorString() << "\n";
                return 1;
            }
        }
        SessionPlace place;
        place.Device = s.Entry.Device;
        place.Speed = RegisterSpeedOf(entry.Speed);
        place.DataDir = dataDir;
        // The gateway only looks PLUs up: the window may keep the same folder.
        place.LockTable = false;
        SessionSettings settings;
        settings.Language = 0;
        place.Settings = settings;
        SessionSetupResult setup;
        s.Session = OpenSession(place, setup);
        if (!setup.Table.Ok) {
            err << "orvex-gateway: " << QDir::toNativeSeparators(setup.TablePath) << ": "
                << setup.Table.Message
                << (setup.Table.Detail.isEmpty() ? QString() : " (" + setup.Table.Detail + ")") << "\n";
            return 1;
        }
        if (setup.TableMade && s.Simulator) {
            const int taken = TakeSimulatedArticles(*s.Simulator, *s.Session);
            const DatabaseFileResult saved = s.Session->SaveTable(dataDir);
            err << "orvex-gateway: " << QDir::toNativeSeparators(setup.TablePath)
                << " was missing: made with the default PLUs and the simulated register's " << taken
                << " articles" << (saved.Ok ? QString() : " (not saved: " + saved.Message + ")") << "\n";
        } else if (setup.TableMade) {
            err << "orvex-gateway: " << QDir::toNativeSeparators(setup.TablePath)
                << " was missing: made with the default PLUs\n";
        }
        if (!setup.BarcodeMessage.isEmpty())
            err << "orvex-gateway: " << setup.BarcodeMessage << "\n";
        if (!setup.LineOpen)
            err << "orvex-gateway: register " << entry.Id << ": " << s.Entry.Device
                << " cannot be opened now (" << setup.LineError << "); each call tries again\n";
        if (history)
            s.Recorder = std::make_unique<HistoryRecorder>(*s.Session, *history, QString());
        served.push_back(std::move(s));
    }
    err.flush();
    // Every receipt request's outcome is kept with its register's history,
    // those settled after a restart among them.
    QObject::connect(
        &server, &GatewayServer::ReceiptOutcome, &app,
        [&served](const QString& registerId, const QString& key, int status, const QJsonObject& outcome) {
            for (Served& s : served) {
                if (s.Entry.Id == registerId && s.Recorder)
                    s.Recorder->GatewayReceipt(key, status, outcome, QDateTime::currentMSecsSinceEpoch());
            }
        });
    for (Served& s : served)
        server.AddRegister(s.Entry.Id, *s.Session, s.Entry.Device, s.Entry.Speed);

    if (!server.Listen(config.Address, config.Port, token, error)) {
        err << "orvex-gateway: " << error << "\n";
        return 1;
    }
    out << "orvex-gateway: listening on " << (config.TlsCertificate.isEmpty() ? "http" : "https") << "://"
        << (config.Address.contains(':') ? '[' + config.Address + ']' : config.Address) << ':'
        << server.Port() << "\n";
    for (const Served& s : served)
        out << "orvex-gateway: register " << s.Entry.Id << " on " << s.Entry.Device << " at " << s.Entry.Speed
            << " bit/s\n";
    out.flush();

    // A stop lets the step on each line end, as a step ends on its own: by
    // its record, or by its time-out (a receipt interrupted after that is
    // settled from the request log at the next start).
    QTimer stopping;
    QDeadlineTimer stopBy;
    stopping.setInterval(20);
    QObject::connect(&stopping, &QTimer::timeout, &app, [&] {
        if (server.Idle() || stopBy.hasExpired())
            QCoreApplication::quit();
    });
    HandleTerminationSignals(&app, [&] {
        if (stopping.isActive())
            return;
        const ReceiptTimeouts timeouts;
        stopBy.setRemainingTime(timeouts.StepMs + timeouts.StatusMs);
        server.Stop();
        stopping.start();
    });
    const int status = app.exec();
    server.Close();
    for (Served& s : served)
        s.Session->Abandon();
    if (history)
        (void)history->Flush(5000);
    return status;
}
