#include "toolkit/CharsetSwitch.h"

#include "common/ShellSettings.h"

#include <QLineEdit>
#include <QWidget>

namespace CharsetSwitch {

namespace {

void SetCharsetAndFont(QWidget* control, int charset, const QString& fontName) {
    QFont font = control->font();
    font.setFamily(fontName);
    control->setFont(font);
    control->setProperty(CharsetProperty, charset);
}

} // namespace

void Apply(const QList<QWidget*>& forms, int charset, const QString& fontName) {
    static const char* const views[] = {"MonListBox", "DailyRich", "ViewRich", "RepRichEdit"};
    static const char* const registerFields[] = {"Description", "Description2", "Barcode", "Line1",
                                                 "Line2",       "Line3",        "Line4",   "Line5",
                                                 "Line6",       "Line7",        "Line8"};
    static const char* const others[] = {"Grid", "GridDescr", "Line9", "SaleDescrEdit"};
    for (QWidget* form : forms) {
        if (!form)
            continue;
        for (const char* name : views) {
            if (auto* view = form->findChild<QWidget*>(QString::fromLatin1(name)))
                SetCharsetAndFont(view, charset, fontName);
        }
        for (const char* name : registerFields) {
            if (auto* field = form->findChild<QLineEdit*>(QString::fromLatin1(name))) {
                field->clear();
                SetCharsetAndFont(field, charset, fontName);
            }
        }
        for (const char* name : others) {
            if (auto* control = form->findChild<QWidget*>(QString::fromLatin1(name)))
                SetCharsetAndFont(control, charset, fontName);
        }
    }
    Shell().RegisterCharset = charset;
}

} // namespace CharsetSwitch
