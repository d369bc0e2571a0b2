#include "../shell/ShellFixture.h"

#include "common/ShellSettings.h"
#include "header/HeaderPage.h"
#include "monitor/MonitorPage.h"
#include "sales/SalesPage.h"
#include "shell/TUserForm.h"
#include "support/WaitUntil.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"
#include "viewer/ViewerMessages.h"
#include "viewer/ViewerPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>

namespace {

class LineViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        view.resize(500, 300);
        view.show();
    }
    void Find(const QString& text, bool backward = false) {
        if (!view.FindBar()->isVisible())
            view.ShowFind();
        auto* field = view.FindBar()->findChild<QLineEdit*>(QStringLiteral("FindText"));
        if (field->text() != text) {
            field->selectAll();
            QTest::keyClicks(field, text);
        }
        view.FindBar()
            ->findChild<QToolButton*>(backward ? QStringLiteral("FindPrevious") : QStringLiteral("FindNext"))
            ->click();
        ASSERT_TRUE(WaitUntil([this] { return !view.Finding(); }));
    }
    [[nodiscard]] QString Result() const {
        return view.FindBar()->findChild<QLabel*>(QStringLiteral("FindResult"))->text();
    }
    LineView view;
};

// Find goes through every row on its worker, shows each hit in turn (scrolled
// into view, round the end and back), counts them, and takes case as asked;
// its words are in the language of the moment.
TEST_F(LineViewTest, FindShowsEachHitInTurnAndCountsThem) {
    QString text;
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral("line %1 %2\n")
                    .arg(i)
                    .arg(i == 150000 || i == 7 ? QStringLiteral("Needle") : QString());
    text += QStringLiteral("needle at the end");
    view.SetPlainText(text);
    Shell().UiLanguage = ShellSettings::English;
    Find(QStringLiteral("needle"));
    EXPECT_EQ(view.CurrentHit().Row, 7);
    EXPECT_EQ(view.CurrentHit().Column, 7);
    EXPECT_EQ(Result(), QStringLiteral("3 found"));
    Find(QStringLiteral("needle"));
    EXPECT_EQ(view.CurrentHit().Row, 150000);
    EXPECT_LE(view.TopRow(), 150000);
    EXPECT_GT(view.TopRow() + 15, 150000) << "the hit is scrolled into view";
    Find(QStringLiteral("needle"));
    EXPECT_EQ(view.CurrentHit().Row, 200000);
    Find(QStringLiteral("needle"));
    EXPECT_EQ(view.CurrentHit().Row, 7) << "round the end";
    Find(QStringLiteral("needle"), true);
    EXPECT_EQ(view.CurrentHit().Row, 200000) << "and back round the start";

    Shell().UiLanguage = ShellSettings::Serbian;
    view.FindBar()->findChild<QCheckBox*>(QStringLiteral("FindCase"))->setChecked(true);
    Find(QStringLiteral("needle"));
    EXPECT_EQ(view.CurrentHit().Row, 200000);
    EXPECT_EQ(Result(), QStringLiteral("Pronađeno: 1"));
    Find(QStringLiteral("hay"));
    EXPECT_EQ(view.CurrentHit().Row, -1);
    EXPECT_EQ(Result(), QStringLiteral("Nije pronađeno"));
    Shell().UiLanguage = ShellSettings::English;
}

// What is selected is copied as it reads: rows of one long line join without
// a break, lines with one.
TEST_F(LineViewTest, TheSelectionIsCopiedAsTheLinesRead) {
    const QString longLine = QString(LineStore::DisplayLimit + 10, QLatin1Char('x'));
    view.SetPlainText(QStringLiteral("first line\n") + longLine + QStringLiteral("\nlast"));
    ASSERT_EQ(view.RowCount(), 4);
    view.SelectAll();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), view.PlainText());

    // A drag from the start of the first row to the middle of the second.
    const int lineHeight = view.fontMetrics().lineSpacing();
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(2, lineHeight / 2 + 4));
    QTest::mouseMove(view.viewport(), QPoint(view.fontMetrics().horizontalAdvance(QStringLiteral("xxx")) + 5,
                                             lineHeight * 3 / 2 + 4));
    QTest::mouseRelease(
        view.viewport(), Qt::LeftButton, {},
        QPoint(view.fontMetrics().horizontalAdvance(QStringLiteral("xxx")) + 5, lineHeight * 3 / 2 + 4));
    EXPECT_EQ(view.SelectedText(), QStringLiteral("first line\nxxx"));
}

