#pragma once

#include "common/Captions.h"

// The barcode dialog's texts by language. The dialog has no Serbian captions
// of its own: it shows its built-in English texts in both languages, and this
// is where a translation would go.
namespace BarcodeMessages {
inline constexpr Caption FormTitle{"Barcode Form", "Barcode Form"};
inline constexpr Caption TypeTitle{"Type", "Type"};
inline constexpr Caption LengthsTitle{"Lengths", "Lengths"};
inline constexpr Caption HeaderTitle{"Header", "Header"};
inline constexpr Caption CodeTitle{"Code", "Code"};
inline constexpr Caption WeightTitle{"Weight", "Weight"};
inline constexpr Caption DoubleClickHint{"Double click in the grid to view a Barcode sample",
                                         "Double click in the grid to view a Barcode sample"};
inline constexpr Caption ApplyText{"Apply", "Apply"};
inline constexpr Caption CloseText{"Close", "Close"};
inline constexpr Caption CancelText{"Cancel", "Cancel"};
} // namespace BarcodeMessages
