#include "HistoryReceipts.h"

#include "history/HistoryMessages.h"
#include "history/HistoryPage.h"
#include "history/HistoryStore.h"
#include "spreadsheets/SheetRows.h"
#include "support/WaitUntil.h"
#include "toolkit/MessageBoxes.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Two registers, two days of December, one receipt in November.
class HistoryPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QString error;
        ASSERT_TRUE(ParseHistoryTarget(QString(), m_dir.path(), m_target, error));
        HistoryStore store;
        ASSERT_TRUE(store.Open(m_target, error)) << error.toStdString();
        store.Add(HistoryTable::Registers, RegisterValues(One, QStringLiteral("AABBCCDDE"), 1));
        const auto add = [&store](const RegisterKey& reg, const ReceiptRecord& r) {
            store.Add(HistoryTable::Receipts, ReceiptValues(reg, 1, r));
            for (const ReceiptItem& item : r.Items)
                store.Add(HistoryTable::ReceiptItems, ReceiptItemValues(reg, 1, r, item));
        };
        add(One, Receipt(1, 1050, "2026-12-01T09:05", {1000, 0, 50, 0, 0, 0, 0, 0, 0},
                         {{10, 1, "BREAD", 2000, 1000}, {20, 3, "MILK", 1000, 50}}));
        add(One,
            Receipt(2, 200, "2026-12-02T10:00", {0, 0, 0, 0, 200, 0, 0, 0, 0}, {{30, 5, "SALT", 4000, 200}}));
        add(Two, Receipt(1, 333, "2026-12-02T10:30", {333, 0, 0, 0, 0, 0, 0, 0, 0},
                         {{10, 1, "BREAD", 1000, 333}}));
        add(One,
            Receipt(1, 999, "2026-11-30T23:59", {999, 0, 0, 0, 0, 0, 0, 0, 0}, {{40, 1, "EGGS", 9000, 999}}));
        ASSERT_TRUE(store.Flush(10000));
        store.Close();

        MessageBoxes::SetHook([this](const MessageRequest& request) {
            m_messages << request.Text;
            return QMessageBox::Ok;
        });
        m_page = std::make_unique<HistoryPage>();
        m_page->ApplyLanguage(0);
        m_page->resize(800, 600);
        m_page->SetToday(QDate(2026, 12, 2));
        m_page->SetTarget(m_target);
        m_page->PageShow();
        ASSERT_TRUE(Settled());
    }
    void TearDown() override {
        m_page.reset();
        MessageBoxes::SetHook({});
    }
    bool Settled() {
        return WaitUntil([this] { return !m_page->IsLoading(); }, 10000);
    }
    // The bar sets of a chart on show: name and values.
    std::vector<std::pair<QString, QList<qreal>>> Bars(HistoryChart chart) {
        m_page->ShowChart(chart);
        std::vector<std::pair<QString, QList<qreal>>> out;
        const QList<QAbstractSeries*> series = m_page->ChartView(chart)->chart()->series();
        if (series.isEmpty())
            return out;
        for (const QBarSet* set : static_cast<QAbstractBarSeries*>(series[0])->barSets()) {
            QList<qreal> values;
            for (int i = 0; i < set->count(); ++i)
                values << set->at(i);
            out.emplace_back(set->label(), values);
        }
        return out;
    }
    QStringList Categories(HistoryChart chart) {
        m_page->ShowChart(chart);
        for (QAbstractAxis* axis : m_page->ChartView(chart)->chart()->axes())
            if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis))
                return categories->categories();
            else if (auto* labelled = qobject_cast<QCategoryAxis*>(axis))
                return labelled->categoriesLabels();
        return {};
    }

    QTemporaryDir m_dir;
    HistoryTarget m_target;
    std::unique_ptr<HistoryPage> m_page;
    QStringList m_messages;
};

using Bar = std::pair<QString, QList<qreal>>;

} // namespace

