#include "ShellFixture.h"

#include "common/Captions.h"
#include "shell/TDLForm.h"
#include "toolkit/ModePage.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace {

// What a caption row set on a control, read back as the user sees it.
QString Shown(QObject* control, CaptionTarget target) {
    if (target == CaptionTarget::ToolTip) {
        if (auto* widget = qobject_cast<QWidget*>(control))
            return widget->toolTip();
        if (auto* action = qobject_cast<QAction*>(control))
            return action->toolTip();
        return {};
    }
    if (auto* page = qobject_cast<ModePage*>(control))
        return page->CaptionText();
    if (auto* menu = qobject_cast<QMenu*>(control))
        return menu->title();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return group->title();
    if (auto* action = qobject_cast<QAction*>(control))
        return action->text();
    return QStringLiteral("<no text>");
}

// Objects of a name on a window; a menu and its own action count once.
QList<QObject*> Named(QWidget* root, const QString& name) {
    QList<QObject*> found;
    for (QObject* object : root->findChildren<QObject*>(name)) {
        if (auto* action = qobject_cast<QAction*>(object)) {
            if (action->menu() && action->menu()->objectName() == name)
                continue;
        }
        found << object;
    }
    return found;
}

struct Table {
    const char* Name;
    std::span<const ControlCaption> Rows;
    // Every control of the table is built already (the pages and menus that
    // exist); tables of windows that later work fills may miss some.
    bool Complete;
};

} // namespace

// Every caption of every table lands, in both languages and with its exact
// text, on the one control that carries its name: no other object of that name
// on the same window can take it instead.
TEST_F(ShellTest, EveryCaptionReachesItsControlInBothLanguages) {
    using namespace Captions;
    const Table tables[] = {
        {"menu", MenuCaptions(), true},       {"monitor", MonitorCaptions(), true},
        {"viewer", ViewerCaptions(), true},   {"sales", SalesCaptions(), false},
        {"reports", DailyCaptions(), false},  {"plu", PluCaptions(), true},
        {"header", HeaderCaptions(), false},  {"plu statistics", PluStatCaptions(), false},
        {"operators", OperCaptions(), false}, {"database", DataFormCaptions(), true},
        {"download", DLFormCaptions(), true}, {"thanks", ThanksCaptions(), false},
        {"toolbar", ToolbarHints(), true},    {"printing", PrintFormCaptions(), true},
        {"popup", PopupCaptions(), true},
    };
    const std::pair<const char*, QWidget*> windows[] = {
        {"", &Window()}, {"TDataForm", &forms->DataForm()}, {"TDLForm", &forms->DLForm()}};
    const auto windowOf = [&](const char* form) -> QWidget* {
        for (const auto& [name, window] : windows) {
            if (qstrcmp(name, form) == 0)
                return window;
        }
        for (QWidget* dialog : forms->Dialogs()) {
            if (dialog->objectName() == QLatin1String(form))
                return dialog;
        }
        return nullptr;
    };
    for (const int lang : {ShellSettings::English, ShellSettings::Serbian}) {
        Item(lang == ShellSettings::English ? "MnEnglish" : "MnSerbian")->trigger();
        for (const Table& table : tables) {
            for (const ControlCaption& row : table.Rows) {
                SCOPED_TRACE(testing::Message()
                             << table.Name << " " << row.Form << "." << row.Control << " lang " << lang);
                QWidget* window = windowOf(row.Form);
                ASSERT_NE(window, nullptr);
                const QString expected = row.Text.Text(lang);
                if (row.Target == CaptionTarget::Title) {
                    EXPECT_EQ(window->windowTitle(), expected);
                    continue;
                }
                const QList<QObject*> named = Named(window, QString::fromLatin1(row.Control));
                if (named.isEmpty()) {
                    EXPECT_FALSE(table.Complete) << "missing control";
                    continue;
                }
                ASSERT_EQ(named.size(), 1) << "the name is not unique on its window";
                EXPECT_EQ(Shown(named.first(), row.Target), expected);
            }
        }
    }
}

// The menu items that keep their built-in text in both languages, and the
// texts as built of the items a caption table renames.
TEST_F(ShellTest, ItemsWithoutACaptionKeepTheirBuiltText) {
    const std::pair<const char*, const char*> fixed[] = {
        {"Barcode1", "Barcode"},
        {"BarcMnOn", "On"},
        {"BarcMnOff", "Off"},
        {"MnSaleafter", "Sale after barcode sanning"},
        {"MnUsersale", "User sale"},
        {"Mnv240", "v.240"},
        {"Mnv250", "v.250"},
        {"Com1", "Com1"},
        {"Com4", "Com4"},
        {"mbr9600", "9600"},
        {"mbr19200", "19200"},
        {"mbr38400", "38400"},
        {"FS8", "8"},
        {"FS10", "10"},
        {"FS12", "12"},
    };
    for (const int lang : {ShellSettings::English, ShellSettings::Serbian}) {
        Item(lang == ShellSettings::English ? "MnEnglish" : "MnSerbian")->trigger();
        for (const auto& [name, text] : fixed)
            EXPECT_EQ(Item(name)->text(), QString::fromUtf8(text)) << name << " lang " << lang;
        EXPECT_EQ(Window().windowTitle(), QStringLiteral("Orvex  Commander"));
        // Page controls the tables leave alone, and the twins that are the same text.
        const std::pair<const char*, const char*> controls[] = {
            {"SalesBrcdLabel", "Barcode"}, {"BarcodeCommit", "Barcodes"}, {"Reset", "Reset"}};
        for (const auto& [name, text] : controls) {
            const auto* control = Window().findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(control, nullptr) << name;
            const QVariant shown = control->property("text");
            EXPECT_EQ(shown.toString(), QString::fromUtf8(text)) << name << " lang " << lang;
        }
        const auto* barcodeLabel = Window().findChild<QWidget*>(QStringLiteral("BarcodeLabel"));
        ASSERT_NE(barcodeLabel, nullptr);
        EXPECT_TRUE(barcodeLabel->property("text").toString().startsWith(
            lang == ShellSettings::English ? QStringLiteral("Barcode") : QStringLiteral("Barkod")));
    }
}
