#pragma once

#include "common/Captions.h"

// The PLU page's own questions and the answers it offers.
namespace PluPageMessages {
inline constexpr Caption Yes{"Yes", "Da"};
inline constexpr Caption No{"No", "Ne"};
inline constexpr Caption WriteAllQuestion{
    "Write %1 PLUs (PLU %2 to %3) from the PC to the register?\nThe register's programming of these PLUs "
    "will be replaced.",
    "Upisati %1 PLU (PLU %2 do %3) iz računara u kasu?\nProgramiranje ovih PLU u kasi biće zamenjeno."};
inline constexpr Caption OverLimit{
    "%1: %2 is above the limit %3. The PLU is not stored or written until it is "
    "corrected.",
    "%1: %2 je iznad granice %3. PLU se ne čuva i ne upisuje dok se ne ispravi."};
inline constexpr Caption PriceField{"Price", "Cena"};
inline constexpr Caption CostField{"Net Price", "Ulazna cena"};
inline constexpr Caption StockField{"Stock", "Stanje"};
// The page's tab.
inline constexpr Caption PageTitle{"PLUs", "PLU"};
} // namespace PluPageMessages