TEST_F(HistoryPageTest, ThePeriodsChartsShowTheStoredFigures) {
    // This month, the PC's day being 2 December: the November receipt is not in it.
    EXPECT_EQ(m_page->StatusText(), "Receipts: 3   Total: 15.83");
    const auto turnover = Bars(HistoryChart::Turnover);
    ASSERT_EQ(turnover.size(), 4u);
    EXPECT_EQ(turnover[0].first, "Tax ?");
    EXPECT_EQ(turnover[1].first, "Tax A");
    ASSERT_EQ(turnover[1].second.size(), 31) << "every day of December";
    EXPECT_DOUBLE_EQ(turnover[1].second[0], 10.00);
    EXPECT_DOUBLE_EQ(turnover[0].second[1], 3.33);
    EXPECT_DOUBLE_EQ(turnover[3].second[1], 2.00);
    EXPECT_DOUBLE_EQ(turnover[1].second[2], 0.0);
    EXPECT_EQ(Categories(HistoryChart::Turnover),
              (QStringList{"1", "4", "7", "10", "13", "16", "19", "22", "25", "28", "31"}));
    // The largest article on top: the horizontal axis counts from the bottom.
    EXPECT_EQ(Categories(HistoryChart::TopByAmount), (QStringList{"20 MILK", "30 SALT", "10 BREAD"}));
    EXPECT_EQ(Bars(HistoryChart::TopByAmount), (std::vector<Bar>{{"Amount", {0.5, 2.0, 13.33}}}));
    EXPECT_EQ(Bars(HistoryChart::TopByQuantity), (std::vector<Bar>{{"Quantity", {1.0, 3.0, 4.0}}}));
    const auto hours = Bars(HistoryChart::Hours);
    ASSERT_EQ(hours.size(), 1u);
    ASSERT_EQ(hours[0].second.size(), 24);
    EXPECT_EQ(hours[0].second[9], 1);
    EXPECT_EQ(hours[0].second[10], 2);
    EXPECT_EQ(Bars(HistoryChart::Operators), (std::vector<Bar>{{"Total", {13.83, 2.0}}}));
    EXPECT_DOUBLE_EQ(Bars(HistoryChart::Average)[0].second[1], 2.67);

    // One register of the two the history knows.
    auto* registers = m_page->findChild<QComboBox*>(QStringLiteral("HistoryRegister"));
    ASSERT_TRUE(registers);
    ASSERT_EQ(registers->count(), 3);
    registers->setCurrentIndex(1);
    emit registers->activated(1);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(m_page->StatusText(), "Receipts: 2   Total: 12.50");

    // Today has nothing; a range that ends before it starts is said, not read.
    m_page->SetPeriod(HistoryPage::Today);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(m_page->StatusText(), "Receipts: 1   Total: 2.00");
    m_page->SetRange(QDate(2027, 1, 1), QDate(2027, 1, 31));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(m_page->StatusText(), "No sales in this period");
    m_page->SetRange(QDate(2026, 12, 31), QDate(2026, 12, 1));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(m_page->StatusText(), "The period starts after it ends");
    EXPECT_FALSE(m_page->Figures());
    EXPECT_FALSE(m_page->findChild<QPushButton*>(QStringLiteral("SaveChart"))->isEnabled());
    RunEventsFor(100);
    EXPECT_EQ(m_page->StatusText(), "The period starts after it ends") << "a late answer does not cover it";

    m_page->ApplyLanguage(1);
    EXPECT_EQ(m_page->StatusText(), "Period počinje posle svog kraja");
}

