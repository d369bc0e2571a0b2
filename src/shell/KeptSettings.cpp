#include "shell/KeptSettings.h"

#include "printing/TPLUPrintForm.h"
#include "protocol/RegisterFinder.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/TCommPortDriver.h"
#include "session/RegisterSession.h"
#include "shell/FormSet.h"
#include "shell/MainMenus.h"
#include "shell/TUserForm.h"
#include "shell/WindowGateway.h"
#include "shell/WindowHistory.h"
#include "toolkit/FileDialogs.h"

#include <QAction>
#include <QSettings>
#include <array>
#include <utility>

namespace {

using Choice = std::pair<const char*, const char*>; // value kept, menu item

struct MenuChoice {
    const char* Key;
    std::initializer_list<Choice> Choices;
};

// The Settings menu's choices, each kept as a readable value.
const std::array<MenuChoice, 8>& MenuChoices() {
    static const std::array<MenuChoice, 8> choices{{
        {"Language", {{"English", "MnEnglish"}, {"Serbian", "MnSerbian"}}},
        {"RegisterCharset",
         {{"Default", "DefCSet"},
          {"Cyrillic", "CyrCSet"},
          {"Latin", "LatCSet"},
          {"RegisterLetters", "MnCRAsciiletters"}}},
        {"TextSize", {{"8", "FS8"}, {"10", "FS10"}, {"12", "FS12"}}},
        {"WordWrap", {{"false", "WRNo"}, {"true", "WRYes"}}},
        {"SaleAfterScan", {{"true", "MnSaleafter"}, {"false", "MnUsersale"}}},
        {"RegisterVersion", {{"240", "Mnv240"}, {"250", "Mnv250"}}},
        {"SpreadsheetLayout", {{"WithMacros", "Filewithmacros"}, {"Standard", "Standardfile"}}},
        {"BarcodeUniqueness", {{"true", "BarcMnOn"}, {"false", "BarcMnOff"}}},
    }};
    return choices;
}

constexpr const char* PortKey = "Port";
constexpr const char* SpeedKey = "Speed";
constexpr const char* GeometryKey = "Window/Geometry";
constexpr const char* PrintFieldsKey = "PluPrint/Fields";
constexpr const char* OpenFolderKey = "Folders/Open";
constexpr const char* SaveFolderKey = "Folders/Save";
constexpr const char* ShopNameKey = "ShopName";
constexpr const char* HistoryKey = "History";
constexpr const char* GatewayOnKey = "ServeOtherPrograms";
constexpr const char* GatewayPortKey = "ServePort";

int KeptSpeedOf(const QVariant& value) {
    const int speed = value.toInt();
    return RegisterSpeedOf(speed) ? speed : 0;
}

// Picks a menu item as the user would, so that its handler applies it.
void Pick(const MainMenus& menus, const QString& name) {
    QAction* action = menus.Action(name);
    if (action && action->isEnabled() && !action->isChecked())
        action->trigger();
}

} // namespace

KeptSettings::KeptSettings(std::unique_ptr<QSettings> store, FormSet& forms, StartOptions options)
    : QObject(&forms.UserForm()), m_store(std::move(store)), m_forms(forms), m_options(options) {
    connect(&forms.UserForm(), &TUserForm::Closing, this, &KeptSettings::Save);
}

KeptSettings::~KeptSettings() = default;

std::unique_ptr<QSettings> KeptSettings::UserStore() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("orvex-commander"), QStringLiteral("orvex-commander"));
}

int KeptSettings::KeptSpeed(QSettings& store) {
    return KeptSpeedOf(store.value(QLatin1String(SpeedKey)));
}

QString KeptSettings::KeptHistory(QSettings& store) {
    return store.value(QLatin1String(HistoryKey)).toString().trimmed();
}

