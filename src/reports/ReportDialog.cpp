#include "reports/ReportDialog.h"

#include <QScreen>

void ReportDialog::showEvent(QShowEvent* event) {
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    if (m_owner)
        m_owner->setEnabled(false);
    QDialog::showEvent(event);
}

void ReportDialog::hideEvent(QHideEvent* event) {
    if (m_owner)
        m_owner->setEnabled(true);
    QDialog::hideEvent(event);
}
