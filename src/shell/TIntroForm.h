#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QPushButton;

// The about window. Shown on request, it keeps the main window disabled until
// it closes, without blocking the event loop. After a 3-second pause its two
// pictures scroll through the strip from right to left, one after the other.
class TIntroForm : public QDialog {
    Q_OBJECT
  public:
    static constexpr int ImageWidth = 330;
    static constexpr int StartLeft = 16;
    static constexpr int Gap = 30;
    static constexpr const char* SiteAddress = "http://www.orvex.example/";

    explicit TIntroForm(QWidget* parent = nullptr);

    // Show, with owner (the main window) disabled until the window closes.
    void ShowAbout(QWidget* owner);
    [[nodiscard]] QLabel* SMImage1() const { return m_image1; }
    [[nodiscard]] QLabel* SMImage2() const { return m_image2; }
    [[nodiscard]] const QTimer& StartTimer() const { return m_startTimer; }
    [[nodiscard]] const QTimer& MotionTimer() const { return m_motionTimer; }
    void MotionTick();
    void SiteLinkClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ResetStrip();
    void Closed();

    QLabel* m_image1;
    QLabel* m_image2;
    QLabel* m_siteLink;
    QPushButton* m_ok;
    QTimer m_startTimer;
    QTimer m_motionTimer;
    QWidget* m_owner = nullptr;
};
