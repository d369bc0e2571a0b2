#pragma once

#include "common/Captions.h"

// What the window says about the sales history, and its shop name dialog.
namespace HistoryMessages {

// %1 why (the store's own words).
inline constexpr Caption Off{"Sales history is off: %1", "Istorija prodaje je isključena: %1"};
// %1 rows, %2 the server, %3 why.
inline constexpr Caption Waiting{
    "Sales history: %1 rows wait on this PC for %2, which cannot be reached (%3)",
    "Istorija prodaje: %1 redova čeka na ovom računaru na %2, koji nije dostupan (%3)"};
// %1 rows, %2 the file, %3 why.
inline constexpr Caption Held{
    "Sales history: %1 rows wait on this PC until %2 can be written (%3)",
    "Istorija prodaje: %1 redova čeka na ovom računaru dok u %2 ne bude moglo da se upiše (%3)"};
// %1 rows, %2 the server.
inline constexpr Caption Sending{"Sales history: %1 rows waiting are being sent to %2",
                                 "Istorija prodaje: %1 redova koji su čekali šalje se na %2"};
// %1 the server, %2 why.
inline constexpr Caption Unreachable{"Sales history: %1 cannot be reached (%2)",
                                     "Istorija prodaje: %1 nije dostupan (%2)"};
// %1 the file, %2 why.
inline constexpr Caption Unwritable{"Sales history: %1 cannot be written (%2)",
                                    "Istorija prodaje: u %1 ne može da se upiše (%2)"};
// %1 rows, %2 the database, %3 why.
inline constexpr Caption Refused{"Sales history: %2 refused %1 rows (%3)",
                                 "Istorija prodaje: %2 je odbio redova: %1 (%3)"};

// The Settings menu item and its dialog.
inline constexpr Caption HistorySettingsItem{"Sales history...", "Istorija prodaje..."};
inline constexpr Caption HistorySettingsTitle{"Sales history", "Istorija prodaje"};
inline constexpr Caption ShopNameLabel{"The shop's name, kept with every sale in the history:",
                                       "Naziv radnje, koji se čuva uz svaku prodaju u istoriji:"};
inline constexpr Caption PlaceLabel{
    "Where the history is kept: empty for history.sqlite in the data folder, "
    "postgresql://USER@HOST/DB for the shop's server, or sqlite:FILE:",
    "Gde se istorija čuva: prazno za history.sqlite u folderu s podacima, "
    "postgresql://KORISNIK@SERVER/BAZA za server radnje ili sqlite:DATOTEKA:"};
// %1 why.
inline constexpr Caption PlaceRefused{"This place cannot be used: %1", "Ovo mesto ne može da se koristi: %1"};
inline constexpr Caption Ok{"OK", "U redu"};
inline constexpr Caption Cancel{"Cancel", "Otkaži"};

// The History page.
inline constexpr Caption PageCaption{"Sales History", "Istorija prodaje"};
inline constexpr Caption PageHint{"Sales History - turnover, articles, hours, operators",
                                  "Istorija prodaje - promet, artikli, sati, blagajnici"};
inline constexpr Caption Close{"Close", "Zatvori"};
inline constexpr Caption NoHistory{"no history is kept", "istorija se ne vodi"};
inline constexpr Caption PeriodLabel{"Period:", "Period:"};
inline constexpr Caption Today{"Today", "Danas"};
inline constexpr Caption ThisWeek{"This week", "Ove nedelje"};
inline constexpr Caption ThisMonth{"This month", "Ovog meseca"};
inline constexpr Caption CustomRange{"From - to", "Od - do"};
inline constexpr Caption RegisterLabel{"Register:", "Kasa:"};
inline constexpr Caption AllRegisters{"All registers", "Sve kase"};
// %1 shop, %2 CR number, %3 fiscal ID.
inline constexpr Caption RegisterName{"%1 CR %2 %3", "%1 kasa %2 %3"};
inline constexpr Caption SaveChart{"Save chart...", "Sačuvaj grafikon..."};
inline constexpr Caption ExportFigures{"Export figures...", "Izvezi podatke..."};
inline constexpr Caption Loading{"Reading the history...", "Čitanje istorije..."};
// %1 receipts, %2 total.
inline constexpr Caption Totals{"Receipts: %1   Total: %2", "Računa: %1   Ukupno: %2"};
inline constexpr Caption NoSales{"No sales in this period", "Nema prodaje u ovom periodu"};
inline constexpr Caption Backwards{"The period starts after it ends", "Period počinje posle svog kraja"};
// %1 why.
inline constexpr Caption CannotRead{"The history cannot be read: %1", "Istorija ne može da se pročita: %1"};
// %1 file, %2 why.
inline constexpr Caption CannotSaveChart{"The chart cannot be saved to %1: %2",
                                         "Grafikon ne može da se sačuva u %1: %2"};
inline constexpr Caption CannotExport{"The figures cannot be exported to %1: %2",
                                      "Podaci ne mogu da se izvezu u %1: %2"};
inline constexpr Caption NotWritable{"the file or its folder cannot be written",
                                     "u datoteku ili njenu fasciklu ne može da se piše"};
inline constexpr Caption UnknownKind{"only .png, .svg and .pdf can be written",
                                     "mogu da se zapišu samo .png, .svg i .pdf"};
inline constexpr Caption UnknownSheetKind{"only .xlsx and .csv files can be written",
                                          "mogu da se zapišu samo datoteke .xlsx i .csv"};

// The charts' tabs.
inline constexpr Caption TurnoverTab{"Turnover", "Promet"};
inline constexpr Caption DepartmentsTab{"Departments", "Odeljenja"};
inline constexpr Caption TopAmountTab{"PLUs by amount", "PLU po iznosu"};
inline constexpr Caption TopQuantityTab{"PLUs by quantity", "PLU po količini"};
inline constexpr Caption HoursTab{"Hours", "Sati"};
inline constexpr Caption AverageTab{"Average receipt", "Prosečan račun"};
inline constexpr Caption OperatorsTab{"Operators", "Blagajnici"};

// The charts' titles and their figures' column heads.
inline constexpr Caption TurnoverChart{"Turnover per day by tax group", "Promet po danu po poreskoj grupi"};
inline constexpr Caption TurnoverMonthChart{"Turnover per month by tax group",
                                            "Promet po mesecu po poreskoj grupi"};
inline constexpr Caption DepartmentsChart{"Departments", "Odeljenja"};
inline constexpr Caption TopAmountChart{"Top 20 PLUs by amount", "Prvih 20 PLU po iznosu"};
inline constexpr Caption TopQuantityChart{"Top 20 PLUs by quantity", "Prvih 20 PLU po količini"};
inline constexpr Caption HoursChart{"Receipts by hour of day", "Računi po satu"};
inline constexpr Caption AverageChart{"Average receipt", "Prosečan račun"};
inline constexpr Caption OperatorsChart{"Operators", "Blagajnici"};
inline constexpr Caption Day{"Day", "Dan"};
inline constexpr Caption Month{"Month", "Mesec"};
inline constexpr Caption Tax{"Tax %1", "Porez %1"};
inline constexpr Caption Total{"Total", "Ukupno"};
inline constexpr Caption Receipts{"Receipts", "Računi"};
inline constexpr Caption Department{"Department", "Odeljenje"};
inline constexpr Caption Amount{"Amount", "Iznos"};
inline constexpr Caption Quantity{"Quantity", "Količina"};
inline constexpr Caption Plu{"PLU", "PLU"};
inline constexpr Caption Description{"Description", "Opis"};
inline constexpr Caption Hour{"Hour", "Sat"};
inline constexpr Caption Average{"Average", "Prosek"};
inline constexpr Caption Operator{"Operator", "Blagajnik"};

} // namespace HistoryMessages
