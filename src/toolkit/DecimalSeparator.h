#pragma once

#include <QChar>

// The user's decimal separator, as numbers are shown and typed in the views.
[[nodiscard]] QChar DecimalSeparator();
