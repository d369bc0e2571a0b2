#pragma once

#include <QString>
#include <functional>

class QPrinter;
class QWidget;

// The common file-open, file-save and print dialogs of the program. Like the
// message boxes, each can be answered by a test instead of a user.
namespace FileDialogs {

struct FileRequest {
    bool Save = false;
    QString Filter;        // Qt form: "Text File  (*.txt);;..."
    QString DefaultSuffix; // without the dot
};

// The chosen file name, or an empty text for Cancel.
using FileHook = std::function<QString(const FileRequest&)>;
// Sets the printer up as the dialog would; false for Cancel.
using PrintHook = std::function<bool(QPrinter&)>;

// The folder the open (save) dialog starts in: the one a file was last
// chosen from, or the working directory while none was.
[[nodiscard]] QString LastFolder(bool save);
void SetLastFolder(bool save, const QString& folder);

// Empty hooks bring back the real dialogs.
void SetFileHook(FileHook hook);
void SetPrintHook(PrintHook hook);

// A name typed without an extension gets the default suffix.
[[nodiscard]] QString OpenFileName(QWidget* parent, const FileRequest& request);
[[nodiscard]] QString SaveFileName(QWidget* parent, const FileRequest& request);
[[nodiscard]] bool RunPrintDialog(QWidget* parent, QPrinter& printer);

} // namespace FileDialogs
