#include "toolkit/QtSerbian.h"

#include <QCoreApplication>
#include <cstring>

namespace {

struct QtText {
    const char* Context;
    const char* Source;
    const char* Serbian;
};

// Qt's source texts, exactly as Qt writes them (with their & marks).
constexpr QtText Texts[] = {
    {"QFileDialog", "Look in:", "Traži u:"},
    {"QFileDialog", "File &name:", "&Ime datoteke:"},
    {"QFileDialog", "Files of type:", "Vrsta datoteka:"},
    {"QFileDialog", "Save As", "Sačuvaj kao"},
    {"QFileDialog", "Open", "Otvori"},
    {"QFileDialog", "&Open", "&Otvori"},
    {"QFileDialog", "&Save", "&Sačuvaj"},
    {"QFileDialog", "&Choose", "&Izaberi"},
    {"QFileDialog", "Find Directory", "Pronađi fasciklu"},
    {"QFileDialog", "Directory:", "Fascikla:"},
    {"QFileDialog", "Back", "Nazad"},
    {"QFileDialog", "Forward", "Napred"},
    {"QFileDialog", "Go back", "Idi nazad"},
    {"QFileDialog", "Go forward", "Idi napred"},
    {"QFileDialog", "Parent Directory", "Nadređena fascikla"},
    {"QFileDialog", "Go to the parent directory", "Idi u nadređenu fasciklu"},
    {"QFileDialog", "Create New Folder", "Napravi novu fasciklu"},
    {"QFileDialog", "Create a New Folder", "Napravi novu fasciklu"},
    {"QFileDialog", "List View", "Lista"},
    {"QFileDialog", "Detail View", "Detalji"},
    {"QFileDialog", "Change to list view mode", "Prikaži kao listu"},
    {"QFileDialog", "Change to detail view mode", "Prikaži sa detaljima"},
    {"QFileDialog", "Sidebar", "Bočna traka"},
    {"QFileDialog", "Recent Places", "Nedavna mesta"},
    {"QFileDialog", "&Rename", "&Preimenuj"},
    {"QFileDialog", "&Delete", "&Obriši"},
    {"QFileDialog", "Show &hidden files", "Prikaži &skrivene datoteke"},
    {"QFileDialog", "&New Folder", "&Nova fascikla"},
    {"QFileDialog", "New Folder", "Nova fascikla"},
    {"QFileDialog", "All Files (*)", "Sve datoteke (*)"},
    {"QFileDialog", "Files", "Datoteke"},
    {"QFileDialog", "Directories", "Fascikle"},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?",
     "%1 već postoji.\nDa li želite da je zamenite?"},
    {"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.",
     "%1\nDatoteka nije pronađena.\nProverite da li je ime datoteke ispravno."},
    {"QFileDialog", "Are you sure you want to delete '%1'?", "Da li sigurno želite da obrišete '%1'?"},
    {"QFileSystemModel", "Name", "Ime"},
    {"QFileSystemModel", "Size", "Veličina"},
    {"QFileSystemModel", "Type", "Vrsta"},
    {"QFileSystemModel", "Kind", "Vrsta"},
    {"QFileSystemModel", "Date Modified", "Datum izmene"},
    {"QFileSystemModel", "My Computer", "Moj računar"},
    {"QFileSystemModel", "Computer", "Računar"},
    {"QPlatformTheme", "OK", "U redu"},
    {"QPlatformTheme", "Save", "Sačuvaj"},
    {"QPlatformTheme", "Save All", "Sačuvaj sve"},
    {"QPlatformTheme", "Open", "Otvori"},
    {"QPlatformTheme", "&Yes", "&Da"},
    {"QPlatformTheme", "Yes to &All", "Da za &sve"},
    {"QPlatformTheme", "&No", "&Ne"},
    {"QPlatformTheme", "N&o to All", "N&e za sve"},
    {"QPlatformTheme", "Abort", "Prekini"},
    {"QPlatformTheme", "Retry", "Pokušaj ponovo"},
    {"QPlatformTheme", "Ignore", "Zanemari"},
    {"QPlatformTheme", "Close", "Zatvori"},
    {"QPlatformTheme", "Cancel", "Poništi"},
    {"QPlatformTheme", "Discard", "Odbaci"},
    {"QPlatformTheme", "Help", "Pomoć"},
    {"QPlatformTheme", "Apply", "Primeni"},
    {"QPlatformTheme", "Reset", "Vrati"},
    {"QPlatformTheme", "Restore Defaults", "Vrati podrazumevano"},
    {"QMessageBox", "Show Details...", "Prikaži detalje..."},
    {"QMessageBox", "Hide Details...", "Sakrij detalje..."},
    {"QLineEdit", "&Undo", "&Opozovi"},
    {"QLineEdit", "&Redo", "&Ponovi"},
    {"QLineEdit", "Cu&t", "&Iseci"},
    {"QLineEdit", "&Copy", "&Kopiraj"},
    {"QLineEdit", "&Paste", "&Nalepi"},
    {"QLineEdit", "Delete", "Obriši"},
    {"QLineEdit", "Select All", "Izaberi sve"},
};

QtSerbian*& TheInstalled() {
    static QtSerbian* installed = nullptr;
    return installed;
}

} // namespace

QString QtSerbian::translate(const char* context, const char* sourceText, const char*, int) const {
    if (!context || !sourceText)
        return {};
    for (const QtText& text : Texts) {
        if (std::strcmp(text.Context, context) == 0 && std::strcmp(text.Source, sourceText) == 0)
            return QString::fromUtf8(text.Serbian);
    }
    return {};
}

void QtSerbian::Follow(int language) {
    QtSerbian*& installed = TheInstalled();
    if (language == 1 && !installed) {
        installed = new QtSerbian(QCoreApplication::instance());
        QCoreApplication::installTranslator(installed);
    } else if (language != 1 && installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
}

bool QtSerbian::Installed() {
    return TheInstalled() != nullptr;
}
