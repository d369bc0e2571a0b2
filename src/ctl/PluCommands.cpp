#include "ctl/CtlRun.h"

#include "common/Captions.h"
#include "database/PluTable.h"
#include "plu/PluTransfer.h"
#include "protocol/ReplyDispatcher.h"
#include "session/RegisterSession.h"

namespace {

// A transfer seen from a terminal: progress goes to the progress line and every
// word of failure is kept for the one line the command ends with.
class TransferOnTerminal : public PluTransferView {
  public:
    explicit TransferOnTerminal(ProgressLine& progress) : m_progress(progress) {}

    void ShowProgress(int done, int total, qint64 msLeft) override { m_progress.Show(done, total, msLeft); }
    void ShowMessage(const QString& text) override {
        // The window keeps the register's old spelling; a script's log gets it right.
        Add(QString(text).replace(QStringLiteral("Invalid decription"),
                                  QStringLiteral("Invalid description")));
    }
    void ShowNoResponse() override { Add(Captions::Link::NoResponse.Text()); }
    void ShowStopped(const QString& text) override { Add(text); }

    [[nodiscard]] const QString& Failure() const { return m_failure; }

  private:
    void Add(const QString& text) {
        if (!m_failure.isEmpty())
            m_failure += QStringLiteral("; ");
        m_failure += text;
    }

    ProgressLine& m_progress;
    QString m_failure;
};

} // namespace

int CtlRun::Plu() {
    const bool write = m_line.Words[1] == QLatin1String("write");
    const std::optional<int> from = Number(m_line.Words[2]);
    const std::optional<int> to = Number(m_line.Words[3]);
    if (!from || !to || !PluTable::Contains(*from) || !PluTable::Contains(*to) || *from > *to)
        return Usage(QStringLiteral("%1 takes PLU numbers 0 to %2, FROM not above TO")
                         .arg(m_command)
                         .arg(PluTable::Size - 1));
    int scope = 2;
    if (m_line.Has("--scope")) {
        static const QStringList scopes{QStringLiteral("stock"), QStringLiteral("constant"),
                                        QStringLiteral("both")};
        scope = int(scopes.indexOf(m_line.Value("--scope")));
        if (scope < 0)
            return Usage(QStringLiteral("--scope takes stock, constant or both"));
    }
    if (!(write ? LoadTableToSend() : LoadTable(true)) || !StartLink())
        return CtlFailed;
    if (!Dispatcher().EnsurePortOpen())
        return FailPort();

    ProgressLine progress(m_context);
    TransferOnTerminal view(progress);
    PluTransfer& transfer = m_session->Transfer();
    transfer.SetView(&view);
    m_onInterrupt = [&] { transfer.Cancel(); };
    if (write)
        transfer.WriteRange(*from, *to, scope, m_line.Has("--active"));
    else
        transfer.ReadRange(*from, *to);
    transfer.SetView(nullptr);
    m_onInterrupt = {};
    progress.Finish();
    // PLUs read before a failure are the register's own: they are kept.
    if (!write && transfer.Transferred() > 0 && !SaveTable())
        return CtlFailed;
    if (m_interrupted)
        return Fail(QStringLiteral("interrupted: ") +
                    (view.Failure().isEmpty() ? transfer.StoppedText() : view.Failure()));
    if (!view.Failure().isEmpty())
        return Fail(view.Failure());
    if (write) {
        m_context.Out << transfer.Transferred() << " PLUs written\n";
        return CtlSuccess;
    }
    const PluCells::Style style = FileStyle();
    if (m_format != OutputFormat::Text) {
        Records records{{QStringLiteral("plu"), QStringLiteral("description"), QStringLiteral("description2"),
                         QStringLiteral("price"), QStringLiteral("net_price"), QStringLiteral("department"),
                         QStringLiteral("unit"), QStringLiteral("active"), QStringLiteral("stock_programmed"),
                         QStringLiteral("barcode"), QStringLiteral("stock"),
                         QStringLiteral("decimal_quantity"), QStringLiteral("free_price")},
                        {}};
        for (int n = *from; n <= *to; ++n) {
            const PluRecord& e = Table()[n];
            const bool decimal = (e.Flags & FlagDecimalQty) != 0;
            records.Add({n, PluCells::Text(e, n, PluCells::Description, style),
                         PluCells::Text(e, n, PluCells::Description2, style), e.Price, e.NetPrice,
                         e.Department(), int(e.Unit), (e.Flags & FlagActive) != 0,
                         (e.Flags & FlagStockProgrammed) != 0, PluCells::Text(e, n, PluCells::Barcode, style),
                         decimal ? QVariant(double(e.Stock) / 1000.0) : QVariant(qint64(e.Stock)), decimal,
                         (e.Flags & FlagFreePrice) != 0});
        }
        return PrintRecords(records);
    }
    for (int n = *from; n <= *to; ++n) {
        QStringList cells;
        for (int column = 0; column < PluCells::ColumnCount; ++column)
            cells << PluCells::Text(Table()[n], n, column, style);
        m_context.Out << cells.join(QLatin1Char('\t')) << "\n";
    }
    return CtlSuccess;
}
