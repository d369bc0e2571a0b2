#pragma once

#include "common/Captions.h"

// The viewer's own notices and its loading progress.
namespace ViewerMessages {
inline constexpr Caption Cancel{"Cancel", "Otkaži"};
inline constexpr Caption ViewProgressText{"Loading the file: %1 of %2 MB, %3 left",
                                          "Učitavanje datoteke: %1 od %2 MB, preostalo %3"};
inline constexpr Caption TooManyLinesToWrap{
    "This text has too many lines to be shown with word wrap: it is shown without.",
    "Ovaj tekst ima previše redova da bi se prikazao sa prelamanjem: prikazan je bez prelamanja."};
// The page's tab.
inline constexpr Caption PageTitle{"File Viewer", "Pregled datoteka"};
} // namespace ViewerMessages
