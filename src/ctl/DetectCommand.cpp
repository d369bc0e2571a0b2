#include "ctl/CtlRun.h"

#include "common/ShellSettings.h"
#include "protocol/RegisterFinder.h"
#include "serial/TCommPortDriver.h"
#include "serial/TRS232Form.h"
#include "session/RegisterSession.h"

int CtlRun::Detect() {
    // --port (and --simulate, whose register stands in for it) names the one
    // device to look at; otherwise every device of the machine is asked.
    const QStringList devices = m_line.Has("--port") || m_line.Has("--simulate")
                                    ? QStringList{m_session->RS232().Serial().CurrentDeviceName()}
                                    : RegisterFinder::MachineDevices();
    RegisterFinder finder;
    ProgressLine progress(m_context);
    int answered = 0;
    QObject::connect(&finder, &RegisterFinder::Probing, &finder,
                     [&] { progress.Show(finder.StepsDone(), finder.StepsTotal(), finder.MsLeftAtMost()); });
    QObject::connect(&finder, &RegisterFinder::DeviceDone, &finder, [&](int i) {
        progress.Finish();
        const RegisterFinder::Outcome& outcome = finder.Outcomes()[size_t(i)];
        answered += outcome.Result == RegisterFinder::Outcome::Answered ? 1 : 0;
        m_context.Out << outcome.Device << ": " << RegisterFinder::OutcomeText(outcome, Shell().UiLanguage)
                      << "\n"
                      << Qt::flush;
    });
    m_onInterrupt = [&finder] { finder.Cancel(); };
    finder.Start(devices);
    RunUntil([&] { return !finder.IsRunning(); }, -1);
    m_onInterrupt = nullptr;
    progress.Finish();
    m_device = devices.size() == 1 ? devices.first() : QStringLiteral("%1 devices").arg(devices.size());
    if (m_interrupted)
        return Fail(QStringLiteral("interrupted after %1 of %2 devices")
                        .arg(finder.Outcomes().size())
                        .arg(devices.size()));
    if (answered == 0)
        return Fail(QStringLiteral("no register answered"));
    return CtlSuccess;
}
