#include "shell/Screenshots.h"

#include "barcodes/TBarcodeForm.h"
#include "plu/PluPage.h"
#include "shell/FormSet.h"
#include "shell/ModePage.h"
#include "shell/ShellSettings.h"
#include "shell/StartPage.h"
#include "shell/TIntroForm.h"
#include "shell/TUserForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
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
        // The PLU page as it looks a quarter into reading a range of 1000.
        PluPage* plu = window.ProgSheet();
        window.ShowPage(plu);
        plu->SetRangeRunning(true, TransferKind::ReadRange);
        plu->ShowStatusPanel(true);
        plu->ShowRequest(QStringLiteral("   >"), 250);
        plu->ShowReply(QStringLiteral("        <"), 249);
        plu->ShowProgress(250, 1000, 43000);
        save(window, QStringLiteral("ProgSheet_transfer_") + suffix);
        plu->ShowStatusPanel(false);
        plu->SetRangeRunning(false, TransferKind::ReadRange);
        window.ShowPage(window.StartSheet());
        for (QAction* item : window.menuBar()->actions()) {
            QMenu* menu = item->menu();
            if (!menu)
                continue;
            menu->popup(window.mapToGlobal(QPoint(0, 0)));
            save(*menu, QStringLiteral("Menu_") + menu->objectName() + QLatin1Char('_') + suffix);
            menu->hide();
        }
    }
    forms.IntroForm().show();
    save(forms.IntroForm(), QStringLiteral("TIntroForm"));
    forms.IntroForm().close();
    forms.BarcodeForm().show();
    save(forms.BarcodeForm(), QStringLiteral("TBarcodeForm"));
    forms.BarcodeForm().close();
    return written;
}
