#pragma once

#include <QString>
#include <functional>

class PluTable;

inline constexpr const char* DatabaseFileName = "pludb.dat";

// The outcome of reading or writing pludb.dat. A failed load ends the program
// with ExitStatus after Message is shown; a failed save only shows Message.
struct DatabaseFileResult {
    bool Ok = true;
    QString Message;
    int ExitStatus = 0;
    // Why, beyond Message, when it can be told: a path that is no regular
    // file, another program holding the file, the system's reason.
    QString Detail;
};

// Fills the table from pludb.dat in directory, first creating the default
// database there when the file does not exist. A short file leaves the rest of
// the table zero; bytes beyond the table are ignored.
[[nodiscard]] DatabaseFileResult LoadDatabase(PluTable& table, const QString& directory);

// Fills the table from a database file of any other name: the table is
// emptied first, and a file that is not there yet leaves it empty when
// newFileAllowed (a read into a new file creates it later).
[[nodiscard]] DatabaseFileResult LoadDatabaseFrom(PluTable& table, const QString& path, bool newFileAllowed);

// Why the file at path must not be written as a PLU database: it is there
// and is not one (no regular file, or not exactly a table's size). Empty when
// it is a PLU database or nothing is there yet. A file given by mistake (notes,
// a sheet, a table cut short) is never replaced by a table.
[[nodiscard]] QString NotPluDatabase(const QString& path);

// Writes the whole table over the existing pludb.dat in directory. The file is
// replaced only once the new contents are on disk, and bytes a longer file holds
// beyond the table are kept. A missing or unwritable file is reported and left
// as it was.
[[nodiscard]] DatabaseFileResult SaveDatabase(const PluTable& table, const QString& directory);

// Writes the whole table to a file of the user's choice, replacing it only
// once it is written whole (a way out when pludb.dat cannot be written). A file
// there that is not a PLU database is refused (NotPluDatabase) and left as it is.
[[nodiscard]] DatabaseFileResult SaveDatabaseTo(const PluTable& table, const QString& path);

enum class UpdateAnswer { Yes, No, Cancel };

struct DatabaseCloseResult {
    bool CloseAllowed = true;
    bool SaveAttempted = false;
    // Set when the save failed: the message to show before the program ends.
    QString Message;
};

// The database half of the main window's close query. When PLUs came from the
// register (or an import) askUpdate puts the update question to the user; Yes
// saves, No saves only a changed database, Cancel keeps the program running.
// Otherwise a changed database is saved without asking. directory is the start
// directory, where pludb.dat was read.
[[nodiscard]] DatabaseCloseResult CloseQuerySave(const PluTable& table, const QString& directory,
                                                 bool plusReadFromRegister, bool databaseChanged,
                                                 const std::function<UpdateAnswer()>& askUpdate);
