#pragma once

#include "common/Captions.h"

// The sales monitor page's own texts.
namespace MonitorMessages {
// The page's tab.
inline constexpr Caption PageTitle{"Sales Monitor", "Evidencija prodaje"};
} // namespace MonitorMessages
