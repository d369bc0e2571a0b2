#include "shell/MainMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {
QKeySequence Ctrl(Qt::Key key) {
    return QKeySequence(Qt::CTRL | key);
}
} // namespace

MainMenus::MainMenus(QMainWindow* window) : QObject(window), m_window(window) {
    setObjectName(QStringLiteral("MainMenus"));
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(QStringLiteral("EngMenu"));
    auto top = [&](const char* name, const char* title) {
        QMenu* menu = AddMenu(nullptr, name, title);
        bar->addMenu(menu);
        return menu;
    };

    QMenu* file = top("File1", "File");
    Add(file, "ViewFile", "View...", Ctrl(Qt::Key_O))->setEnabled(false);
    Add(file, "SaveFile", "Save As...", Ctrl(Qt::Key_S))->setEnabled(false);
    Add(file, "PrintFile", "Print...", Ctrl(Qt::Key_P))->setEnabled(false);
    file->addSeparator();
    Add(file, "FileExit", "Exit");

    QMenu* connection = top("Connection1", "Connection");
    Add(connection, "Connect1", "Connect", Ctrl(Qt::Key_Z));
    Add(connection, "MnFindRegister", "Find register");

    QMenu* tools = top("Tools", "Tools");
    Add(tools, "Monitor1", "Sales Monitor", Ctrl(Qt::Key_A));
    Add(tools, "Sales1", "Fiscal Printer", Ctrl(Qt::Key_B));
    Add(tools, "Reports1", "Reports", Ctrl(Qt::Key_D));
    tools->addSeparator();
    QMenu* programming = AddMenu(tools, "Programming", "Programming");
    Add(programming, "PLUsProg", "PLUs", Ctrl(Qt::Key_E));
    Add(programming, "Header1", "Header", Ctrl(Qt::Key_F));
    tools->addSeparator();
    Add(tools, "Viewer1", "File Viewer", Ctrl(Qt::Key_G));
    Add(tools, "History1", "Sales History", Ctrl(Qt::Key_H));

    QMenu* database = top("DataBase1", "Database");
    Add(database, "PLUDBShow", "PLU DB Show", Ctrl(Qt::Key_I));
    Add(database, "PLUDBPrint1", "PLU DB Print");
    Add(database, "MnImport", "Import...");
    Add(database, "MnExport", "Export...");

    QMenu* utilities = top("Utilities", "Utilities");
    Add(utilities, "MnGetTime", "Get CR Day Time", Ctrl(Qt::Key_T));
    Add(utilities, "MnThanksMsg", "Thanks Message", Ctrl(Qt::Key_M));

    QMenu* settings = top("Settings", "Settings");
    QMenu* communication = AddMenu(settings, "Communication", "Communication");
    m_portMenu = AddMenu(communication, "Port", "Port");
    m_portGroup = Group();
    Add(m_portMenu, "Com1", "Com1", {}, m_portGroup, true);
    Add(m_portMenu, "Com2", "Com2", {}, m_portGroup);
    Add(m_portMenu, "Com3", "Com3", {}, m_portGroup);
    Add(m_portMenu, "Com4", "Com4", {}, m_portGroup);
    m_deviceSeparator = m_portMenu->addSeparator();
    m_deviceSeparator->setVisible(false);
    connect(m_portMenu, &QMenu::aboutToShow, this, &MainMenus::PortMenuOpening);
    QMenu* baud = AddMenu(communication, "BaudRate", "Baud Rate");
    QActionGroup* speeds = Group();
    Add(baud, "mbr9600", "9600", {}, speeds);
    Add(baud, "mbr19200", "19200", {}, speeds, true);
    Add(baud, "mbr38400", "38400", {}, speeds);
    Add(communication, "MnTraceFile", "Trace to file...")->setCheckable(true);
    // Its captions follow the language with the gateway host's (GatewayHostMessages).
    Add(communication, "MnServeRegister", "Serve the register to other programs...");

    QMenu* charset = AddMenu(settings, "Languagecharset1", "Language charset");
    QActionGroup* charsets = Group();
    Add(charset, "DefCSet", "Default", {}, charsets);
    Add(charset, "CyrCSet", "Cyrillic", {}, charsets, true);
    Add(charset, "LatCSet", "Latin", {}, charsets);
    Add(charset, "MnCRAsciiletters", "CR Ascii letters", {}, charsets);

    QMenu* language = AddMenu(settings, "LLanguage", "Form Language");
    QActionGroup* languages = Group();
    Add(language, "MnEnglish", "English", Ctrl(Qt::Key_F1), languages);
    Add(language, "MnSerbian", "Serbian", Ctrl(Qt::Key_F2), languages, true);

    QMenu* text = AddMenu(settings, "Monitors", "Text");
    QMenu* fontSize = AddMenu(text, "FFontSize", "Font Size");
    QActionGroup* sizes = Group();
    Add(fontSize, "FS8", "8", {}, sizes, true);
    Add(fontSize, "FS10", "10", {}, sizes);
    Add(fontSize, "FS12", "12", {}, sizes);
    QMenu* wrap = AddMenu(text, "Wordwrap", "Word Wrap");
    QActionGroup* wraps = Group();
    Add(wrap, "WRNo", "No", {}, wraps, true);
    Add(wrap, "WRYes", "Yes", {}, wraps);

    QMenu* version = AddMenu(settings, "OrvexSWVersion", "Orvex Version");
    QActionGroup* versions = Group();
    Add(version, "Mnv240", "v.240", {}, versions, true);
    Add(version, "Mnv250", "v.250", {}, versions);

    QMenu* excel = AddMenu(settings, "MnExportImport", "Excel Import/Export");
    QActionGroup* layouts = Group();
    Add(excel, "Filewithmacros", "Orvex File with macros", {}, layouts);
    Add(excel, "Standardfile", "Orvex Standard file", {}, layouts, true);

    QMenu* barcode = AddMenu(settings, "Barcode1", "Barcode");
    Add(barcode, "MnBarcodeDecoding", "Decoding...");
    QMenu* uniqueness = AddMenu(barcode, "MnUniqueness", "Uniqueness check");
    QActionGroup* checks = Group();
    Add(uniqueness, "BarcMnOn", "On", {}, checks);
    Add(uniqueness, "BarcMnOff", "Off", {}, checks, true);

    QMenu* fiscal = AddMenu(settings, "MnFiscalPrinter", "Fiscal Printer");
    QActionGroup* saleModes = Group();
    Add(fiscal, "MnSaleafter", "Sale after barcode sanning", {}, saleModes);
    Add(fiscal, "MnUsersale", "User sale", {}, saleModes, true);
    settings->addSeparator();
    // Its captions follow the language with the sales history's (HistoryMessages).
    Add(settings, "MnHistorySettings", "Sales history...");

    QMenu* help = top("MnHelp", "Help");
    Add(help, "MnCmdHelp", "&Commander Help", QKeySequence(Qt::Key_F1));
    Add(help, "MnAbout", "&About");

    // Never shown: it only carries the page shortcuts, which act while the
    // main window has the focus.
    QMenu* shorts = AddMenu(nullptr, "Shorts", "Shorts");
    const std::pair<const char*, Qt::Key> pageKeys[] = {
        {"ShortWritePC", Qt::Key_F7}, {"ShortWriteECR", Qt::Key_F8},   {"ShortReadECR", Qt::Key_F9},
        {"ShortSale", Qt::Key_F3},    {"ShortCorrection", Qt::Key_F4}, {"ShortSubtotal", Qt::Key_F5},
        {"ShortCash", Qt::Key_F6}};
    for (const auto& [name, key] : pageKeys)
        window->addAction(Add(shorts, name, name, QKeySequence(key)));

    m_modesPopup = AddMenu(nullptr, "ModesPopup", "");
    Add(m_modesPopup, "PopSalesMonitor", "Sales Monitor");
    Add(m_modesPopup, "PopFiscalPrinter", "Fiscal Printer");
    Add(m_modesPopup, "PopReports", "Reports");
    Add(m_modesPopup, "PopPLUs", "PLUs");
    Add(m_modesPopup, "PopHeader", "Header");
    Add(m_modesPopup, "PopFileViewer", "File Viewer");
}

