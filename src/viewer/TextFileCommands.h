#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QPrinter;
class QWidget;
class TRepStatusForm;
class LineView;
class ViewerPage;

// View, Save and Print of the main window: load a text file into the file
// viewer, and save or print whichever text view SaveTarget names.
class TextFileCommands : public QObject {
    Q_OBJECT
  public:
    // The text view of a SaveTarget (0 monitor, 1 reports, 2 viewer).
    using ViewOfTarget = std::function<QWidget*(int target)>;

    TextFileCommands(QWidget& owner, ViewerPage& viewer, ViewOfTarget views);

    static const QString OpenFilter;
    static const QString SaveFilter;
    static const QString PrintFailed;

    void ViewClick();
    void SaveClick();
    void PrintClick();

    // The lines of the text that Save and Print take now.
    [[nodiscard]] QString TargetText() const;
    // The status dialog of a print job: the pages so far, and its Cancel.
    [[nodiscard]] TRepStatusForm* PrintStatus() const { return m_status; }
    // The longest time the last print job went without running events.
    [[nodiscard]] qint64 LongestPrintGapMs() const { return m_longestGapMs; }
    // A print job or a save is under way: pending events run during it, and
    // whatever they start must not pull the job's ground away.
    [[nodiscard]] bool IsBusy() const { return m_printing || m_saving; }

  signals:
    // After each printed page of the running job (the count of pages is
    // known once the last one is printed).
    void PagePrinted(int page);
    // The print job (or the dialog before it), or a save, is over.
    void JobFinished();

  private:
    bool PrintLines(QPrinter& printer, const LineView& view, bool& cancelled);

    QWidget& m_owner;
    ViewerPage& m_viewer;
    ViewOfTarget m_views;
    TRepStatusForm* m_status = nullptr;
    qint64 m_longestGapMs = 0;
    bool m_printing = false;
    bool m_saving = false;
};
