#pragma once

#include "common/Captions.h"

// The fiscal printer page's own refusals and notices.
namespace SaleMessages {
inline constexpr Caption OutOfRange{"%1: '%2' is not a number from 0 to %3. Nothing was sent.",
                                    "%1: '%2' nije broj od 0 do %3. Ništa nije poslato."};
inline constexpr Caption NoPricePlu{
    "PLU Code: enter the number of the PLU whose price is to be written (0 to 9999). Nothing was sent.",
    "PLU kod: unesite broj PLU čija se cena upisuje (od 0 do 9999). Ništa nije poslato."};
inline constexpr Caption BadPlu{"PLU Code: '%1' is not a PLU number from 0 to 9999. Nothing was sent.",
                                "PLU kod: '%1' nije PLU broj od 0 do 9999. Ništa nije poslato."};
inline constexpr Caption OverLimit{"%1: %2 is above the limit %3. Nothing is sent until it is corrected.",
                                   "%1: %2 je iznad granice %3. Ništa se ne šalje dok se ne ispravi."};
inline constexpr Caption PluCode{"PLU Code", "PLU kod"};
inline constexpr Caption Quantity{"Weight / Pieces", "Težina / Komada"};
inline constexpr Caption Payment{"Total/Cash", "Ukupno/Gotovina"};
inline constexpr Caption Price{"Price", "Cena"};
inline constexpr Caption Amount{"By Amount", "Po iznosu"};
inline constexpr Caption Percent{"By Percentage", "Po procentima"};
inline constexpr Caption PriceOk{"Price...OK!", "Cena...OK!"};
inline constexpr Caption PriceWrong{"The register answered PLU %1 with the price %2 instead of %3.",
                                    "Kasa je za PLU %1 odgovorila cenom %2 umesto %3."};
inline constexpr Caption NoDescription{"No PLU description begins with '%1'.",
                                       "Nijedan opis PLU ne počinje sa '%1'."};
inline constexpr Caption NoBarcode{"No PLU has the barcode '%1'.", "Nijedan PLU nema barkod '%1'."};
inline constexpr Caption Busy{"Another exchange with the register is running; the price was not sent.",
                              "U toku je druga razmena sa kasom; cena nije poslata."};
inline constexpr Caption NoPrice{
    "Price: enter a price above 0 for PLU %1. A PLU priced 0 cannot be sold. "
    "Nothing was sent.",
    "Cena: unesite cenu veću od 0 za PLU %1. PLU sa cenom 0 ne može da se prodaje. "
    "Ništa nije poslato."};
// The hint panel, when the register has not answered a step it was sent.
inline constexpr Caption StepUnconfirmed{
    "No answer from the register to \"%1\" within %2 s: the step may not have been done.",
    "Kasa nije odgovorila na \"%1\" za %2 s: korak možda nije urađen."};
inline constexpr Caption StatusUnanswered{"No answer from the register to \"%1\" within %2 s.",
                                          "Kasa nije odgovorila na \"%1\" za %2 s."};
// The close query after sale commands.
inline constexpr Caption ReceiptOpenAtClose{
    "The register is still inside a receipt (%1). Finish it with a payment or clear it; otherwise the next "
    "receipt goes on from it.\nClose the program anyway?",
    "Kasa je još u računu (%1). Završite ga plaćanjem ili ga obrišite; inače se sledeći račun nastavlja na "
    "njega.\nIpak zatvoriti program?"};
inline constexpr Caption ReceiptUnknownAtClose{
    "The register did not say whether a receipt is still open, and sale commands were sent in this run.\n"
    "Close the program anyway?",
    "Kasa nije rekla da li je račun još otvoren, a u ovom radu su slate komande prodaje.\n"
    "Ipak zatvoriti program?"};
inline constexpr Caption Yes{"Yes", "Da"};
inline constexpr Caption No{"No", "Ne"};
inline constexpr Caption Write{"Write", "Piši"};
// The page's tab.
inline constexpr Caption PageTitle{"Fiscal Printer", "Fiskalni printer"};
} // namespace SaleMessages
