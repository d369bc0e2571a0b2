#pragma once

#include "common/Captions.h"

// Texts of the line's trace file and of a lost device.
namespace LinkCaptions {

// %1 the file, %2 the system's reason.
inline constexpr Caption TraceOpenFailed{"The protocol trace cannot be written to %1:\n%2\nThe trace is off.",
                                         "Zapis prenosa ne može da se upiše u %1:\n%2\nZapis je isključen."};
// %1 the file, %2 the system's reason.
inline constexpr Caption TraceWriteFailed{
    "The protocol trace could not be written to %1:\n%2\nThe trace is off.",
    "Zapis prenosa nije mogao da se upiše u %1:\n%2\nZapis je isključen."};
// %1 the device, %2 the system's reason.
inline constexpr Caption ConnectionLost{"The connection on %1 was lost (%2).\nThe port has been closed.",
                                        "Veza na %1 je izgubljena (%2).\nPort je zatvoren."};
// %1 the device, %2 bits per second.
inline constexpr Caption Reconnected{"%1 is back: the port is open again at %2 bit/s.",
                                     "%1 je ponovo priključen: port je opet otvoren na %2 bit/s."};

// %1 the device, %2 bits per second.
inline constexpr Caption ClockUnanswered{
    "The register did not answer the clock request on %1 at %2 bit/s: is it switched on, connected and set "
    "to this speed?",
    "Kasa nije odgovorila na zahtev za vreme na %1 pri %2 bit/s: da li je uključena, povezana i podešena na "
    "ovu brzinu?"};

// %1 the device.
inline constexpr Caption ClockPortClosed{
    "The clock request was not sent: the port %1 is not open. Connect first (Ctrl+Z).",
    "Zahtev za vreme nije poslat: port %1 nije otvoren. Prvo se povežite (Ctrl+Z)."};

} // namespace LinkCaptions
