#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QPrinter;
class QTextEdit;
class QWidget;
class ViewerPage;

// View, Save and Print of the main window: load a text file into the file
// viewer, and save or print whichever text view SaveTarget names.
class TextFileCommands : public QObject {
    Q_OBJECT
  public:
    // The text view of a SaveTarget (0 monitor, 1 reports, 2 viewer).
    using ViewOfTarget = std::function<QWidget*(int target)>;

    TextFileCommands(QWidget& owner, ViewerPage& viewer, QTextEdit& printRich, ViewOfTarget views);

    // The largest text Print takes (the printout is laid out whole).
    static constexpr qint64 MaxPrintedBytes = 64 * 1024 * 1024;

    static const QString OpenFilter;
    static const QString SaveFilter;
    static const QString PrintFailed;

    void ViewClick();
    void SaveClick();
    void PrintClick();

    // The lines of the text that Save and Print take now.
    [[nodiscard]] QString TargetText() const;
    // Prints PrintRich; false when the printer failed.
    bool PrintBuffer(QPrinter& printer);
    // A print job or a save is under way: pending events run during it, and
    // whatever they start must not pull the job's ground away.
    [[nodiscard]] bool IsBusy() const { return m_printing || m_saving; }

  signals:
    // After each printed page of the running job.
    void PagePrinted(int page, int pages);
    // The print job (or the dialog before it), or a save, is over.
    void JobFinished();

  private:
    bool PrintText(QPrinter& printer, const QString& text);

    QWidget& m_owner;
    ViewerPage& m_viewer;
    QTextEdit& m_printRich;
    ViewOfTarget m_views;
    bool m_printing = false;
    bool m_saving = false;
};
