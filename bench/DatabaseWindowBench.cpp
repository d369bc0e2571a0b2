// The PLU database window and the printed listing over a full table of 10000
// varied PLUs. Figures, each against its goal and, where there is one, the
// way it was done before in the same run:
//   - opening the window (the grid filled and painted), against a grid of
//     110 011 cell items filled the old way;
//   - refreshing it after a read of the whole table from the register;
//   - a search of the 10000 entries by description and by barcode;
//   - PLU settings over 0-9999 (net price, then the unit);
//   - the printout of 10000 PLUs to PDF in both layouts: seconds, pages and
//     the longest time the user-interface thread went without running its
//     events (the serial port is read there).
#include "BenchSupport.h"
#include "common/ShellSettings.h"
#include "database/PluSearch.h"
#include "database/PluTableModel.h"
#include "database/TDataForm.h"
#include "printing/TPLUPrintForm.h"
#include "printing/TRepStatusForm.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void FillVaried(PluTable& table) {
    table.FillDefaults();
    for (int n = 0; n < PluTable::Size; ++n) {
        PluRecord& e = table[n];
        if (n % 3)
            e.SetDescription(QByteArray("ART ") + QByteArray::number(n * 7 % 10000));
        if (n % 2 == 0)
            e.Flags = uint8_t(FlagActive | (1 + n % 9));
        e.Unit = uint8_t(n % 5 == 0 ? 2 : 0);
        e.Price = 0.99 + n;
        e.NetPrice = 0.5 + n / 2.0;
        e.Stock = uint32_t(n % 5 == 0 ? 1500 * (n % 40) : n % 400);
        e.SetDescription2(QByteArray("Second line of PLU ") + QByteArray::number(n));
        e.SetBarcode(QByteArray("385") + QByteArray::number(1000000000 + n));
    }
}

void RunEvents() {
    QApplication::processEvents();
    QApplication::processEvents();
}

double Ms(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v) {
    std::ranges::sort(v);
    return v[v.size() / 2];
}

