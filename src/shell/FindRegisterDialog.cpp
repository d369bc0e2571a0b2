#include "shell/FindRegisterDialog.h"

#include "common/Captions.h"
#include "protocol/RegisterFinder.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr Caption Title{"Find register", "Pronađi kasu"};
constexpr Caption Intro{
    "Each serial device is asked for the register's clock at 9600, 19200 and 38400 bit/s.",
    "Svaki serijski uređaj se pita za sat kase na 9600, 19200 i 38400 bit/s."};
// %1 device, %2 bit/s, %3 steps done, %4 steps, %5 seconds.
constexpr Caption Asking{"Asking %1 at %2 bit/s: %3 of %4, at most %5 s left",
                         "Pitam %1 na %2 bit/s: %3 od %4, još najviše %5 s"};
// %1 devices that answered, %2 devices.
constexpr Caption Found{"Done: %1 of %2 devices answered. Choose one and click Use.",
                        "Gotovo: odgovorilo je %1 od %2 uređaja. Izaberite jedan i kliknite Koristi."};
constexpr Caption NoneFound{"No register answered. Check the cable and that the register is on.",
                            "Nijedna kasa nije odgovorila. Proverite kabl i da li je kasa uključena."};
// %1 devices asked, %2 devices.
constexpr Caption Cancelled{"Search cancelled after %1 of %2 devices.",
                            "Traženje je otkazano posle %1 od %2 uređaja."};
constexpr Caption DeviceColumn{"Device", "Uređaj"};
constexpr Caption AnswerColumn{"Answer", "Odgovor"};
constexpr Caption UseText{"Use", "Koristi"};
constexpr Caption CancelText{"Cancel", "Otkaži"};
constexpr Caption CloseText{"Close", "Zatvori"};

} // namespace

FindRegisterDialog::FindRegisterDialog(RegisterFinder& finder, int lang, QWidget* parent)
    : QDialog(parent), m_finder(finder), m_lang(lang) {
    setObjectName(QStringLiteral("FindRegisterDialog"));
    setWindowTitle(Title.Text(lang));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(Intro.Text(lang), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_devices = new QTreeWidget(this);
    m_devices->setObjectName(QStringLiteral("FoundDevices"));
    m_devices->setHeaderLabels({DeviceColumn.Text(lang), AnswerColumn.Text(lang)});
    m_devices->setRootIsDecorated(false);
    m_devices->setSelectionMode(QAbstractItemView::SingleSelection);
    m_devices->header()->setStretchLastSection(true);
    m_devices->setColumnWidth(0, 160);
    layout->addWidget(m_devices, 1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("FindProgress"));
    m_progress->setFormat(QStringLiteral("%v / %m"));
    layout->addWidget(m_progress);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("FindStatus"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto* buttons = new QDialogButtonBox(this);
    m_use = buttons->addButton(UseText.Text(lang), QDialogButtonBox::AcceptRole);
    m_use->setObjectName(QStringLiteral("UseRegister"));
    m_use->setEnabled(false);
    m_use->setDefault(true);
    m_cancel = buttons->addButton(CancelText.Text(lang), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("CancelFind"));
    layout->addWidget(buttons);
    resize(520, 340);

    connect(m_use, &QPushButton::clicked, this, &FindRegisterDialog::UseSelected);
    connect(m_cancel, &QPushButton::clicked, this, &FindRegisterDialog::reject);
    connect(m_devices, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_use->setEnabled(SelectedOutcome() >= 0); });
    connect(m_devices, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (SelectedOutcome() >= 0)
            UseSelected();
    });
    connect(&finder, &RegisterFinder::Probing, this, &FindRegisterDialog::ShowProgress);
    connect(&finder, &RegisterFinder::DeviceDone, this, &FindRegisterDialog::AddOutcome);
    connect(&finder, &RegisterFinder::Finished, this, &FindRegisterDialog::SearchEnded);
    m_progress->setRange(0, std::max(1, finder.StepsTotal()));
    for (size_t i = 0; i < finder.Outcomes().size(); ++i)
        AddOutcome(int(i));
    // The search may be under way already, or even over.
    if (!finder.IsRunning())
        SearchEnded(false);
    else if (!finder.CurrentDevice().isEmpty())
        ShowProgress(finder.CurrentDevice(), finder.CurrentBitsPerSecond());
}

