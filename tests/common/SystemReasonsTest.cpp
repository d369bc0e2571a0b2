#include "common/SystemReasons.h"
#include "common/ShellSettings.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct ReasonCase {
    int Code;
    const char* Serbian;
};

// The system's reasons Qt passes on (a file's or a port's error text) end a
// Serbian sentence in Serbian and an English one in the system's own words.
TEST(SystemReasons, SystemWordsInTheSentencesLanguage) {
    const ReasonCase cases[] = {
        {ENOENT, "nema takve datoteke ili fascikle"}, {EACCES, "pristup nije dozvoljen"},
        {EBUSY, "uređaj ili datoteka su zauzeti"},    {EIO, "greška ulaza/izlaza"},
        {ENOSPC, "na disku nema više mesta"},         {EROFS, "sistem datoteka je samo za čitanje"},
    };
    for (const ReasonCase& c : cases) {
        const QString system = QString::fromLocal8Bit(std::strerror(c.Code));
        SCOPED_TRACE(system.toStdString());
        EXPECT_EQ(SystemReasons::Translate(system, ShellSettings::Serbian), QString::fromUtf8(c.Serbian));
        EXPECT_EQ(SystemReasons::ForCode(c.Code, ShellSettings::Serbian), QString::fromUtf8(c.Serbian));
        EXPECT_EQ(SystemReasons::Translate(system, ShellSettings::English), system);
        EXPECT_EQ(SystemReasons::ForCode(c.Code, ShellSettings::English), system);
    }
    // A reason the program has no words for is given as the system gave it.
    EXPECT_EQ(SystemReasons::Translate(QStringLiteral("Unknown error"), ShellSettings::Serbian),
              QStringLiteral("Unknown error"));
}

} // namespace
