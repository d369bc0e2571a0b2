#pragma once

#include "common/Captions.h"
#include "toolkit/ModePage.h"
#include "viewer/TextFile.h"

#include <functional>

class QPlainTextEdit;
class QPushButton;

// The file viewer page: a text file shown as lines, which Save and Print take
// while the page is up.
class ViewerPage : public ModePage {
    Q_OBJECT
  public:
    explicit ViewerPage(QWidget* parent = nullptr);

    [[nodiscard]] QPlainTextEdit* ViewRich() const { return m_view; }
    [[nodiscard]] QPushButton* ClearViewer() const { return m_clear; }

    [[nodiscard]] QList<QWidget*> TextViews() const override;
    [[nodiscard]] int SaveTargetIndex() const override { return 2; }
    [[nodiscard]] bool HasText() const override;

    // Replaces the text; lines end at '\n'. The view takes it a piece at a
    // time, with step called after each piece, so that a text of many
    // megabytes never holds the window. Lines longer than DisplayLineChars
    // are shown in pieces of that length (laying out one line of megabytes
    // would stop the window for minutes); Text() keeps them whole. When step
    // stops the work, the view is left empty and false returned.
    bool ShowText(const QString& text, const PieceStep& step = {});
    void ClearViewerClick();
    // The text as it was given, for saving.
    [[nodiscard]] const QString& Text() const { return m_text; }

    static constexpr qsizetype DisplayLineChars = 1024;

    // Word wrap lays the whole text out anew in one go, which for a text of
    // very many lines would hold the window: such a text is shown unwrapped.
    static constexpr int MaxWrappedLines = 50000;
    // Wraps the text or not, as asked; false when wrapping was asked for a
    // text too long for it (it stays unwrapped, and wraps again once a
    // shorter text comes).
    bool SetWordWrap(bool on);

  private:
    void ViewRichChange();

    QPlainTextEdit* m_view;
    QPushButton* m_clear;
    void ApplyWordWrap();

    QString m_text;
    bool m_wrapWanted = false;
};
