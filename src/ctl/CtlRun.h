#pragma once

#include "ctl/CtlCommandLine.h"
#include "ctl/CtlOutput.h"
#include "ctl/CtlRunner.h"
#include "database/PluCells.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "protocol/ReplyDispatcher.h"
#include "session/RegisterSession.h"
#include "sim/InProcessRegister.h"

#include <QTimer>
#include <functional>
#include <memory>

inline constexpr int Operators = 15;
inline constexpr int MaxReplyTimeoutMs = 600000;

// A text for a terminal: control characters (a binary file's bytes in a
// message) are shown as \xNN instead of acting on the terminal.
[[nodiscard]] QString Printable(const QString& text);

// Runs the event loop until done() holds or the time is up (-1: no limit); the
// link's timers and the simulated register's line keep going meanwhile.
bool RunUntil(const std::function<bool()>& done, int timeoutMs);

// Progress of a long command on one terminal line, rewritten in place.
class ProgressLine {
  public:
    explicit ProgressLine(CtlContext& context) : m_context(context) {}
    ~ProgressLine() { Finish(); }
    void Show(int done, int total, qint64 msLeft);
    void Finish();

  private:
    CtlContext& m_context;
    bool m_shown = false;
};

// One run: the link to the register, opened on demand, and the words of its end.
class CtlRun {
  public:
    CtlRun(CtlContext& context, CommandLine line) : m_context(context), m_line(std::move(line)) {}
    ~CtlRun();

    int Execute();

  private:
    int ExecuteCommand();
    int Usage(const QString& why) {
        m_context.Err << "orvexctl: " << why << "\n"
                      << "usage: " << GlobalUsage << "\n"
                      << "Try 'orvexctl --help'.\n";
        return CtlUsage;
    }
    int Fail(const QString& what) {
        m_context.Err << "orvexctl " << m_command << ": " << m_device << ": " << Printable(what) << "\n";
        return CtlFailed;
    }
    int FailFile(const QString& file, const QString& what) {
        m_context.Err << "orvexctl " << m_command << ": " << file << ": " << Printable(what) << "\n";
        return CtlFailed;
    }
    // The port did not open: why, in the system's words.
    int FailPort();
    int Help(const QString& command);
    // The options command may take besides the link's; false (said) when another was given.
    bool OnlyOptions(std::initializer_list<const char*> allowed);
    bool Connect();
    // With --data-dir or --history, what the register says during the
    // command goes into the sales history as well; false (said) when it
    // cannot be opened.
    bool OpenHistory();
    // Waits for the history to take what was handed in; says what it could not.
    void CloseHistory();
    // Starts the simulated register when asked for; false (said) when it does not start.
    bool StartLink();
    int Clock();
    int Plu();
    int Report();
    int ZReport();
    int Detect();
    int Export();
    int Monitor();
    int Import();
    int PrintLines(const QStringList& lines);
    int PrintRecords(const Records& records);
    // The report's lines, or its figures from the replies' payloads for --format json|csv.
    int PrintReport(const QStringList& lines, const QList<QByteArray>& payloads);
    // The texts of PLU cells in files and on stdout.
    [[nodiscard]] PluCells::Style FileStyle() const;
    [[nodiscard]] PluTable& Table() { return m_session->Table(); }
    [[nodiscard]] ReplyDispatcher& Dispatcher() { return m_session->Dispatcher(); }
    QString DatabasePath() const;
    // newFileAllowed: a --db file that is not there yet starts empty (a read creates it).
    bool LoadTable(bool newFileAllowed = false);
    // The table a write to the register sends: a PLU table file of its full
    // size that is there already, never a default one made up for the occasion.
    bool LoadTableToSend();
    bool SaveTable();

    CtlContext& m_context;
    CommandLine m_line;
    QString m_command;
    QString m_device;
    // --format: how clock, the reports, plu read and monitor print.
    enum class OutputFormat { Text, Json, Csv };
    OutputFormat m_format = OutputFormat::Text;
    // --timeout: the wait for each reply; 0 keeps each exchange's own.
    int m_replyTimeoutMs = 0;
    [[nodiscard]] int ReplyWaitMs() const {
        return m_replyTimeoutMs > 0 ? m_replyTimeoutMs : ReplyDispatcher::ReplyTimeout + 1000;
    }
    // SIGINT or SIGTERM during a register command: the running wait or
    // transfer is cancelled and the command ends with what it has.
    QTimer m_interruptPoll;
    bool m_interrupted = false;
    std::function<void()> m_onInterrupt;
    // Set when the --trace file stopped taking lines; the command then ends with 1.
    QString m_traceFailure;
    std::unique_ptr<InProcessRegister> m_simulator;
    std::unique_ptr<RegisterSession> m_session;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<HistoryRecorder> m_recorder;
};
