#include "../shell/ShellFixture.h"

#include "common/ShellSettings.h"
#include "monitor/MonitorPage.h"
#include "shell/TUserForm.h"
#include "support/WaitUntil.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"
#include "viewer/ViewerMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

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

// The window's Ctrl+F (Header) wins in a text view as in every field; Find
// is on the view's context menu, in the language of the moment.
TEST_F(ShellTest, FindIsOnTheContextMenuOfTheTextViews) {
    Window().show();
    Item("MnSerbian")->trigger();
    Item("Monitor1")->trigger();
    LineView* monitor = Window().MonitorSheet()->MonListBox();
    monitor->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return monitor->hasFocus(); }));
    QTest::keyClick(monitor, Qt::Key_F, Qt::ControlModifier);
    EXPECT_FALSE(monitor->FindBar()->isVisible());
    EXPECT_NE(Window().PageControl()->currentWidget(), Window().MonitorSheet());

    Item("Monitor1")->trigger();
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
