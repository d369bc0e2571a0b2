#pragma once

#include "common/Captions.h"

// The reports page's own texts.
namespace ReportMessages {
// The page's tab.
inline constexpr Caption PageTitle{"Reports", "Izvestaji"};
} // namespace ReportMessages
