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

} // namespace HistoryMessages
