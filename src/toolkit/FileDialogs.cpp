#include "toolkit/FileDialogs.h"

#include "toolkit/QtSerbian.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

namespace FileDialogs {

namespace {

FileHook& TheFileHook() {
    static FileHook hook;
    return hook;
}

PrintHook& ThePrintHook() {
    static PrintHook hook;
    return hook;
}

// A name typed without an extension takes the default one, unless it names
// something that is already there (a file of the user's, a device).
QString WithSuffix(const QString& name, const QString& suffix) {
    if (name.isEmpty() || suffix.isEmpty() || !QFileInfo(name).suffix().isEmpty() || QFileInfo::exists(name))
        return name;
    return name + QLatin1Char('.') + suffix;
}

QString& TheLastFolder(bool save) {
    static QString open;
    static QString saved;
    return save ? saved : open;
}

QString Chosen(const FileRequest& request, const QString& path) {
    if (!path.isEmpty())
        TheLastFolder(request.Save) = QFileInfo(path).absolutePath();
    return path;
}

QString RunFileDialog(QWidget* parent, const FileRequest& request) {
    if (TheFileHook())
        return Chosen(request, TheFileHook()(request));
    QFileDialog dialog(parent);
    // The platform's own dialog speaks the desktop's language; Qt's speaks the window's.
    if (QtSerbian::Installed())
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (const QString folder = TheLastFolder(request.Save); !folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.Filter);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return Chosen(request, dialog.selectedFiles().constFirst());
}

} // namespace

QString LastFolder(bool save) {
    return TheLastFolder(save);
}

void SetLastFolder(bool save, const QString& folder) {
    TheLastFolder(save) = folder;
}

void SetFileHook(FileHook hook) {
    TheFileHook() = std::move(hook);
}

void SetPrintHook(PrintHook hook) {
    ThePrintHook() = std::move(hook);
}

QString OpenFileName(QWidget* parent, const FileRequest& request) {
    FileRequest open = request;
    open.Save = false;
    return RunFileDialog(parent, open);
}

QString SaveFileName(QWidget* parent, const FileRequest& request) {
    FileRequest save = request;
    save.Save = true;
    return WithSuffix(RunFileDialog(parent, save), save.DefaultSuffix);
}

bool RunPrintDialog(QWidget* parent, QPrinter& printer) {
    if (ThePrintHook())
        return ThePrintHook()(printer);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace FileDialogs
