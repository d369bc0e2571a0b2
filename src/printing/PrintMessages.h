#pragma once

#include "common/Captions.h"

// The PLU listing wizard's own texts.
namespace PrintMessages {
// The status dialog while the listing is printed: page, of pages, time left.
inline constexpr Caption PrintingProgress{"Page %1 of %2, %3 left", "Strana %1 od %2, preostalo %3"};
} // namespace PrintMessages
