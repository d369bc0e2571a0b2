#pragma once

#include "common/Captions.h"

// Messages of the PLU database window and its settings, in both languages.
namespace DatabaseMessages {
inline constexpr Caption NotFound{"Not found!", "Nije pronađeno!"};
inline constexpr Caption Found{" PLU(s) were found!", " PLU je pronađeno!"};
inline constexpr Caption RangeReversed{"From (%1) is above To (%2): no PLU was changed.",
                                       "Od (%1) je veće od Do (%2): nijedan PLU nije promenjen."};
inline constexpr Caption NoValue{"Choose a value first: no PLU was changed.",
                                 "Prvo izaberite vrednost: nijedan PLU nije promenjen."};
inline constexpr Caption ValueTooLarge{"%1 is above the largest value %2: no PLU was changed.",
                                       "%1 je veće od najveće vrednosti %2: nijedan PLU nije promenjen."};
inline constexpr Caption ValueOverLimit{
    "%1 is above the largest value %2: OK changes no PLU until it is corrected.",
    "%1 je veće od najveće vrednosti %2: OK ne menja nijedan PLU dok se ne "
    "ispravi."};
inline constexpr Caption PriceZero{
    "A price of 0 is not set: the register cannot sell a PLU priced 0. Enter a price "
    "above 0; no PLU was changed.",
    "Cena 0 se ne postavlja: kasa ne može da prodaje PLU sa cenom 0. Unesite cenu "
    "veću od 0; nijedan PLU nije promenjen."};
inline constexpr Caption NegativeValue{"%1 is below zero: no PLU was changed.",
                                       "%1 je manje od nule: nijedan PLU nije promenjen."};
inline constexpr Caption StockTooLarge{
    "The stock of these PLUs is too large for a unit with decimals; they keep their unit:\n%1",
    "Stanje ovih PLU je preveliko za jedinicu sa decimalama; zadržavaju svoju jedinicu:\n%1"};
inline constexpr Caption ConfirmInitialise{
    "Initialise %1 PLU(s) from %2 to %3?\nTheir descriptions, prices, barcodes and stock are lost.",
    "Inicijalizovati %1 PLU od %2 do %3?\nNjihovi opisi, cene, barkodovi i stanje se brišu."};
inline constexpr Caption ConfirmDeactivate{"Deactivate %1 PLU(s) from %2 to %3?",
                                           "Deaktivirati %1 PLU od %2 do %3?"};
inline constexpr Caption NothingInRange{"No PLU from %1 to %2 is affected.",
                                        "Nijedan PLU od %1 do %2 nije obuhvaćen."};
inline constexpr Caption TableInUse{
    "The PLU database %1 cannot be taken: %2.\nEnd that program and start again.",
    "PLU baza %1 ne može da se preuzme: %2.\nZavršite taj program i pokrenite "
    "ponovo."};
} // namespace DatabaseMessages
