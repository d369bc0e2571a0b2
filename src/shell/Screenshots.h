#pragma once

#include <QString>

class FormSet;

// Pictures of the main window on every page in both languages, and of the
// about window, as PNG files in dir. Returns the number of files written.
int SaveScreenshots(FormSet& forms, const QString& dir);