// A selection beyond what the clipboard takes at once is refused in words and
// leaves the clipboard as it was.
TEST_F(ShellTest, ASelectionTooLargeToCopyIsRefusedInWords) {
    LineView* view = Window().MonitorSheet()->MonListBox();
    const QString text =
        QStringList(LineView::MaxCopiedRows + 1, QStringLiteral("r")).join(QLatin1Char('\n'));
    view->SetPlainText(text);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    view->SelectAll();
    view->Copy();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(
        boxes[0].Text,
        FindMessages::TooMuchToCopy.Text().arg(LineView::MaxCopiedRows + 1).arg(LineView::MaxCopiedRows));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
}

// Ctrl+F belongs to a text view while the focus is in it or in its find
// bar: the view's find bar opens and the page stays. Anywhere else it stays
// the window's key for the Header page.
TEST_F(ShellTest, CtrlFFindsInATextViewAndOpensTheHeaderPageElsewhere) {
    Window().show();
    Item("MnEnglish")->trigger();
    for (const char* page : {"Monitor1", "Reports1", "Viewer1"}) {
        SCOPED_TRACE(page);
        Item(page)->trigger();
        QWidget* shown = Window().PageControl()->currentWidget();
        auto* view = shown->findChild<LineView*>();
        ASSERT_NE(view, nullptr);
        view->setFocus();
        ASSERT_TRUE(WaitUntil([&] { return view->hasFocus(); }));
        QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
        EXPECT_TRUE(view->FindBar()->isVisible());
        EXPECT_EQ(Window().PageControl()->currentWidget(), shown);

        // Again from the find field: its text is selected afresh.
        auto* field = view->FindBar()->findChild<QLineEdit*>(QStringLiteral("FindText"));
        ASSERT_TRUE(WaitUntil([&] { return field->hasFocus(); }));
        field->setText(QStringLiteral("abc"));
        field->deselect();
        QTest::keyClick(field, Qt::Key_F, Qt::ControlModifier);
        EXPECT_EQ(field->selectedText(), QStringLiteral("abc"));
        EXPECT_EQ(Window().PageControl()->currentWidget(), shown);
        view->FindBar()->findChild<QToolButton*>(QStringLiteral("FindClose"))->click();
    }

    // A field that is no text view: the menu's key.
    Item("Sales1")->trigger();
    QLineEdit* field = nullptr;
    for (QLineEdit* edit : Window().SalesSheet()->findChildren<QLineEdit*>()) {
        if (edit->isVisible() && edit->isEnabled() && edit->focusPolicy() != Qt::NoFocus) {
            field = edit;
            break;
        }
    }
    ASSERT_NE(field, nullptr);
    field->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return field->hasFocus(); }));
    QTest::keyClick(field, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(Window().PageControl()->currentWidget(), static_cast<QWidget*>(Window().CompanySheet()));
}

