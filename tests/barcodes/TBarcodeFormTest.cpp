#include "barcodes/TBarcodeForm.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs action and returns the text of the message box it showed (closing it),
// or an empty text when it showed none.
QString MessageShownBy(const std::function<void()>& action) {
    QString text;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->accept();
        }
    });
    poll.start();
    action();
    return text;
}

class BarcodeForm : public ::testing::Test {
  protected:
    void SetUp() override {
        rules.SetApplied(BarcodeTypeTable::Defaults());
        form = std::make_unique<TBarcodeForm>(rules);
        form->ShowDialog();
        grid = form->findChild<QTableWidget*>("BarcdGrid");
        apply = form->findChild<QPushButton*>("ApplyBtn");
        cancel = form->findChild<QPushButton*>("CancelBtn");
        ASSERT_TRUE(grid && apply && cancel);
    }
    void TearDown() override { form.reset(); }

    // Starts editing cell (row, column) and types keys into its editor; returns
    // the message shown, if any.
    QString Type(int row, int column, const char* keys) {
        grid->setCurrentCell(row, column);
        grid->editItem(grid->item(row, column));
        QLineEdit* editor = OpenEditor();
        if (!editor) {
            ADD_FAILURE() << "no editor";
            return {};
        }
        editor->selectAll();
        return MessageShownBy([&] { QTest::keyClicks(editor, keys); });
    }
    // The editor of the cell being edited; closed editors linger hidden until
    // they are deleted.
    QLineEdit* OpenEditor() const {
        for (auto* e : grid->findChildren<QLineEdit*>("BarcdGridEditor"))
            if (e->isVisible())
                return e;
        return nullptr;
    }
    std::string Cell(int row, int column) const { return grid->item(row, column)->text().toStdString(); }

    BarcodeRules rules;
    std::unique_ptr<TBarcodeForm> form;
    QTableWidget* grid = nullptr;
    QPushButton* apply = nullptr;
    QPushButton* cancel = nullptr;
};

} // namespace

TEST_F(BarcodeForm, ShowsTheRulesInForce) {
    EXPECT_EQ(form->windowTitle().toStdString(), "Barcode Form");
    EXPECT_EQ(form->size(), QSize(265, 250));
    EXPECT_EQ(grid->rowCount(), 6);
    EXPECT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text().toStdString(), "Header");
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text().toStdString(), "Weight");
    EXPECT_EQ(grid->verticalHeaderItem(5)->text().toStdString(), "6");
    EXPECT_EQ(Cell(3, 0), "50");
    EXPECT_EQ(Cell(3, 1), "7");
    EXPECT_EQ(Cell(3, 2), "5");
    EXPECT_EQ(apply->text().toStdString(), "Apply");
    EXPECT_EQ(cancel->text().toStdString(), "Cancel");
    EXPECT_TRUE(form->isModal());
}

