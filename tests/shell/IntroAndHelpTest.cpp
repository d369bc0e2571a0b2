#include "ShellFixture.h"

#include "shell/CommanderHelp.h"
#include "shell/HintsPanel.h"
#include "shell/TIntroForm.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

TEST_F(ShellTest, AboutDisablesTheMainWindowUntilItCloses) {
    Item("MnAbout")->trigger();
    TIntroForm& intro = forms->IntroForm();
    EXPECT_TRUE(intro.isVisible());
    EXPECT_FALSE(Window().isEnabled());
    EXPECT_TRUE(intro.StartTimer().isActive());
    EXPECT_FALSE(intro.MotionTimer().isActive());
    EXPECT_EQ(intro.windowTitle(), QStringLiteral("About Orvex Commander"));
    EXPECT_EQ(intro.size(), QSize(365, 291));

    intro.findChild<QPushButton*>(QStringLiteral("OKIntroBtn"))->click();
    EXPECT_FALSE(intro.isVisible());
    EXPECT_TRUE(Window().isEnabled());
    EXPECT_FALSE(intro.StartTimer().isActive());
    EXPECT_FALSE(intro.MotionTimer().isActive());
}

TEST_F(ShellTest, HintPanelDoubleClickOpensAbout) {
    auto* panel = Window().findChild<HintsPanel*>(QStringLiteral("HintsPanel"));
    ASSERT_NE(panel, nullptr);
    QTest::mouseDClick(panel, Qt::LeftButton);
    EXPECT_TRUE(forms->IntroForm().isVisible());
    forms->IntroForm().close();
    EXPECT_TRUE(Window().isEnabled());
}

TEST_F(ShellTest, HintPanelRightClickOffersTheModes) {
    Window().show();
    auto* panel = Window().findChild<HintsPanel*>(QStringLiteral("HintsPanel"));
    ASSERT_NE(panel, nullptr);
    QTest::mouseClick(panel, Qt::RightButton);
    QMenu* popup = Window().Menus()->ModesPopup();
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->actions().first()->text(), QStringLiteral("Evidencija prodaje"));
    popup->hide();
    EXPECT_EQ(panel->toolTip(), QStringLiteral("Desni klik za izbor alata"));
}

TEST_F(ShellTest, AboutPicturesFollowEachOtherAndStartOverOnEveryShow) {
    TIntroForm& intro = forms->IntroForm();
    QLabel* one = intro.SMImage1();
    QLabel* two = intro.SMImage2();
    EXPECT_EQ(one->x(), 16);
    EXPECT_EQ(two->x(), 16 + 330 + 30);
    for (int i = 0; i < 342; ++i)
        intro.MotionTick();
    EXPECT_EQ(one->x(), -326);
    EXPECT_EQ(two->x(), 34);
    intro.MotionTick(); // the first picture wraps behind the second
    EXPECT_EQ(one->x(), 34 + 330 + 30 - 1);
    EXPECT_EQ(two->x(), 33);
    for (int i = 0; i < 359; ++i)
        intro.MotionTick();
    EXPECT_EQ(two->x(), -326);
    intro.MotionTick();
    EXPECT_EQ(two->x(), one->x() + 330 + 30);

    Item("MnAbout")->trigger();
    intro.close();
    EXPECT_EQ(one->x(), 16);
    EXPECT_EQ(two->x(), 376);
    Item("MnAbout")->trigger();
    EXPECT_TRUE(intro.StartTimer().isActive());
    EXPECT_FALSE(intro.MotionTimer().isActive());
    intro.close();
}

TEST_F(ShellTest, SiteLinkOpensTheBrowserOrSaysItCannot) {
    TIntroForm& intro = forms->IntroForm();
    intro.SiteLinkClick();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), QString::fromLatin1(TIntroForm::SiteAddress));
    EXPECT_TRUE(boxes.empty());
    browserWorks = false;
    intro.SiteLinkClick();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Cannot open Internet Explorer"));
}

TEST_F(ShellTest, HelpLooksInTheWorkingDirectoryOfTheMoment) {
    struct Row {
        QStringList files;
        const char* opens; // empty: a message
        const char* message;
    };
    const Row rows[] = {
        {{"orvexcmd.htm", "orvexcmd.hlp"}, "orvexcmd.htm", nullptr},
        {{"orvexcmd.html"}, "orvexcmd.html", nullptr},
        {{"orvexcmd.hlp"}, "orvexcmd.hlp", nullptr},
        {{}, "", "Cannot find help file: 'orvexcmd.hlp' or 'orvexcmd.htm(l)'"},
    };
    Item("MnEnglish")->trigger();
    for (const Row& row : rows) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        for (const QString& name : row.files) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        QDir::setCurrent(dir.path());
        opened.clear();
        boxes.clear();
        Item("MnCmdHelp")->trigger();
        if (*row.opens) {
            ASSERT_EQ(opened.size(), 1u) << row.opens;
            EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir(dir.path()).absoluteFilePath(row.opens)));
            EXPECT_TRUE(boxes.empty());
        } else {
            EXPECT_TRUE(opened.empty());
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].Title, QStringLiteral("Orvex Commander"));
            EXPECT_EQ(boxes[0].Text, QString::fromLatin1(row.message));
        }
        QDir::setCurrent(startDir);
    }
    EXPECT_EQ(CommanderHelp::MissingMessage(1),
              QStringLiteral("Nema datoteke pomoc: 'orvexcmd.hlp' or 'orvexcmd.htm(l)'"));
}