void Line(const char* what, double ms, double goalMs) {
    std::printf("%-52s %9.2f ms   goal %6.0f ms  (%.2f of goal)\n", what, ms, goalMs, ms / goalMs);
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    ResetShellSettings();
    Shell().UiLanguage = ShellSettings::English;
    MessageBoxes::SetHook([](const MessageRequest&) { return QMessageBox::Yes; });
    QTemporaryDir dir;
    GapWatch gaps;
    std::printf("PLU database window over %d varied PLUs\n", PluTable::Size);

    // The old way: one item per cell.
    double itemsMs = 0;
    {
        PluTable table;
        FillVaried(table);
        QElapsedTimer clock;
        clock.start();
        QTableWidget grid(PluTable::Size + 1, PluCells::ColumnCount);
        const PluCells::Style style{0, QLatin1Char('.'), 204, false};
        for (int n = 0; n < PluTable::Size; ++n) {
            for (int c = 0; c < PluCells::ColumnCount; ++c)
                grid.setItem(n + 1, c, new QTableWidgetItem(PluCells::Text(table[n], n, c, style)));
        }
        grid.show();
        RunEvents();
        itemsMs = Ms(clock);
    }

    PluTable shown;
    TDataForm data(shown);
    FillVaried(data.Table());
    std::vector<double> opens;
    double openGap = 0;
    for (int i = 0; i < 5; ++i) {
        data.SetGridStale();
        QElapsedTimer clock;
        clock.start();
        gaps.Start();
        data.show();
        RunEvents();
        opens.push_back(Ms(clock));
        openGap = std::max(openGap, gaps.StopMs());
        data.hide();
        RunEvents();
    }
    Line("window shown (median of 5), grid filled", Median(opens), 100);
    std::printf("%-52s %9.2f ms   (model: %.3f of it)\n", "  the same grid as 110 011 cell items", itemsMs,
                Median(opens) / itemsMs);

    data.show();
    RunEvents();
    std::vector<double> refreshes;
    for (int i = 0; i < 5; ++i) {
        FillVaried(data.Table()); // what a read of all PLUs leaves
        QElapsedTimer clock;
        clock.start();
        data.SetGridStale();
        RunEvents();
        refreshes.push_back(Ms(clock));
    }
    Line("refresh after a read of all PLUs (median of 5)", Median(refreshes), 100);

    std::vector<double> scans, barcodeScans, clicks;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer clock;
        clock.start();
        const QList<int> found = PluSearch::All(data.Table(), PluSearch::Field::Description, "ART 1");
        scans.push_back(Ms(clock));
        clock.start();
        const QList<int> byBarcode = PluSearch::All(data.Table(), PluSearch::Field::Barcode, "3851000001");
        barcodeScans.push_back(Ms(clock));
        if (found.isEmpty() || byBarcode.isEmpty())
            std::printf("search found nothing\n");
    }
    data.FindPLUsClick();
    auto* descr = data.findChild<QLineEdit*>(QStringLiteral("SearchDescrEdit"));
    for (int i = 0; i < 5; ++i) {
        descr->setText(QStringLiteral("ART 1"));
        emit descr->textEdited(descr->text());
        QElapsedTimer clock;
        clock.start();
        data.SearchBtnClick();
        RunEvents();
        clicks.push_back(Ms(clock));
    }
    data.FindPLUsClick();
    Line("search by description, 10000 entries (median)", Median(scans), 10);
    Line("search by barcode, 10000 entries (median)", Median(barcodeScans), 10);
    Line("  Search click with the result grid painted", Median(clicks), 100);

    data.ShowSetsClick();
    auto* field = data.findChild<QComboBox*>(QStringLiteral("FieldComboBox"));
    auto* value = data.findChild<QComboBox*>(QStringLiteral("ValueComboBox"));
    data.findChild<QLineEdit*>(QStringLiteral("FromPLU"))->setText(QStringLiteral("0"));
    data.findChild<QLineEdit*>(QStringLiteral("ToPLU"))->setText(QStringLiteral("9999"));
    RunEvents();
    const auto timedSetting = [&](int fieldIndex, const QString& text, int unit) {
        field->setCurrentIndex(fieldIndex);
        if (value->isEditable())
            value->setEditText(text);
        else
            value->setCurrentIndex(unit);
        QElapsedTimer clock;
        clock.start();
        gaps.Start();
        data.OKButtonClick();
        RunEvents();
        const double ms = Ms(clock);
        return std::pair{ms, gaps.StopMs()};
    };
    const auto [netMs, netGap] = timedSetting(3, QStringLiteral("12.5"), -1);
    const auto [unitMs, unitGap] = timedSetting(4, {}, 4);
    Line("settings: Net Price over 0-9999, grid repainted", netMs, 100);
    Line("settings: Unit over 0-9999, grid repainted", unitMs, 100);
    data.close();

    // The printout through the wizard, to PDF.
    TRepStatusForm status;
    TPLUPrintForm wizard;
    wizard.Attach(data.Table(), status);
    QString pdf;
    FileDialogs::SetFileHook([&](const FileDialogs::FileRequest&) { return pdf; });
    FileDialogs::SetPrintHook([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    for (const bool horizontal : {false, true}) {
        wizard.show();
        for (const char* box : {"Description2", "PLUPrice", "PLUDept", "PLUWP", "PLUStock"})
            wizard.findChild<QCheckBox*>(QString::fromLatin1(box))->setChecked(true);
        wizard.ChoiceNextClick();
        wizard.findChild<QAbstractButton*>(QStringLiteral("All"))->click();
        wizard
            .findChild<QAbstractButton*>(horizontal ? QStringLiteral("Horizontal") : QStringLiteral("Matrix"))
            ->click();
        pdf = dir.filePath(horizontal ? QStringLiteral("horizontal.pdf") : QStringLiteral("matrix.pdf"));
        QElapsedTimer clock;
        clock.start();
        gaps.Start();
        wizard.FinalNextClick();
        const double seconds = Ms(clock) / 1000;
        const double gap = gaps.StopMs();
        std::printf(
            "printout of 10000 PLUs, %-10s to PDF: %6.2f s, %4d pages, longest event-loop gap %6.2f ms "
            "(goal 50 ms; the job's own %lld ms)\n",
            horizontal ? "horizontal" : "matrix", seconds, PdfPages(pdf), gap,
            static_cast<long long>(wizard.LongestGapMs()));
    }
    wizard.show();
    wizard.ChoiceNextClick();
    wizard.findChild<QAbstractButton*>(QStringLiteral("All"))->click();
    QElapsedTimer clock;
    clock.start();
    gaps.Start();
    wizard.PreviewClick();
    RunEvents();
    std::printf("preview of 10000 PLUs: %.2f s, longest event-loop gap %.2f ms (goal 50 ms)\n",
                Ms(clock) / 1000, gaps.StopMs());
    std::printf("longest event-loop gap opening the window %.2f ms, during settings %.2f / %.2f ms\n",
                openGap, netGap, unitGap);
    FileDialogs::SetFileHook({});
    FileDialogs::SetPrintHook({});
    MessageBoxes::SetHook({});
    return 0;
}
