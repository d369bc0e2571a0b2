#pragma once

#include <QFileSystemWatcher>

#include "common/Captions.h"
#include "toolkit/ModePage.h"

#include <memory>

class FileLineStore;
class LineView;
class QLabel;
class QPushButton;

// The file viewer page: a text file shown as lines, which Save and Print take
// while the page is up.
class ViewerPage : public ModePage {
    Q_OBJECT
  public:
    explicit ViewerPage(QWidget* parent = nullptr);

    [[nodiscard]] LineView* ViewRich() const { return m_view; }
    [[nodiscard]] QPushButton* ClearViewer() const { return m_clear; }
    // How far the file on show is read, while it is read.
    [[nodiscard]] QLabel* ViewProgress() const { return m_progress; }

    [[nodiscard]] QList<QWidget*> TextViews() const override;
    [[nodiscard]] int SaveTargetIndex() const override { return 2; }
    [[nodiscard]] bool HasText() const override;

    // Shows a file at once, its lines coming in while the user reads; the
    // text on show stays when the file is refused. An empty result means
    // success, otherwise the reason in words.
    [[nodiscard]] QString ShowFile(const QString& path, int charset);
    // Replaces the text; lines end at '\n'.
    void ShowText(const QString& text);
    void ClearViewerClick();
    // The text on show, lines joined by '\n' (long lines whole).
    [[nodiscard]] QString Text() const;
    // The file on show is read to its end (a text is at once).
    [[nodiscard]] bool Complete() const;

    void SetWordWrap(bool on);

  private:
    void ViewRichChange();
    void ShowProgress();
    void Unwatch();

    LineView* m_view;
    QLabel* m_progress;
    QPushButton* m_clear;
    bool m_hadText = false;
    // Watches the file on show, to say when another program shortens it.
    QFileSystemWatcher m_watcher;
    bool m_shortened = false;
};
