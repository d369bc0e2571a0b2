#pragma once

#include "common/Captions.h"

// The header page's and the thanks editor's own refusals and notices.
namespace HeaderMessages {
inline constexpr Caption BadChar{"Line %1: the register cannot print the character '%2'. Nothing was sent.",
                                 "Linija %1: kasa ne može da odštampa znak '%2'. Ništa nije poslato."};
inline constexpr Caption TooLong{"Line %1 has %2 characters; it takes at most %3. Shorten it first.",
                                 "Linija %1 ima %2 znakova; prima najviše %3. Prvo je skratite."};
inline constexpr Caption WrongLine{"The register kept answering with another line instead of line %1. "
                                   "Reading stopped.",
                                   "Kasa je stalno odgovarala drugom linijom umesto linije %1. "
                                   "Čitanje je zaustavljeno."};
inline constexpr Caption ReadTimeout{"No answer from the register for line %1. Reading stopped.",
                                     "Kasa nije odgovorila za liniju %1. Čitanje je zaustavljeno."};
inline constexpr Caption WriteStopped{"Writing stopped at line %1: %2. Lines written: %3.",
                                      "Upis je zaustavljen kod linije %1: %2. Upisane linije: %3."};
inline constexpr Caption NoAnswer{"no answer from the register", "kasa nije odgovorila"};
inline constexpr Caption OtherLine{"the register answered for another line",
                                   "kasa je odgovorila za drugu liniju"};
inline constexpr Caption ReadCancelled{"Reading stopped at line %1.",
                                       "Čitanje je zaustavljeno kod linije %1."};
inline constexpr Caption Cancelled{"stopped before the register answered", "zaustavljeno pre odgovora kase"};
inline constexpr Caption None{"none", "nijedna"};
inline constexpr Caption ReadFirst{
    "The lines have not been read from the register since the page was opened. "
    "Write them anyway?",
    "Linije nisu pročitane iz kase otkako je strana otvorena. "
    "Ipak ih upisati?"};
inline constexpr Caption ReadDone{"All 8 lines read.", "Pročitano svih 8 linija."};
inline constexpr Caption WriteDone{"Lines 1 to 5 written.", "Upisane linije 1 do 5."};
inline constexpr Caption ThanksTimeout{"No answer from the register: the thanks message may not have been "
                                       "written. The text is kept.",
                                       "Kasa nije odgovorila: reklamna poruka možda nije upisana. "
                                       "Tekst je sačuvan."};
inline constexpr Caption Busy{"Another exchange with the register is running.",
                              "U toku je druga razmena sa kasom."};
inline constexpr Caption EraseThanks{
    "The thanks message is empty: writing it erases the register's thanks "
    "message. Erase it?",
    "Reklamna poruka je prazna: upis briše reklamnu poruku u kasi. Obrisati je?"};
inline constexpr Caption Yes{"Yes", "Da"};
inline constexpr Caption No{"No", "Ne"};
// The page's tab.
inline constexpr Caption PageTitle{"Header", "Zaglavlje"};
} // namespace HeaderMessages
