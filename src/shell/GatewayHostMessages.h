#pragma once

#include "common/Captions.h"

// What the window says about serving its register to other programs.
namespace GatewayHostMessages {

inline constexpr Caption Item{"Serve the register to other programs...", "Posluži kasu drugim programima..."};
inline constexpr Caption Title{"Serve the register to other programs", "Posluživanje kase drugim programima"};
inline constexpr Caption On{"Serve the register to other programs on this PC",
                            "Posluži kasu drugim programima na ovom računaru"};
inline constexpr Caption Port{"Port:", "Port:"};
inline constexpr Caption Token{"Token (other programs send it as \"Authorization: Bearer TOKEN\"):",
                               "Token (drugi programi ga šalju kao \"Authorization: Bearer TOKEN\"):"};
inline constexpr Caption Copy{"Copy", "Kopiraj"};
inline constexpr Caption Ok{"OK", "U redu"};
inline constexpr Caption Cancel{"Cancel", "Otkaži"};
// %1 the address.
inline constexpr Caption Serving{"Serving the register to other programs at %1",
                                 "Kasa se poslužuje drugim programima na %1"};
inline constexpr Caption Busy{"The register is serving another program; the window waits until it is done",
                              "Kasa služi drugi program; prozor čeka da završi"};
// %1 why.
inline constexpr Caption CannotServe{"The register cannot be served to other programs: %1",
                                     "Kasa ne može da se posluži drugim programima: %1"};

} // namespace GatewayHostMessages