void KeptSettings::Restore() {
    const MainMenus& menus = *m_forms.UserForm().Menus();
    for (const MenuChoice& kept : MenuChoices()) {
        const QString value = m_store->value(QLatin1String(kept.Key)).toString();
        for (const auto& [name, action] : kept.Choices) {
            if (value == QLatin1String(name))
                Pick(menus, QString::fromLatin1(action));
        }
    }
    // Start-up puts COM1 at 19200 on the line as the window first shows; the
    // kept or given port and speed follow it, so the first exchange uses them.
    const QString linePort =
        m_options.PortGiven ? QString() : m_store->value(QLatin1String(PortKey)).toString();
    const int lineSpeed = m_options.SpeedGiven ? m_options.SpeedGiven : KeptSpeed(*m_store);
    m_forms.UserForm().SetStartLine([this, linePort, lineSpeed] { ApplyLine(linePort, lineSpeed); });

    m_forms.UserForm().restoreGeometry(m_store->value(QLatin1String(GeometryKey)).toByteArray());
    if (m_store->contains(QLatin1String(PrintFieldsKey)))
        m_forms.PLUPrintForm().SetFieldChoices(m_store->value(QLatin1String(PrintFieldsKey)).toStringList());
    FileDialogs::SetLastFolder(false, m_store->value(QLatin1String(OpenFolderKey)).toString());
    FileDialogs::SetLastFolder(true, m_store->value(QLatin1String(SaveFolderKey)).toString());
    m_forms.History().SetShop(m_store->value(QLatin1String(ShopNameKey)).toString().trimmed());
    GatewayHostSettings serve;
    serve.On = m_store->value(QLatin1String(GatewayOnKey), false).toBool();
    bool portOk = false;
    const int port = m_store->value(QLatin1String(GatewayPortKey)).toInt(&portOk);
    if (portOk && port >= 1024 && port <= 65535)
        serve.Port = port;
    m_forms.Gateway().SetSettings(serve);

    // From here on a port or speed the user picks is theirs to keep, command line or not.
    for (int n = 1; n <= 4; ++n) {
        if (QAction* action = menus.Action(QStringLiteral("Com%1").arg(n)))
            connect(action, &QAction::triggered, this, [this] { m_portPicked = true; });
    }
    connect(&menus, &MainMenus::DeviceChosen, this, [this] { m_portPicked = true; });
    for (const TComPortBaudRate speed : RegisterFinder::Speeds) {
        if (QAction* action = menus.Action(QStringLiteral("mbr%1").arg(BaudRateOf(speed))))
            connect(action, &QAction::triggered, this, [this] { m_speedPicked = true; });
    }
}

void KeptSettings::ApplyLine(const QString& port, int speed) {
    ReplyDispatcher& line = m_forms.Session().Dispatcher();
    for (int n = 1; n <= 4; ++n) {
        if (port == QStringLiteral("COM%1").arg(n))
            line.ChangePort(TComPortNumber(int(pnCOM1) + n - 1));
    }
    if (port.startsWith(QLatin1Char('/')))
        line.ChangeDevice(port);
    if (const auto baud = RegisterSpeedOf(speed))
        line.ChangeSpeed(*baud);
}

void KeptSettings::Save() {
    const MainMenus& menus = *m_forms.UserForm().Menus();
    for (const MenuChoice& kept : MenuChoices()) {
        for (const auto& [name, action] : kept.Choices) {
            const QAction* item = menus.Action(QString::fromLatin1(action));
            if (item && item->isChecked())
                m_store->setValue(QLatin1String(kept.Key), QString::fromLatin1(name));
        }
    }
    const TCommPortDriver& serial = m_forms.Session().Dispatcher().RS232().Serial();
    if (!m_options.PortGiven || m_portPicked) {
        const TComPortNumber port = serial.ComPort();
        if (port == ReplyDispatcher::DevicePortNumber)
            m_store->setValue(QLatin1String(PortKey), serial.CurrentDeviceName());
        else if (port >= pnCOM1 && port <= pnCOM4)
            m_store->setValue(QLatin1String(PortKey),
                              QStringLiteral("COM%1").arg(int(port) - int(pnCOM1) + 1));
    }
    if (!m_options.SpeedGiven || m_speedPicked) {
        if (const int speed = KeptSpeedOf(int(BaudRateOf(serial.ComPortSpeed()))))
            m_store->setValue(QLatin1String(SpeedKey), speed);
    }
    m_store->setValue(QLatin1String(GeometryKey), m_forms.UserForm().saveGeometry());
    m_store->setValue(QLatin1String(PrintFieldsKey), m_forms.PLUPrintForm().FieldChoices());
    m_store->setValue(QLatin1String(OpenFolderKey), FileDialogs::LastFolder(false));
    m_store->setValue(QLatin1String(SaveFolderKey), FileDialogs::LastFolder(true));
    m_store->setValue(QLatin1String(ShopNameKey), m_forms.History().Shop());
    m_store->setValue(QLatin1String(GatewayOnKey), m_forms.Gateway().Settings().On);
    m_store->setValue(QLatin1String(GatewayPortKey), m_forms.Gateway().Settings().Port);
    if (m_forms.History().UrlChosen())
        m_store->setValue(QLatin1String(HistoryKey), m_forms.History().Url());
    m_store->sync();
}