TEST_F(ShellTest, HelpThatTheBrowserCannotOpenSaysSo) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("orvexcmd.htm")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QDir::setCurrent(dir.path());
    browserWorks = false;
    Item("MnCmdHelp")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Cannot open Internet Explorer"));
}

namespace {
// The help folders a test names, given back to the program's own at its end.
struct GivenHelpFolders {
    explicit GivenHelpFolders(const QStringList& folders) { CommanderHelp::SetHelpFolders(folders); }
    ~GivenHelpFolders() { CommanderHelp::SetHelpFolders(std::nullopt); }
};

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}
} // namespace

TEST_F(ShellTest, HelpFallsBackToTheShippedFileOfTheWindowsLanguage) {
    struct Row {
        const char* language; // the menu item that sets the window's language
        QStringList shipped;  // files in the shipped folders, "first/..." or "second/..."
        QStringList working;  // files in the working directory
        const char* opens;    // relative to the shipped folders' parent, or "working/..."
    };
    const Row rows[] = {
        {"MnSerbian", {"second/en/orvexcmd.html", "second/sr/orvexcmd.html"}, {}, "second/sr/orvexcmd.html"},
        {"MnEnglish", {"second/en/orvexcmd.html", "second/sr/orvexcmd.html"}, {}, "second/en/orvexcmd.html"},
        // The installed folder before the build tree's copy.
        {"MnSerbian", {"first/sr/orvexcmd.htm", "second/sr/orvexcmd.html"}, {}, "first/sr/orvexcmd.htm"},
        // The data folder before both, whatever the language.
        {"MnSerbian", {"first/sr/orvexcmd.html"}, {"orvexcmd.html"}, "working/orvexcmd.html"},
    };
    for (const Row& row : rows) {
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const QDir base(root.path());
        for (const QString& file : row.shipped)
            Touch(base.filePath(file));
        for (const QString& file : row.working)
            Touch(base.filePath(QStringLiteral("working/") + file));
        base.mkpath(QStringLiteral("working"));
        GivenHelpFolders folders(
            {base.filePath(QStringLiteral("first")), base.filePath(QStringLiteral("second"))});
        Item(row.language)->trigger();
        QDir::setCurrent(base.filePath(QStringLiteral("working")));
        opened.clear();
        boxes.clear();
        Item("MnCmdHelp")->trigger();
        QDir::setCurrent(startDir);
        ASSERT_EQ(opened.size(), 1u) << row.opens;
        EXPECT_EQ(opened[0], QUrl::fromLocalFile(base.filePath(QString::fromLatin1(row.opens)))) << row.opens;
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(ShellTest, HelpMissingEverywhereIsSaidAsBefore) {
    struct Row {
        const char* language;
        QStringList shipped; // in the only shipped folder
        const char* message;
    };
    const Row rows[] = {
        {"MnEnglish", {}, "Cannot find help file: 'orvexcmd.hlp' or 'orvexcmd.htm(l)'"},
        // Only the other language's file: not taken for this one.
        {"MnEnglish", {"sr/orvexcmd.html"}, "Cannot find help file: 'orvexcmd.hlp' or 'orvexcmd.htm(l)'"},
        {"MnSerbian", {"en/orvexcmd.html"}, "Nema datoteke pomoc: 'orvexcmd.hlp' or 'orvexcmd.htm(l)'"},
    };
    for (const Row& row : rows) {
        QTemporaryDir shipped;
        QTemporaryDir working;
        ASSERT_TRUE(shipped.isValid() && working.isValid());
        for (const QString& file : row.shipped)
            Touch(QDir(shipped.path()).filePath(file));
        GivenHelpFolders folders({shipped.path(), QDir(working.path()).filePath(QStringLiteral("none"))});
        Item(row.language)->trigger();
        QDir::setCurrent(working.path());
        opened.clear();
        boxes.clear();
        Item("MnCmdHelp")->trigger();
        QDir::setCurrent(startDir);
        EXPECT_TRUE(opened.empty());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Title, QStringLiteral("Orvex Commander"));
        EXPECT_EQ(boxes[0].Text, QString::fromLatin1(row.message));
    }
}

// The help the program ships: both languages, under the names the window looks for.
TEST(CommanderHelpFiles, TheShippedHelpHoldsBothLanguages) {
    const QDir shipped(QStringLiteral(ORVEX_SOURCE_HELP_DIR));
    for (const char* language : {"en", "sr"}) {
        const CommanderHelp::Choice choice = CommanderHelp::FindHelpFile(QDir(shipped.filePath(language)));
        EXPECT_EQ(choice.Found, CommanderHelp::Kind::Html) << language;
    }
    QFile serbian(shipped.filePath(QStringLiteral("sr/orvexcmd.html")));
    ASSERT_TRUE(serbian.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(serbian.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("lang=\"sr-Latn\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("Z izveštaj")));
}
