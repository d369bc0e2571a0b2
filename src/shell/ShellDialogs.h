#pragma once

#include <QList>

class QWidget;
class TDataForm;
class TDLForm;
class TExpImpForm;
class TIntroForm;
class TMessageForm;
class TOperForm;
class TPLUPrintForm;
class TPLUStat;
class TRepStatusForm;

// The dialogs the main window opens and wires, created after it.
struct ShellDialogs {
    TDataForm& DataForm;
    TDLForm& DLForm;
    TPLUStat& PLUStat;
    TOperForm& OperForm;
    TMessageForm& MessageForm;
    TPLUPrintForm& PLUPrintForm;
    TRepStatusForm& RepStatusForm;
    TIntroForm& IntroForm;
    TExpImpForm& ExpImpForm;
    // Every dialog, for captions, the charset and closing.
    QList<QWidget*> All;
};
