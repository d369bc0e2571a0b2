#pragma once

#include "common/Captions.h"

// What the register calls say when they fail, in the session's language.
namespace GatewayMessages {
inline constexpr Caption NoResponse = Captions::Link::NoResponse;
inline constexpr Caption PortClosed{"The register's port %1 cannot be opened. Nothing was sent.",
                                    "Port kase %1 ne može da se otvori. Ništa nije poslato."};
inline constexpr Caption Busy{"Another exchange with the register is running. Nothing was sent.",
                              "U toku je druga razmena sa kasom. Ništa nije poslato."};
inline constexpr Caption NotWholeReport{"The register's reply was not a whole report.",
                                        "Odgovor kase nije ceo izveštaj."};
inline constexpr Caption BadCharacter{"%1: the register cannot print the character '%2'. Nothing was sent.",
                                      "%1: kasa ne može da odštampa znak '%2'. Ništa nije poslato."};
inline constexpr Caption OtherValues{"The register kept other values for PLU %1: %2.",
                                     "Kasa je zadržala druge vrednosti za PLU %1: %2."};
inline constexpr Caption PluNoResponse{"There is no Orvex response for PLU %1. PLUs done: %2 of %3.",
                                       "Nema odgovora od Orvex za PLU %1. Urađeno PLU: %2 od %3."};
inline constexpr Caption PluStopped{"The transfer stopped at PLU %1: %2",
                                    "Prenos je zaustavljen kod PLU %1: %2"};
inline constexpr Caption Cancelled{"Cancelled after %1 of %2 PLUs.", "Otkazano posle %1 od %2 PLU."};
inline constexpr Caption Unanswered{"The register did not answer for %1 of %2 PLUs.",
                                    "Kasa nije odgovorila za %1 od %2 PLU."};
inline constexpr Caption ThanksUnknown{
    "The register does not tell its thanks message, and none has been written through this service since "
    "it started.",
    "Kasa ne daje svoju reklamnu poruku, a nijedna nije upisana preko ovog servisa otkako je pokrenut."};
inline constexpr Caption ZUnanswered{
    "The register did not answer the Z report in time; it may still have run it. Ask for the last Z report "
    "before running it again.",
    "Kasa nije odgovorila na Z izveštaj na vreme; možda ga je ipak uradila. Pogledajte poslednji Z izveštaj "
    "pre nego što ga ponovo pokrenete."};
} // namespace GatewayMessages
