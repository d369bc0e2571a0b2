#include "ctl/CtlRun.h"

#include "common/Captions.h"
#include "protocol/ReplyDispatcher.h"
#include "session/RegisterSession.h"

int CtlRun::Clock() {
    if (!Dispatcher().EnsurePortOpen())
        return FailPort();
    QString text;
    // What is connected here ends with the command; the session lives on.
    QObject scope;
    QObject::connect(&Dispatcher(), &ReplyDispatcher::ClockReceived, &scope,
                     [&](const QString& t) { text = t; });
    Dispatcher().RequestClock();
    RunUntil([&] { return !text.isEmpty() || Dispatcher().ExpectedReply() == 0 || m_interrupted; },
             ReplyWaitMs());
    if (text.isEmpty() && m_interrupted)
        return Fail(QStringLiteral("interrupted"));
    if (text.isEmpty())
        return Fail(Captions::Link::NoResponse.Text());
    // The page shows it on two lines with a blank between; one line each is enough here.
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        m_context.Out << line << "\n";
    return CtlSuccess;
}
