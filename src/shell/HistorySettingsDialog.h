#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

// Settings > Sales history...: the shop's name, which the history keeps
// beside each register's CR number and fiscal ID, and where the history is
// kept. It hands both back; the owner keeps them. A place that cannot be
// used is refused with the reason and the dialog stays.
class HistorySettingsDialog : public QDialog {
    Q_OBJECT
  public:
    // dataDir: where history.sqlite goes when no place is given.
    HistorySettingsDialog(const QString& shop, const QString& url, const QString& dataDir, int lang,
                          QWidget* parent = nullptr);

    // The texts as typed, without the spaces around them.
    [[nodiscard]] QString Shop() const;
    [[nodiscard]] QString Url() const;

    void accept() override;

  private:
    QLineEdit* m_shop;
    QLineEdit* m_url;
    QLabel* m_refusal;
    QString m_dataDir;
    int m_lang;
};
