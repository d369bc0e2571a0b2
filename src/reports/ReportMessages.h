#pragma once

#include "common/Captions.h"

// The reports page's own texts.
namespace ReportMessages {
// The page's tab.
inline constexpr Caption PageTitle{"Reports", "Izvestaji"};
// Asked before the register closes its fiscal day.
inline constexpr Caption ZQuestion{"Run the Z report? It closes the fiscal day and cannot be undone.",
                                   "Pokrenuti Z izveštaj? On zatvara fiskalni dan i ne može se poništiti."};
inline constexpr Caption Yes{"Yes", "Da"};
inline constexpr Caption No{"No", "Ne"};
} // namespace ReportMessages
