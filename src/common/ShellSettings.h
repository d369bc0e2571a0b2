#pragma once

#include <QString>

// What the user sets in the shell for this run. Nothing here is stored: every
// run starts from these values.
struct ShellSettings {
    static constexpr int English = 0;
    static constexpr int Serbian = 1;

    int UiLanguage = Serbian;
    int RegisterCharset = 204;
    QString StartDirectory;
    int SaveTarget = 0; // 0 monitor, 1 reports, 2 viewer
    bool SaleAfterScan = false;
    int DescriptionColumn = 2;
    bool PlusReadFromRegister = false;
    bool DatabaseChanged = false;
    int TextFontSize = 8;
    bool WordWrap = false;
    int SoftwareVersion = 240;
};

// The run's settings, shared by every window and decoder.
[[nodiscard]] ShellSettings& Shell();
// Back to the start values, with StartDirectory the current working directory.
void ResetShellSettings();