QMenu* MainMenus::AddMenu(QMenu* parent, const char* name, const char* title) {
    auto* menu = new QMenu(QString::fromUtf8(title), parent ? static_cast<QWidget*>(parent) : m_window);
    menu->setObjectName(QString::fromLatin1(name));
    if (parent)
        parent->addMenu(menu);
    return menu;
}

QActionGroup* MainMenus::Group() {
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    return group;
}

QAction* MainMenus::Add(QMenu* menu, const char* name, const char* text, QKeySequence shortcut,
                        QActionGroup* group, bool checked) {
    auto* action = new QAction(QString::fromUtf8(text), menu);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (group) {
        action->setCheckable(true);
        action->setChecked(checked);
        group->addAction(action);
    }
    menu->addAction(action);
    m_all << action;
    return action;
}

QAction* MainMenus::Action(const QString& name) const {
    for (QAction* action : m_all) {
        if (action->objectName() == name)
            return action;
    }
    if (QMenu* menu = Menu(name))
        return menu->menuAction();
    return nullptr;
}

QMenu* MainMenus::Menu(const QString& name) const {
    return m_window->findChild<QMenu*>(name);
}

QList<QKeySequence> MainMenus::Shortcuts() const {
    QList<QKeySequence> keys;
    for (const QAction* action : m_all) {
        if (!action->shortcut().isEmpty())
            keys << action->shortcut();
    }
    return keys;
}

void MainMenus::ListDevices(const QStringList& devices, const QString& checkedDevice) {
    for (QAction* action : std::as_const(m_deviceActions)) {
        m_portGroup->removeAction(action);
        m_portMenu->removeAction(action);
        delete action;
    }
    m_deviceActions.clear();
    m_deviceSeparator->setVisible(!devices.isEmpty());
    int n = 1;
    for (const QString& device : devices) {
        auto* action = new QAction(device, m_portMenu);
        action->setObjectName(QStringLiteral("PortDevice%1").arg(n++));
        action->setCheckable(true);
        m_portGroup->addAction(action);
        // Checked once in the group, so that the group unchecks the port it had.
        action->setChecked(device == checkedDevice);
        m_portMenu->addAction(action);
        connect(action, &QAction::triggered, this, [this, device] { emit DeviceChosen(device); });
        m_deviceActions << action;
    }
}
