#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// Settings > Shop name...: the name the sales history keeps beside each
// register's CR number and fiscal ID. It hands the name back; the owner keeps it.
class ShopNameDialog : public QDialog {
    Q_OBJECT
  public:
    ShopNameDialog(const QString& shop, int lang, QWidget* parent = nullptr);

    // The name as typed, without the spaces around it.
    [[nodiscard]] QString Shop() const;

  private:
    QLineEdit* m_edit;
};