// The find bar speaks the language chosen at once, the count of the last
// search too, without being opened again.
TEST_F(ShellTest, TheFindBarFollowsALanguageSwitchAtOnce) {
    Window().show();
    Item("MnEnglish")->trigger();
    Item("Viewer1")->trigger();
    Window().ViewerSheet()->ShowText(QStringLiteral("a needle\nnone\nneedle again"));
    LineView* view = Window().ViewerSheet()->ViewRich();
    view->ShowFind();
    QWidget* bar = view->FindBar();
    bar->findChild<QLineEdit*>(QStringLiteral("FindText"))->setText(QStringLiteral("needle"));
    bar->findChild<QToolButton*>(QStringLiteral("FindNext"))->click();
    ASSERT_TRUE(WaitUntil([&] { return !view->Finding(); }));
    const auto texts = [bar] {
        return QStringList{bar->findChild<QLabel*>(QStringLiteral("FindLabel"))->text(),
                           bar->findChild<QCheckBox*>(QStringLiteral("FindCase"))->text(),
                           bar->findChild<QToolButton*>(QStringLiteral("FindNext"))->text(),
                           bar->findChild<QToolButton*>(QStringLiteral("FindPrevious"))->text(),
                           bar->findChild<QToolButton*>(QStringLiteral("FindClose"))->text(),
                           bar->findChild<QLabel*>(QStringLiteral("FindResult"))->text()};
    };
    for (const int lang : {ShellSettings::Serbian, ShellSettings::English}) {
        Item(lang == ShellSettings::Serbian ? "MnSerbian" : "MnEnglish")->trigger();
        EXPECT_EQ(texts(),
                  (QStringList{FindMessages::Find.Text(lang), FindMessages::MatchCase.Text(lang),
                               FindMessages::Next.Text(lang), FindMessages::Previous.Text(lang),
                               FindMessages::Close.Text(lang), FindMessages::Found.Text(lang).arg(2)}));
    }
}

// Find is on the view's context menu, in the language of the moment.
TEST_F(ShellTest, FindIsOnTheContextMenuOfTheTextViews) {
    Window().show();
    Item("MnSerbian")->trigger();
    Item("Monitor1")->trigger();
    LineView* monitor = Window().MonitorSheet()->MonListBox();
    monitor->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return monitor->hasFocus(); }));
    QStringList offered;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&offered] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !offered.isEmpty())
            return;
        for (QAction* action : menu->actions())
            offered << action->text();
        menu->actions().constLast()->trigger();
        menu->close();
    });
    poll.start(10);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10), monitor->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(monitor->viewport(), &click);
    EXPECT_EQ(offered, (QStringList{QStringLiteral("Kopiraj"), QStringLiteral("Izaberi sve"),
                                    QStringLiteral("Pronađi...")}));
    EXPECT_TRUE(monitor->FindBar()->isVisible());
    EXPECT_EQ(monitor->FindBar()->findChild<QToolButton*>(QStringLiteral("FindNext"))->text(),
              QStringLiteral("Sledeće"));
}

} // namespace

namespace {

// Tab-separated fields stand apart as on the saved text: the text after a tab
// begins at a tab stop at least a space past the field before it, whatever
// that field's length, and the view's text keeps the tab itself.
TEST(LineViewTabs, TextAfterATabBeginsAtATabStopPastTheField) {
    LineView view;
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(12);
    view.setFont(font);
    view.resize(900, 300);
    QStringList lines{QStringLiteral("Total:11.06\tReceipt Number:1")};
    for (int length = 1; length <= 24; ++length)
        lines << QString(length, QLatin1Char('x')) + QStringLiteral("\tnext\tlast");
    for (const QString& line : lines)
        view.AppendLine(line);
    const qreal space = QFontMetricsF(view.font()).horizontalAdvance(QLatin1Char(' '));
    for (qsizetype row = 0; row < lines.size(); ++row) {
        const QString& line = lines[row];
        for (qsizetype tab = line.indexOf(QLatin1Char('\t')); tab >= 0;
             tab = line.indexOf(QLatin1Char('\t'), tab + 1)) {
            SCOPED_TRACE(line.toStdString() + " at " + std::to_string(tab));
            const qreal fieldEnd = view.ColumnX(row, tab);
            const qreal next = view.ColumnX(row, tab + 1);
            EXPECT_GE(next - fieldEnd, space - 0.5);
            EXPECT_NEAR(std::remainder(next, view.TabStopDistance()), 0.0, 0.5);
        }
    }
    EXPECT_EQ(view.PlainText().split(QLatin1Char('\n')), lines);
}

} // namespace
