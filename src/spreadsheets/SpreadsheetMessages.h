#pragma once

#include "common/Captions.h"

// The spreadsheet exchange's progress window and its notices.
namespace SpreadsheetMessages {
inline constexpr Caption DataExchange{"Data Exchange", "Razmena podataka"};
inline constexpr Caption Cancel{"Cancel", "Poništi"};
inline constexpr Caption RowsOf{"%1 of %2 rows", "%1 od %2 redova"};
inline constexpr Caption TimeLeft{"time left: %1 s", "preostalo vreme: %1 s"};
inline constexpr Caption Importing{"Importing data...", "Uvoz podataka..."};
inline constexpr Caption Exporting{"Exporting data...", "Izvoz podataka..."};
inline constexpr Caption PluRead{"PLU read: ", "Pročitan PLU: "};
inline constexpr Caption PluWritten{"PLU written: ", "Upisan PLU: "};
inline constexpr Caption ReadingFile{"Reading the file...", "Čitanje datoteke..."};
inline constexpr Caption WritingFile{"Writing the file...", "Upisivanje datoteke..."};
inline constexpr Caption CannotOpen{"The file %1 cannot be opened. Nothing was imported.",
                                    "Datoteka %1 ne može da se otvori. Ništa nije uvezeno."};
inline constexpr Caption Unsupported{
    "The file %1 is of a kind that cannot be read. Choose an .xlsx, .xlsm, .ods, .xls or "
    ".csv file.",
    "Datoteka %1 je vrste koja ne može da se pročita. Izaberite .xlsx, .xlsm, .ods, .xls "
    "ili .csv datoteku."};
inline constexpr Caption Damaged{"The file %1 is damaged or is not a spreadsheet. Nothing was imported.",
                                 "Datoteka %1 je oštećena ili nije tabela. Ništa nije uvezeno."};
inline constexpr Caption UnclosedQuote{"The quote that opens in row %1 is never closed.",
                                       "Navodnik otvoren u redu %1 nikada nije zatvoren."};
inline constexpr Caption Encrypted{
    "The file %1 is protected by a password. Save it without a password and import it again.",
    "Datoteka %1 je zaštićena lozinkom. Sačuvajte je bez lozinke i ponovo je uvezite."};
inline constexpr Caption TooLarge{"The file %1 is larger than a PLU sheet can be. Nothing was imported.",
                                  "Datoteka %1 je veća nego što PLU tabela može biti. Ništa nije uvezeno."};
inline constexpr Caption NotAFile{
    "%1 is not a regular file (a device, a FIFO or a folder): it is neither read nor written over.",
    "%1 nije obična datoteka (uređaj, FIFO ili fascikla): ne čita se i ne prepisuje."};
inline constexpr Caption Exported{"%1 PLUs exported to %2.", "Izvezeno PLU: %1 u %2."};
inline constexpr Caption WriteFailed{"The file %1 could not be written. No file was made.",
                                     "Datoteka %1 ne može da se upiše. Datoteka nije napravljena."};
inline constexpr Caption TemplateFailed{
    "The workbook %1 cannot be used to start from: it is damaged, protected by a "
    "password or not a workbook. No file was made.",
    "Radna sveska %1 ne može da posluži kao polazna: oštećena je, zaštićena lozinkom "
    "ili nije radna sveska. Datoteka nije napravljena."};
inline constexpr Caption ExportCancelled{"The export was cancelled. No file was written.",
                                         "Izvoz je prekinut. Datoteka nije upisana."};
inline constexpr Caption XlsTemplate{
    "A workbook with macros cannot be made from an .xls file. Open it in a spreadsheet "
    "program, save a copy as .xlsm and choose that copy.",
    "Radna sveska sa makroima ne može da se napravi od .xls datoteke. Otvorite je u "
    "programu za tabele, sačuvajte kopiju kao .xlsm i izaberite tu kopiju."};
inline constexpr Caption SameAsTemplate{
    "The workbook to start from is never overwritten. Choose another name.",
    "Polazna radna sveska se nikad ne prepisuje. Izaberite drugo ime."};
} // namespace SpreadsheetMessages
