#pragma once

#include "common/Captions.h"

// The barcode dialog's texts by language. The validation messages and the
// barcode sample stay in the dialog's own English in both languages.
namespace BarcodeMessages {
inline constexpr Caption FormTitle{"Barcode Form", "Dekodiranje barkoda"};
inline constexpr Caption TypeTitle{"Type", "Tip"};
inline constexpr Caption LengthsTitle{"Lengths", "Dužine"};
inline constexpr Caption HeaderTitle{"Header", "Prefiks"};
inline constexpr Caption CodeTitle{"Code", "Kod"};
inline constexpr Caption WeightTitle{"Weight", "Težina"};
inline constexpr Caption DoubleClickHint{"Double click in the grid to view a Barcode sample",
                                         "Dvaput kliknite u tabelu da vidite primer barkoda"};
inline constexpr Caption ApplyText{"Apply", "Primeni"};
inline constexpr Caption CloseText{"Close", "Zatvori"};
inline constexpr Caption CancelText{"Cancel", "Poništi"};
// %1 the column's title.
inline constexpr Caption NotANumber{"%1 must be a number!", "%1 mora da bude broj!"};
// %1 the damaged rules, each as RuleText.
inline constexpr Caption DamagedRules{
    "These barcode rules from ComOpts.ini are damaged: %1.\nA damaged rule matches no barcode; correct it "
    "here and apply.",
    "Ova pravila barkoda iz ComOpts.ini su oštećena: %1.\nOštećeno pravilo ne prepoznaje nijedan barkod; "
    "ispravite ga ovde i primenite."};
// %1 the rule's number, %2 its header, %3 code, %4 weight.
inline constexpr Caption RuleText{"type %1 (header %2, code %3, weight %4)",
                                  "tip %1 (prefiks %2, kod %3, težina %4)"};
} // namespace BarcodeMessages
