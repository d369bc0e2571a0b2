#include "session/SessionSetup.h"

#include "barcodes/BarcodeOptionsFile.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"

#include <QDir>
#include <QFileInfo>

void SetSessionDevice(RegisterSession& session, const QString& device) {
    // Opened by its path: the COM numbers stay the window's.
    session.RS232().Serial().SetDevicePath(device);
}

SessionSetupResult SetUpSession(RegisterSession& session, const SessionPlace& place) {
    SessionSetupResult result;
    if (place.Settings) {
        session.SetLanguage(place.Settings->Language);
        session.SetCharset(place.Settings->Charset);
        session.SetDecimalSeparator(place.Settings->DecimalSeparator);
    }
    if (!place.DataDir.isEmpty()) {
        result.TablePath = QDir(place.DataDir).filePath(QString::fromLatin1(DatabaseFileName));
        const bool existed = QFileInfo::exists(result.TablePath);
        if (!place.LockTable)
            session.LeaveTableUnlocked();
        result.Table = session.LoadTable(place.DataDir);
        result.TableMade = !existed && result.Table.Ok;
        const BarcodeOptionsLoad barcodes = LoadBarcodeTypes(place.DataDir);
        session.Barcodes().SetApplied(barcodes.Table);
        result.BarcodeMessage = barcodes.Message;
    }
    if (place.Speed)
        session.Dispatcher().ChangeSpeed(*place.Speed);
    if (!place.Device.isEmpty())
        SetSessionDevice(session, place.Device);
    if (place.OpenLine) {
        result.LineOpen = session.Dispatcher().EnsurePortOpen();
        if (!result.LineOpen)
            result.LineError = session.RS232().Serial().OpenError();
    }
    return result;
}

std::unique_ptr<RegisterSession> OpenSession(const SessionPlace& place, SessionSetupResult& result,
                                             QObject* parent) {
    auto session = std::make_unique<RegisterSession>(place.Settings.value_or(SessionSettings{}), parent);
    result = SetUpSession(*session, place);
    return session;
}
