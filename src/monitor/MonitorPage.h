#pragma once

#include "toolkit/ModePage.h"

class JournalMonitor;
class LineView;
class QLabel;
class QLineEdit;
class QPushButton;

// The sales monitor: the live journal of the register, one line per record,
// and the count of journal bytes received. Lines stay until the user clears
// them; the view holds a day of them without slowing down.
class MonitorPage : public ModePage {
    Q_OBJECT
  public:
    explicit MonitorPage(QWidget* parent = nullptr);

    // The journal whose lines and byte count this page shows.
    void Attach(JournalMonitor& journal);

    [[nodiscard]] LineView* MonListBox() const { return m_monListBox; }
    [[nodiscard]] QLineEdit* ByteCount() const { return m_byteCount; }
    [[nodiscard]] QPushButton* ResetButton() const { return m_reset; }
    [[nodiscard]] QPushButton* ClearButton() const { return m_clear; }
    // The print buffer of Print: a scratch copy of the text being printed.
    // The Close button is hidden while the start page is up.
    void SetCloseVisible(bool visible);
    // Whether the view draws register codes: the OrvexChars font at the Cyrillic charset.
    [[nodiscard]] bool RegisterFont() const;

    [[nodiscard]] QList<QWidget*> TextViews() const override;
    [[nodiscard]] int SaveTargetIndex() const override { return 0; }
    [[nodiscard]] bool HasText() const override;
    void PageShow() override;
    void PageHide() override;

    // One line at the end of the text.
    void AppendLine(const QString& line);
    void ShowByteCount(qint64 count);
    void ResetClick();
    void ClearClick();

  private:
    void TextChanged();

    LineView* m_monListBox;
    QLabel* m_byteCountLabel;
    QLineEdit* m_byteCount;
    QPushButton* m_reset;
    QPushButton* m_clear;
    JournalMonitor* m_journal = nullptr;
    int m_column = 0;
    bool m_following = true;
    bool m_shown = false;
    bool m_textCommandsOn = false;
};