bool FindRegisterDialog::Searching() const {
    return m_finder.IsRunning();
}

void FindRegisterDialog::reject() {
    // While the search runs, Cancel (and Escape) stop it and leave the list to
    // choose from; once it has ended they close.
    if (m_finder.IsRunning()) {
        m_finder.Cancel();
        return;
    }
    QDialog::reject();
}

void FindRegisterDialog::closeEvent(QCloseEvent* event) {
    // The window's own close button ends the search and the dialog at once.
    m_finder.Cancel();
    QDialog::closeEvent(event);
}

void FindRegisterDialog::ShowProgress(const QString& device, quint32 bitsPerSecond) {
    m_progress->setRange(0, std::max(1, m_finder.StepsTotal()));
    m_progress->setValue(m_finder.StepsDone());
    const qint64 seconds = (m_finder.MsLeftAtMost() + 999) / 1000;
    m_status->setText(Asking.Text(m_lang)
                          .arg(device)
                          .arg(bitsPerSecond)
                          .arg(m_finder.StepsDone())
                          .arg(m_finder.StepsTotal())
                          .arg(seconds));
}

void FindRegisterDialog::AddOutcome(int index) {
    const RegisterFinder::Outcome& outcome = m_finder.Outcomes()[size_t(index)];
    // The port menu's name for the device too, where it has one.
    QString device = outcome.Device;
    if (const auto port = RegisterFinder::ComPortOf(outcome.Device))
        device += QStringLiteral(" (%1)").arg(ComPortName(*port));
    auto* item = new QTreeWidgetItem(m_devices, {device, RegisterFinder::OutcomeText(outcome, m_lang)});
    item->setData(0, Qt::UserRole, index);
    const bool answered = outcome.Result == RegisterFinder::Outcome::Answered;
    if (answered) {
        QFont bold = item->font(1);
        bold.setBold(true);
        item->setFont(0, bold);
        item->setFont(1, bold);
    } else {
        item->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    // The first register found is ready for one click on Use.
    if (answered && SelectedOutcome() < 0)
        m_devices->setCurrentItem(item);
    m_progress->setValue(m_finder.StepsDone());
}

void FindRegisterDialog::SearchEnded(bool cancelled) {
    m_progress->setValue(cancelled ? m_finder.StepsDone() : m_progress->maximum());
    m_cancel->setText(CloseText.Text(m_lang));
    const auto& outcomes = m_finder.Outcomes();
    const auto answered = std::count_if(outcomes.begin(), outcomes.end(), [](const auto& o) {
        return o.Result == RegisterFinder::Outcome::Answered;
    });
    const int devices = int(m_finder.Devices().size());
    if (cancelled)
        m_status->setText(Cancelled.Text(m_lang).arg(outcomes.size()).arg(devices));
    else if (answered == 0)
        m_status->setText(NoneFound.Text(m_lang));
    else
        m_status->setText(Found.Text(m_lang).arg(answered).arg(devices));
    (answered > 0 ? static_cast<QWidget*>(m_use) : m_cancel)->setFocus();
}

int FindRegisterDialog::SelectedOutcome() const {
    const QTreeWidgetItem* item = m_devices->currentItem();
    if (!item || !item->isSelected())
        return -1;
    const int index = item->data(0, Qt::UserRole).toInt();
    const auto& outcomes = m_finder.Outcomes();
    if (index < 0 || size_t(index) >= outcomes.size() ||
        outcomes[size_t(index)].Result != RegisterFinder::Outcome::Answered)
        return -1;
    return index;
}

void FindRegisterDialog::UseSelected() {
    const int index = SelectedOutcome();
    if (index < 0)
        return;
    const RegisterFinder::Outcome& outcome = m_finder.Outcomes()[size_t(index)];
    m_chosen = Choice{outcome.Device, outcome.Speed};
    m_finder.Cancel();
    accept();
}
