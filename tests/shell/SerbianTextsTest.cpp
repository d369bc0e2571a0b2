#include "ShellFixture.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <set>

namespace {

struct Spelling {
    const char* Bare;    // the word written without its diacritics
    const char* Written; // as the program writes it
};

// Words the window writes with diacritics; a text of the program's own never
// has the bare form beside them.
constexpr Spelling Spellings[] = {
    {"Izvestaj", "Izveštaj"},   {"izvestaj", "izveštaj"},     {"Velicina", "Veličina"},
    {"Pomoc", "Pomoć"},         {"Sacuvaj", "Sačuvaj"},       {"Stampa", "Štampa"},
    {"stampa", "štampa"},       {"Podesavanj", "Podešavanj"}, {"Brisi", "Briši"},
    {"moze", "može"},           {"Pronadji", "Pronađi"},      {"uredjaj", "uređaj"},
    {"Uredjaj", "Uređaj"},      {"Trazenje", "Traženje"},     {"Otkazi", "Otkaži"},
    {"iskljucen", "isključen"}, {"ukljucen", "uključen"},     {"prikljucen", "priključen"},
};

// Captions whose Serbian text is given exactly so, without diacritics.
const std::set<QString> GivenTexts{
    QStringLiteral("Izvestaji"),
    QStringLiteral("Velicina fonta"),
    QStringLiteral("Pomoc"),
    QStringLiteral("Sacuvaj kao..."),
    QStringLiteral("Sacuvaj datoteku"),
    QStringLiteral("Stampaj..."),
    QStringLiteral("Stampaj datoteku"),
    QStringLiteral("Stampaj PLU bazu"),
    QStringLiteral("Stampanje PLU baze"),
    QStringLiteral("Podesavanja"),
    QStringLiteral("Brisi"),
    QStringLiteral("Polja koja se stampaju"),
};

// Every text the application's widgets show: captions, titles, tooltips, menu items.
QStringList ShownTexts() {
    QStringList texts;
    for (QWidget* widget : QApplication::allWidgets()) {
        texts << widget->windowTitle() << widget->toolTip();
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            texts << box->title();
        for (QAction* action : widget->actions())
            texts << action->text() << action->toolTip();
    }
    texts.removeAll(QString());
    texts.removeDuplicates();
    return texts;
}

// The Serbian window spells its own texts one way, with diacritics, across
// every page, dialog and menu; only the texts given without them keep that form.
TEST_F(ShellTest, SerbianTextsOfTheProgramKeepTheirDiacritics) {
    Shell().UiLanguage = ShellSettings::Serbian;
    Window().ApplyLanguage(ShellSettings::Serbian);
    const QStringList texts = ShownTexts();
    ASSERT_GT(texts.size(), 100);
    for (const Spelling& spelling : Spellings) {
        const QRegularExpression bare(QStringLiteral("\\b") + QString::fromUtf8(spelling.Bare));
        for (const QString& text : texts) {
            QString plain = text;
            plain.remove(QLatin1Char('&'));
            // An item's tooltip is its text without the ellipsis.
            if (GivenTexts.count(plain) == 0 && GivenTexts.count(plain + QStringLiteral("...")) == 0)
                EXPECT_FALSE(bare.match(plain).hasMatch())
                    << plain.toStdString() << ": write " << spelling.Written;
        }
    }
}

} // namespace