TEST_F(BarcodeForm, CellsOfMoreThanTwoCharactersAreRefused) {
    struct Case {
        int column;
        const char* message;
        const char* restored;
    };
    const Case cases[] = {
        {0, "Header must be up to 2 characters long!", "20"},
        {1, "Code must be up to 2 characters long!", "7"},
        {2, "Weight must be up to 2 characters long!", "5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Type(0, c.column, "123").toStdString(), c.message);
        EXPECT_EQ(Cell(0, c.column), c.restored);
        EXPECT_EQ(rules.Edited().Rules[0], (BarcodeRule{20, 7, 5})) << c.message;
    }
}

TEST_F(BarcodeForm, CodeAndWeightTogetherStayWithinTheBarcode) {
    EXPECT_EQ(Type(1, 1, "12").toStdString(), "");
    EXPECT_EQ(rules.Edited().Rules[1], (BarcodeRule{21, 12, 5}));
    EXPECT_EQ(Type(1, 2, "8").toStdString(), "Code and Weight must be up to 19 characters long!");
    EXPECT_EQ(Cell(1, 2), "5");
    EXPECT_EQ(Type(1, 2, "7").toStdString(), "");
    EXPECT_EQ(rules.Edited().Rules[1], (BarcodeRule{21, 12, 7}));
    EXPECT_EQ(Type(1, 1, "13").toStdString(), "Code and Weight must be up to 19 characters long!");
    EXPECT_EQ(Cell(1, 1), "12");
    EXPECT_EQ(rules.Applied(), BarcodeTypeTable::Defaults()) << "nothing is in force before Apply";
}

TEST_F(BarcodeForm, OnlyDigitsFullStopAndBackspaceAreTyped) {
    EXPECT_EQ(Type(2, 0, "a3x-4").toStdString(), "");
    EXPECT_EQ(Cell(2, 0), "34");
    QLineEdit* editor = OpenEditor();
    ASSERT_TRUE(editor);
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(Cell(2, 0), "3");
    EXPECT_EQ(rules.Edited().Rules[2].Header, 3);
}

// A cell that is no number (a full stop typed, letters pasted, or left empty)
// gets back the number it had, with the check's message; it is never kept as
// a 0 nobody typed.
TEST_F(BarcodeForm, ACellThatIsNoNumberGetsItsNumberBack) {
    EXPECT_EQ(Type(2, 0, "3.").toStdString(), "Header must be a number!");
    EXPECT_EQ(Cell(2, 0), "27");
    EXPECT_EQ(rules.Edited().Rules[2].Header, 27);

    Type(3, 2, "");
    QLineEdit* editor = OpenEditor();
    ASSERT_TRUE(editor);
    QApplication::clipboard()->setText(QStringLiteral("4x"));
    EXPECT_EQ(MessageShownBy([&] { editor->paste(); }).toStdString(), "Weight must be a number!");
    EXPECT_EQ(Cell(3, 2), "5");
    EXPECT_EQ(rules.Edited().Rules[3].Weight, 5);

    Type(4, 1, "");
    editor = OpenEditor();
    ASSERT_TRUE(editor);
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(Cell(4, 1), "") << "an empty cell waits for the end of the editing";
    // The grid closes the editor just after the key.
    EXPECT_EQ(MessageShownBy([&] {
                  QTest::keyClick(editor, Qt::Key_Return);
                  QCoreApplication::processEvents();
              }).toStdString(),
              "Code must be a number!");
    EXPECT_EQ(Cell(4, 1), "7");
    EXPECT_EQ(rules.Edited().Rules[4].Code, 7);
}

// Rules from a damaged ComOpts.ini, which the checks would refuse, are named
// in one message as the dialog opens; they stay as they are (matching
// nothing) until the user corrects them.
TEST(BarcodeFormDamagedRules, AreNamedOnceWhenTheDialogOpens) {
    BarcodeRules damaged;
    BarcodeTypeTable table = BarcodeTypeTable::Defaults();
    table.Rules[1] = {22, -3, 5};
    table.Rules[4] = {56, 15, 10};
    damaged.SetApplied(table);
    TBarcodeForm form(damaged);
    const QString text = MessageShownBy([&] { form.ShowDialog(); });
    EXPECT_EQ(text.toStdString(),
              "These barcode rules from ComOpts.ini are damaged: type 2 (header 22, code -3, "
              "weight 5), type 5 (header 56, code 15, weight 10).\nA damaged rule matches "
              "no barcode; correct it here and apply.");
    EXPECT_EQ(damaged.Applied(), table);
    form.reject();
    BarcodeRules sound;
    sound.SetApplied(BarcodeTypeTable::Defaults());
    TBarcodeForm soundForm(sound);
    EXPECT_EQ(MessageShownBy([&] { soundForm.ShowDialog(); }), QString());
}

TEST_F(BarcodeForm, ApplyPutsTheRulesInForceAndTurnsIntoClose) {
    QSignalSpy requested(form.get(), &TBarcodeForm::ApplyRequested);
    Type(4, 0, "44");
    QTest::mouseClick(apply, Qt::LeftButton);
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested.at(0).at(0).value<BarcodeTypeTable>().Rules[4].Header, 44);
    EXPECT_EQ(rules.Applied().Rules[4], (BarcodeRule{44, 7, 5}));
    EXPECT_EQ(apply->text().toStdString(), "Close");

    form->SetLanguage(1);
    EXPECT_EQ(apply->text().toStdString(), "Zatvori") << "a language switch keeps the button's state";

    Type(4, 1, "8");
    EXPECT_EQ(apply->text().toStdString(), "Primeni") << "a typed key makes it Apply again";
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(requested.count(), 2);
    EXPECT_TRUE(form->isVisible());
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible()) << "Close closes the dialog";
    EXPECT_EQ(apply->text().toStdString(), "Primeni");
    EXPECT_EQ(requested.count(), 2);
    EXPECT_EQ(rules.Applied().Rules[4], (BarcodeRule{44, 8, 5}));
}

