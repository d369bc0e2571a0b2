#pragma once

#include "header/HeaderFrames.h"
#include "toolkit/ModePage.h"

#include <array>

class HeaderSequence;
class QCheckBox;
class QLabel;
class QLineEdit;

// The receipt header page: the register's eight header lines read, lines 1
// to 5 edited with their print attributes and written back.
class HeaderPage : public ModePage {
    Q_OBJECT
  public:
    explicit HeaderPage(QWidget* parent = nullptr);

    void Attach(HeaderSequence& sequence);

    void DescReadClick();
    void DescCommitClick();
    void ClearHeaderLinesClick();
    void CenterClick(int line);
    void DoubleWidthClick(int line);
    void ShowLine(const HeaderLine& line);

    [[nodiscard]] QLineEdit* Line(int n) const { return m_lines[size_t(n - 1)]; }
    [[nodiscard]] int Limit(int n) const;
    // Whether a Read has gone through all eight lines since the page was built
    // or last cleared: Write asks first otherwise.
    [[nodiscard]] bool ReadComplete() const { return m_readComplete; }

    void PageShow() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetExchangeButtons(bool enabled);
    void SetLimit(int n);
    void ShowOutcome(const QString& text);

    std::array<QLineEdit*, HeaderLineCount> m_lines{};
    std::array<QCheckBox*, HeaderLineCount> m_doubleHeight{};
    std::array<QCheckBox*, HeaderLineCount> m_doubleWidth{};
    std::array<QCheckBox*, HeaderLineCount> m_center{};
    QLabel* m_status = nullptr;
    HeaderSequence* m_sequence = nullptr;
    bool m_reading = false;
    bool m_readComplete = false;
};
