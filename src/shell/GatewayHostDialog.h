#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QSpinBox;

// What the window serves to other programs: on or off, on which port of this
// PC (loopback only), and the token they must send.
struct GatewayHostSettings {
    bool On = false;
    int Port = 8472;
    QString Token;
    friend bool operator==(const GatewayHostSettings&, const GatewayHostSettings&) = default;
};

// Settings > Communication > Serve the register to other programs...: hands
// the settings back; the owner starts or stops the service.
class GatewayHostDialog : public QDialog {
    Q_OBJECT
  public:
    GatewayHostDialog(const GatewayHostSettings& settings, int lang, QWidget* parent = nullptr);

    [[nodiscard]] GatewayHostSettings Settings() const;

  private:
    QCheckBox* m_on;
    QSpinBox* m_port;
    QLineEdit* m_token;
};
