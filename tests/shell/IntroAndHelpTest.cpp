#include "ShellFixture.h"

#include "shell/CommanderHelp.h"
#include "shell/HintsPanel.h"
#include "shell/TIntroForm.h"

#include <QFile>
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
