#include "shell/Screenshots.h"

#include "shell/FormSet.h"
#include "shell/ModePage.h"
#include "shell/ShellSettings.h"
#include "shell/StartPage.h"
#include "shell/TIntroForm.h"
#include "shell/TUserForm.h"

#include <QApplication>
#include <QDir>
#include <QStackedWidget>

int SaveScreenshots(FormSet& forms, const QString& dir) {
    QDir().mkpath(dir);
    TUserForm& window = forms.UserForm();
    window.show();
    window.FormActivate();
    QApplication::processEvents();
    int written = 0;
    const auto save = [&](QWidget& widget, const QString& name) {
        QApplication::processEvents();
        if (widget.grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))))
            ++written;
    };
    for (const int lang : {ShellSettings::Serbian, ShellSettings::English}) {
        Shell().UiLanguage = lang;
        window.ApplyLanguage(lang);
        const QString suffix = lang == ShellSettings::English ? QStringLiteral("en") : QStringLiteral("sr");
        QStackedWidget* pages = window.PageControl();
        for (int i = 0; i < pages->count(); ++i) {
            auto* page = qobject_cast<ModePage*>(pages->widget(i));
            window.ShowPage(page);
            save(window, page->objectName() + QLatin1Char('_') + suffix);
        }
        window.ShowPage(window.StartSheet());
    }
    forms.IntroForm().show();
    save(forms.IntroForm(), QStringLiteral("TIntroForm"));
    forms.IntroForm().close();
    return written;
}
