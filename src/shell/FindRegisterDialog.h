#pragma once

#include "serial/TCommPortDriver.h"

#include <QDialog>
#include <QString>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class RegisterFinder;

// Connection > Find register: follows a search of the machine's serial devices
// as it goes (n of m, time left, a line per device) and hands back the device
// and speed the user picks among those that answered. The owner starts the
// search; Cancel stops it and keeps what was found so far.
class FindRegisterDialog : public QDialog {
    Q_OBJECT
  public:
    struct Choice {
        QString Device;
        TComPortBaudRate Speed = br19200;
    };

    FindRegisterDialog(RegisterFinder& finder, int lang, QWidget* parent = nullptr);

    // Set once Use (or a double click on a device that answered) closed the dialog.
    [[nodiscard]] std::optional<Choice> Chosen() const { return m_chosen; }
    [[nodiscard]] bool Searching() const;

  protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ShowProgress(const QString& device, quint32 bitsPerSecond);
    void AddOutcome(int index);
    void SearchEnded(bool cancelled);
    void UseSelected();
    [[nodiscard]] int SelectedOutcome() const;

    RegisterFinder& m_finder;
    int m_lang;
    QLabel* m_status;
    QProgressBar* m_progress;
    QTreeWidget* m_devices;
    QPushButton* m_use;
    QPushButton* m_cancel;
    std::optional<Choice> m_chosen;
};
