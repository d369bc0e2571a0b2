#include "shell/RegisterSearch.h"

#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "protocol/RegisterFinder.h"
#include "protocol/ReplyDispatcher.h"
#include "shell/MainMenus.h"
#include "toolkit/MessageBoxes.h"

#include <QAction>

namespace {

constexpr Caption Busy{"Find register has to wait until the exchange with the register has ended.",
                       "Traženje kase mora da sačeka da se završi razmena sa kasom."};
// %1 device, %2 bit/s.
constexpr Caption NowConnected{"Connected to the register on %1 at %2 bit/s.",
                               "Povezano sa kasom na %1 sa %2 bit/s."};

} // namespace

RegisterSearch::RegisterSearch(ReplyDispatcher& dispatcher, MainMenus& menus, QWidget* window)
    : QObject(window), m_dispatcher(dispatcher), m_menus(menus), m_window(window) {}

RegisterSearch::~RegisterSearch() = default;

void RegisterSearch::Start(bool exchangeRunning) {
    if (m_dialog) {
        m_dialog->raise();
        return;
    }
    if (exchangeRunning || m_dispatcher.IsWaiting() || m_dispatcher.ExpectedReply() != 0) {
        MessageBoxes::Plain(m_window, Busy.Text());
        return;
    }
    m_reopen = m_dispatcher.IsOpen();
    m_dispatcher.Disconnect();
    m_finder = std::make_unique<RegisterFinder>();
    m_finder->Start(m_deviceSource ? m_deviceSource() : RegisterFinder::MachineDevices());
    m_dialog = new FindRegisterDialog(*m_finder, Shell().UiLanguage, m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QDialog::finished, this, &RegisterSearch::Ended);
    m_dialog->open();
}

void RegisterSearch::Ended() {
    // A dialog on its way out may still be told to close again.
    if (!m_finder)
        return;
    const auto choice = m_dialog ? m_dialog->Chosen() : std::nullopt;
    m_finder->Cancel();
    if (choice) {
        // Through the menu items, so that their checks show the new port and speed.
        if (const auto port = RegisterFinder::ComPortOf(choice->Device)) {
            m_menus.Action(QStringLiteral("Com%1").arg(int(*port) + 1))->trigger();
        } else {
            m_dispatcher.ChangeDevice(choice->Device);
            m_menus.ListDevices({choice->Device}, choice->Device);
        }
        m_menus.Action(QStringLiteral("mbr%1").arg(BaudRateOf(choice->Speed)))->trigger();
    }
    // Use means use it now; a failure to open says so itself.
    if ((m_reopen || choice) && m_dispatcher.EnsurePortOpen() && choice)
        emit Chosen(NowConnected.Text().arg(choice->Device).arg(BaudRateOf(choice->Speed)));
    // The dialog deletes itself; the finder goes once its signals are done.
    m_finder.release()->deleteLater();
}