TEST_F(HistoryPageTest, EachChartIsSavedWholeAsAPictureAndItsFiguresAsASheet) {
    const QString png = m_dir.filePath("turnover.png");
    const QString svg = m_dir.filePath("hours.svg");
    const QString pdf = m_dir.filePath("top.pdf");
    const QString xlsx = m_dir.filePath("top.xlsx");
    ASSERT_TRUE(m_page->SaveChart(HistoryChart::Turnover, png));
    ASSERT_TRUE(m_page->SaveChart(HistoryChart::Hours, svg));
    ASSERT_TRUE(m_page->SaveChart(HistoryChart::TopByAmount, pdf));
    ASSERT_TRUE(m_page->ExportFigures(HistoryChart::TopByAmount, xlsx));
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join('\n').toStdString();

    QImage image;
    ASSERT_TRUE(image.load(png, "PNG"));
    EXPECT_EQ(image.size(), QSize(1000, 700));
    QFile svgFile(svg);
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svgText = svgFile.readAll();
    EXPECT_TRUE(svgText.contains("<svg")) << svgText.left(200).toStdString();
    EXPECT_TRUE(svgText.contains("</svg>"));
    EXPECT_TRUE(svgText.contains("Receipts by hour of day"));
    QFile pdfFile(pdf);
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    const QByteArray pdfBytes = pdfFile.readAll();
    EXPECT_TRUE(pdfBytes.startsWith("%PDF-"));
    EXPECT_TRUE(pdfBytes.trimmed().endsWith("%%EOF"));

    SheetRows rows(100, 10);
    ASSERT_EQ(ReadSheetFile(xlsx, rows), SheetError::None);
    ASSERT_EQ(rows.RowCount(), 4);
    EXPECT_EQ(rows.Cell(1, 1).Text, "PLU");
    EXPECT_EQ(rows.Cell(1, 4).Text, "Amount");
    EXPECT_EQ(rows.Cell(2, 1).Number, 10);
    EXPECT_EQ(rows.Cell(2, 2).Text, "BREAD");
    EXPECT_DOUBLE_EQ(rows.Cell(2, 3).Number, 3.0);
    EXPECT_DOUBLE_EQ(rows.Cell(2, 4).Number, 13.33);
    EXPECT_EQ(rows.Cell(4, 2).Text, "MILK");
}

TEST_F(HistoryPageTest, AFileThatCannotBeWrittenIsSaidInBothLanguages) {
    const QString missing = m_dir.filePath("no such folder/chart.png");
    EXPECT_FALSE(m_page->SaveChart(HistoryChart::Turnover, missing));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith("The chart cannot be saved to " + missing + ": "))
        << m_messages[0].toStdString();
    m_page->ApplyLanguage(1);
    EXPECT_FALSE(m_page->ExportFigures(HistoryChart::Departments, m_dir.filePath("no such folder/d.xlsx")));
    EXPECT_FALSE(m_page->SaveChart(HistoryChart::Departments, m_dir.filePath("chart.bmp")));
    ASSERT_EQ(m_messages.size(), 3);
    EXPECT_TRUE(m_messages[1].startsWith("Podaci ne mogu da se izvezu u ")) << m_messages[1].toStdString();
    EXPECT_TRUE(m_messages[2].contains(".png, .svg")) << m_messages[2].toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath("chart.bmp")));
    // A kind of file the figures cannot go to is named as the kinds they can.
    const struct {
        int Language;
        const char* Message;
    } kinds[] = {
        {1, "Podaci ne mogu da se izvezu u %1: mogu da se zapišu samo datoteke .xlsx i .csv"},
        {0, "The figures cannot be exported to %1: only .xlsx and .csv files can be written"},
    };
    for (const auto& kind : kinds) {
        m_page->ApplyLanguage(kind.Language);
        const QString text = m_dir.filePath("figures.txt");
        EXPECT_FALSE(m_page->ExportFigures(HistoryChart::Departments, text));
        EXPECT_EQ(m_messages.last(), QString::fromUtf8(kind.Message).arg(text));
        EXPECT_FALSE(QFile::exists(text));
    }
    EXPECT_TRUE(QDir(m_dir.path())
                    .entryList({"*.partial", "*.png*", "*.xlsx*"}, QDir::Files | QDir::Hidden)
                    .isEmpty());
}

TEST_F(HistoryPageTest, AHistoryThatCannotBeReadIsSaid) {
    m_page->SetUnavailable(QStringLiteral("disk gone"));
    EXPECT_EQ(m_page->StatusText(), "The history cannot be read: disk gone");
    EXPECT_FALSE(m_page->Figures());
    HistoryTarget elsewhere = m_target;
    elsewhere.File = m_dir.filePath("other/history.sqlite");
    m_page->SetTarget(elsewhere);
    ASSERT_TRUE(Settled());
    EXPECT_TRUE(m_page->StatusText().startsWith("The history cannot be read: "))
        << m_page->StatusText().toStdString();
    EXPECT_TRUE(m_page->StatusText().contains("no history kept there"));
}
