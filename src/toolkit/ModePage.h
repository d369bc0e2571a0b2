#pragma once

#include "common/Captions.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

// One mode page of the main window: its caption, the hint the shell shows
// while it is up, its Close button and what it does on show and hide. The
// work of each page lives in its subclass.
class ModePage : public QWidget {
    Q_OBJECT
  public:
    ModePage(const QString& objectName, const QString& closeButtonName, Caption caption,
             QWidget* parent = nullptr);

    void SetCaption(const QString& caption);
    [[nodiscard]] QString CaptionText() const;
    // Null on the start page.
    [[nodiscard]] QPushButton* CloseButton() const { return m_close; }

    // The text views whose font size and word wrap the shell sets.
    [[nodiscard]] virtual QList<QWidget*> TextViews() const { return {}; }
    // Which view Save and Print take while this page is up (-1: none).
    [[nodiscard]] virtual int SaveTargetIndex() const { return -1; }
    // Whether Save and Print have something to take.
    [[nodiscard]] virtual bool HasText() const { return false; }
    virtual void PageShow() {}
    virtual void PageHide() {}

  signals:
    void CloseRequested();
    // The page's text turned empty or non-empty: Save and Print follow it
    // while the page is on show.
    void FileCommandsRequested(bool on);

  protected:
    // The page's own area, above the row of the Close button.
    [[nodiscard]] QVBoxLayout* Body() const { return m_body; }

  private:
    QLabel* m_heading;
    QVBoxLayout* m_body;
    QPushButton* m_close = nullptr;
};