TEST_F(BarcodeForm, CancelDropsTheEditsForGood) {
    QSignalSpy requested(form.get(), &TBarcodeForm::ApplyRequested);
    Type(0, 0, "33");
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(requested.count(), 0);
    EXPECT_EQ(rules.Applied(), BarcodeTypeTable::Defaults());
    EXPECT_EQ(rules.Edited(), BarcodeTypeTable::Defaults());

    form->ShowDialog();
    EXPECT_EQ(Cell(0, 0), "20") << "reopening shows the rules in force";
    Type(5, 0, "58");
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(rules.Applied().Rules[0].Header, 20) << "the dropped edit does not come back";
    EXPECT_EQ(rules.Applied().Rules[5].Header, 58);
}

TEST_F(BarcodeForm, ClosingWhileACellIsBeingEditedDropsThatEditToo) {
    Type(3, 2, "9");
    form->close();
    EXPECT_EQ(rules.Edited(), BarcodeTypeTable::Defaults());
    EXPECT_EQ(Cell(3, 2), "5");
}

TEST_F(BarcodeForm, DoubleClickShowsASampleOfTheRow) {
    grid->setCurrentCell(0, 1);
    const QRect cell = grid->visualItemRect(grid->item(0, 1));
    // What a double click delivers: press, release, double click, release.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    const QString text = MessageShownBy(
        [&] { QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center()); });
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    const QString point = QLocale::system().decimalPoint();
    EXPECT_EQ(text.toStdString(), ("Barcode Sample: 20 01234 12345\n\nHeader: 20\nCode: 01234\nWeight: 12" +
                                   point + "345\n\nPrint: 200123412345")
                                      .toStdString());
    EXPECT_EQ(OpenEditor(), nullptr) << "a double click does not start editing";
}

TEST_F(BarcodeForm, HintShowsOverTheGridOnly) {
    auto* hint = form->findChild<QLabel*>("DoubleClickLbl");
    ASSERT_TRUE(hint);
    EXPECT_EQ(hint->text().toStdString(), "Double click in the grid to view a Barcode sample");
    EXPECT_FALSE(hint->isVisible());
    QMouseEvent overGrid(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &overGrid);
    EXPECT_TRUE(hint->isVisible());
    QMouseEvent overPanel(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &overPanel);
    EXPECT_FALSE(hint->isVisible());
}

namespace {

struct LanguageCase {
    int Language;
    const char* Title;
    const char* Type;
    const char* Lengths;
    const char* Columns[3];
    const char* Hint;
    const char* Apply;
    const char* Cancel;
    const char* NotANumber;
};

// The dialog speaks the window's language and follows it when it switches,
// its own refusals too; Serbian is written with its diacritics.
TEST_F(BarcodeForm, CaptionsFollowTheLanguage) {
    const LanguageCase cases[] = {
        {1,
         "Dekodiranje barkoda",
         "Tip",
         "Dužine",
         {"Prefiks", "Kod", "Težina"},
         "Dvaput kliknite u tabelu da vidite primer barkoda",
         "Primeni",
         "Poništi",
         "Prefiks mora da bude broj!"},
        {0,
         "Barcode Form",
         "Type",
         "Lengths",
         {"Header", "Code", "Weight"},
         "Double click in the grid to view a Barcode sample",
         "Apply",
         "Cancel",
         "Header must be a number!"},
    };
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.Language);
        form->SetLanguage(c.Language);
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8(c.Title));
        EXPECT_EQ(form->findChild<QLabel*>("TypeLabel")->text(), QString::fromUtf8(c.Type));
        EXPECT_EQ(form->findChild<QLabel*>("LengthsLabel")->text(), QString::fromUtf8(c.Lengths));
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(grid->horizontalHeaderItem(column)->text(), QString::fromUtf8(c.Columns[column]));
        EXPECT_EQ(form->findChild<QLabel*>("DoubleClickLbl")->text(), QString::fromUtf8(c.Hint));
        EXPECT_EQ(apply->text(), QString::fromUtf8(c.Apply));
        EXPECT_EQ(cancel->text(), QString::fromUtf8(c.Cancel));
        EXPECT_EQ(Type(2, 0, "3."), QString::fromUtf8(c.NotANumber));
    }
}

} // namespace
