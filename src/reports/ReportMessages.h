#pragma once

#include "common/Captions.h"

// The reports page's own texts.
namespace ReportMessages {
// The page's tab.
inline constexpr Caption PageTitle{"Reports", "Izvestaji"};
// Asked before the register closes its fiscal day.
inline constexpr Caption ZQuestion{"Run the Z report? It closes the fiscal day and cannot be undone.",
                                   "Pokrenuti Z izveštaj? On zatvara fiskalni dan i ne može se poništiti."};
// A line of the report view for a report that never came.
inline constexpr Caption ReportUnanswered{
    "No answer from the register for \"%1\" within %2 s: nothing was received.",
    "Kasa nije odgovorila za \"%1\" za %2 s: ništa nije primljeno."};
// The PLU statistics series.
inline constexpr Caption SeriesCancelled{"Cancelled at PLU %1", "Prekinuto kod PLU %1"};
inline constexpr Caption NoActivePlu{
    "No PLU from %1 to %2 is active on the PC, so none was asked for. Read the PLUs from the register first "
    "(PLUs page, \"Read all from ECR\"), then ask again.",
    "Nijedan PLU od %1 do %2 nije aktivan na računaru, pa nijedan nije tražen. Prvo pročitajte PLU iz kase "
    "(strana PLU, \"Čitaj sve iz kase\"), pa tražite ponovo."};
inline constexpr Caption Yes{"Yes", "Da"};
inline constexpr Caption No{"No", "Ne"};
} // namespace ReportMessages
