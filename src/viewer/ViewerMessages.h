#pragma once

#include "common/Captions.h"

// The viewer's own notices and its loading progress.
namespace ViewerMessages {
inline constexpr Caption ViewProgressText{"Reading the file: %1 of %2 MB, %3 lines so far",
                                          "Čitanje datoteke: %1 od %2 MB, do sada redova: %3"};
// The print status dialog: its title, its heading, the page being printed, its button.
inline constexpr Caption PrintTitle{"Print Status", "Status štampe"};
inline constexpr Caption Printing{"Printing...", "Štampanje..."};
inline constexpr Caption PrintingPage{"Printing page %1", "Štampa se strana %1"};
inline constexpr Caption PrintCancel{"Cancel", "Poništi"};
inline constexpr Caption FileShortened{
    "Another program shortened the file while it was shown: what lay past its new end shows as empty. View "
    "it again to see it as it is now.",
    "Drugi program je skratio datoteku dok je bila prikazana: ono što je bilo iza njenog novog kraja "
    "prikazuje se prazno. Otvorite je ponovo da biste je videli kakva je sada."};
// The page's tab.
inline constexpr Caption PageTitle{"File Viewer", "Pregled datoteka"};
} // namespace ViewerMessages

// The find bar of the text views.
namespace FindMessages {
inline constexpr Caption Find{"Find:", "Pronađi:"};
inline constexpr Caption MatchCase{"Match case", "Razlikuj velika i mala slova"};
inline constexpr Caption Next{"Next", "Sledeće"};
inline constexpr Caption Previous{"Previous", "Prethodno"};
inline constexpr Caption Close{"Close", "Zatvori"};
inline constexpr Caption Searching{"Searching...", "Pretraga..."};
inline constexpr Caption Found{"%1 found", "Pronađeno: %1"};
inline constexpr Caption NotFound{"Not found", "Nije pronađeno"};
inline constexpr Caption Copy{"Copy", "Kopiraj"};
inline constexpr Caption SelectAll{"Select All", "Izaberi sve"};
inline constexpr Caption FindMenu{"Find...", "Pronađi..."};
inline constexpr Caption TooMuchToCopy{
    "The selection is too large to copy: %1 rows; up to %2 rows are copied.",
    "Izbor je prevelik za kopiranje: redova %1; kopira se do %2 redova."};
} // namespace FindMessages
