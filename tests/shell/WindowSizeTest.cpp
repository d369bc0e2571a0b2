#include "ShellFixture.h"

#include "reports/TOperForm.h"
#include "reports/TPLUStat.h"
#include "sales/SalesPage.h"
#include "shell/HintsPanel.h"
#include "toolkit/ModePage.h"
#include "viewer/ViewerMessages.h"
#include "viewer/ViewerPage.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <functional>

namespace {

// A text far longer than any window is wide.
QString VeryLongText() {
    return QStringLiteral("/home/shop/reports/").repeated(12) + QStringLiteral(" could not be read: ") +
           QStringLiteral("the reason goes on and on ").repeated(10);
}

class WindowSizeTest : public ShellTest {
  protected:
    void ShowAtDefaultSize() {
        Window().show();
        QApplication::processEvents();
        shownSize = Window().size();
    }
    // The page area needs no scrolling: every page fits the window.
    [[nodiscard]] bool PageFits() const {
        auto* scroll = Window().findChild<QScrollArea*>(QStringLiteral("PageScroll"));
        if (!scroll)
            return Window().PageControl()->minimumSizeHint().width() <= Window().PageControl()->width() &&
                   Window().PageControl()->minimumSizeHint().height() <= Window().PageControl()->height();
        const QSize needed = Window().PageControl()->minimumSizeHint();
        return needed.width() <= scroll->viewport()->width() &&
               needed.height() <= scroll->viewport()->height();
    }
    QSize shownSize;
};

struct SizeCase {
    const char* Name;
    std::function<void(TUserForm&)> Act;
};

// However long a notice or a hint, and whatever opens on a page, the window
// keeps the size it has; a long text is cut short where it shows and given
// whole in a tooltip.
TEST_F(WindowSizeTest, NoNoticeHintOrBoxChangesTheWindowsSize) {
    const SizeCase cases[] = {
        {"viewer notice",
         [](TUserForm& window) {
             window.ShowPage(window.ViewerSheet());
             window.ViewerSheet()->ViewProgress()->setText(VeryLongText());
             window.ViewerSheet()->ViewProgress()->show();
         }},
        {"note under the hint",
         [](TUserForm& window) { window.Hints()->SetNote(QStringLiteral("test"), VeryLongText()); }},
        {"two notes under the hint",
         [](TUserForm& window) {
             window.Hints()->SetNote(QStringLiteral("test"), VeryLongText());
             window.Hints()->SetNote(QStringLiteral("other"), VeryLongText(), HintsPanel::NoteKind::Normal);
         }},
        {"new price box on the fiscal printer page",
         [](TUserForm& window) {
             window.ShowPage(window.SalesSheet());
             window.findChild<QPushButton*>(QStringLiteral("NewPLUPrBtn"))->click();
         }},
    };
    ShowAtDefaultSize();
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Act(Window());
        QApplication::processEvents();
        EXPECT_EQ(Window().size(), shownSize);
    }
    EXPECT_EQ(Window().Hints()->Note(), VeryLongText() + QLatin1Char('\n') + VeryLongText());
    for (const QString& line : Window().Hints()->ShownNoteLines())
        EXPECT_TRUE(line.endsWith(QChar(0x2026))) << line.toStdString();
}

// A file shortened by another program while the viewer shows it: the notice
// says so without moving the window's edges.
TEST_F(WindowSizeTest, ShortenedFileNoticeKeepsTheWindowsSize) {
    const QString path = QDir(workDir.path()).filePath(QStringLiteral("big.txt"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 2000; ++i)
            file.write(QByteArray("a line of the file that is long enough to matter ").repeated(2) + "\n");
    }
    ShowAtDefaultSize();
    Window().ShowPage(Window().ViewerSheet());
    ASSERT_TRUE(Window().ViewerSheet()->ShowFile(path, 0).isEmpty());
    ASSERT_TRUE(WaitUntil([this] { return Window().ViewerSheet()->Complete(); }));
    ASSERT_TRUE(QFile::resize(path, 5000));
    QLabel* notice = Window().ViewerSheet()->ViewProgress();
    ASSERT_TRUE(WaitUntil([notice] { return notice->isVisible(); }));
    QApplication::processEvents();
    EXPECT_EQ(Window().size(), shownSize);
    EXPECT_EQ(notice->text(), ViewerMessages::FileShortened.Text());
}

// At the size it opens with, the window shows every page whole, in either language.
TEST_F(WindowSizeTest, EveryPageFitsTheDefaultSizeInBothLanguages) {
    ShowAtDefaultSize();
    for (const int lang : {ShellSettings::Serbian, ShellSettings::English}) {
        Shell().UiLanguage = lang;
        Window().ApplyLanguage(lang);
        QStackedWidget* pages = Window().PageControl();
        for (int i = 0; i < pages->count(); ++i) {
            auto* page = qobject_cast<ModePage*>(pages->widget(i));
            Window().ShowPage(page);
            QApplication::processEvents();
            SCOPED_TRACE(page->objectName().toStdString() + (lang ? " sr" : " en"));
            const QSize needed = Window().PageControl()->minimumSizeHint();
            const QSize room =
                Window().findChild<QScrollArea*>(QStringLiteral("PageScroll"))->viewport()->size();
            EXPECT_TRUE(PageFits()) << "needs " << needed.width() << "x" << needed.height() << ", has "
                                    << room.width() << "x" << room.height();
            EXPECT_EQ(Window().size(), shownSize);
        }
    }
}

} // namespace

namespace {

// A dialog or a message box is wide enough for its whole title and the title
// bar's buttons, in either language: no window manager has to cut it short.
TEST_F(WindowSizeTest, DialogsAreWideEnoughForTheirTitles) {
    ShowAtDefaultSize();
    const auto roomy = [](QWidget& window) {
        QFont titleFont = QApplication::font();
        titleFont.setBold(true);
        return window.width() >= QFontMetrics(titleFont).horizontalAdvance(window.windowTitle()) + 100;
    };
    for (const int lang : {ShellSettings::Serbian, ShellSettings::English}) {
        Shell().UiLanguage = lang;
        Window().ApplyLanguage(lang);
        SCOPED_TRACE(lang);
        QWidget* dialogs[] = {&forms->OperForm(), &forms->PLUStat()};
        for (QWidget* dialog : dialogs) {
            dialog->show();
            QApplication::processEvents();
            EXPECT_TRUE(roomy(*dialog)) << dialog->windowTitle().toStdString() << " " << dialog->width();
            dialog->hide();
        }
        auto box = MessageBoxes::Build(&Window(), {QStringLiteral("Orvex Commander"), QStringLiteral("OK!")});
        box->show();
        QApplication::processEvents();
        EXPECT_TRUE(roomy(*box)) << box->width();
        box->hide();
    }
}

} // namespace
