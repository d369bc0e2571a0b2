#include "barcodes/TBarcodeForm.h"

#include "barcodes/BarcodeGridDelegate.h"
#include "barcodes/BarcodeMessages.h"
#include "barcodes/WeighingBarcode.h"
#include "toolkit/DecimalSeparator.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace {

constexpr const char* ProgramTitle = "Orvex Commander";

constexpr int HeaderColumn = 0;
constexpr int CodeColumn = 1;
constexpr int WeightColumn = 2;

// Cells hold what the key filter lets through: digits and full stops. The
// number is the leading digits; an empty cell reads as 0.
int NumberOf(const QString& text) {
    qint64 value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), std::numeric_limits<int32_t>::max());
    }
    return int(value);
}

// A cell holds digits only; letters (pasted) or a full stop make no number.
bool IsNumber(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

TBarcodeForm::TBarcodeForm(BarcodeRules& rules, QWidget* parent) : QDialog(parent), m_rules(rules) {
    setObjectName(QStringLiteral("BarcodeForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(265, 250);
    setMouseTracking(true);

    m_typeLabel = new QLabel(this);
    m_typeLabel->setObjectName(QStringLiteral("TypeLabel"));
    m_lengthsLabel = new QLabel(this);
    m_lengthsLabel->setObjectName(QStringLiteral("LengthsLabel"));
    m_lengthsLabel->setAlignment(Qt::AlignCenter);

    m_grid = new QTableWidget(BarcodeRuleCount, 3, this);
    m_grid->setObjectName(QStringLiteral("BarcdGrid"));
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->verticalHeader()->setSectionsClickable(false);
    m_grid->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: palette(mid); }"));
    QStringList rowTitles;
    for (int r = 1; r <= BarcodeRuleCount; ++r)
        rowTitles << QString::number(r);
    m_grid->setVerticalHeaderLabels(rowTitles);
    for (int r = 0; r < BarcodeRuleCount; ++r)
        for (int c = 0; c < 3; ++c)
            m_grid->setItem(r, c, new QTableWidgetItem);
    m_grid->viewport()->setMouseTracking(true);
    m_grid->viewport()->installEventFilter(this);

    m_delegate = new BarcodeGridDelegate(m_grid);
    m_grid->setItemDelegate(m_delegate);

    m_doubleClickLabel = new QLabel(this);
    m_doubleClickLabel->setObjectName(QStringLiteral("DoubleClickLbl"));
    m_doubleClickLabel->setWordWrap(true);
    QSizePolicy hintPolicy = m_doubleClickLabel->sizePolicy();
    hintPolicy.setRetainSizeWhenHidden(true);
    m_doubleClickLabel->setSizePolicy(hintPolicy);
    m_doubleClickLabel->setVisible(false);

    m_applyButton = new QPushButton(this);
    m_applyButton->setObjectName(QStringLiteral("ApplyBtn"));
    m_applyButton->setAutoDefault(false);
    m_cancelButton = new QPushButton(this);
    m_cancelButton->setObjectName(QStringLiteral("CancelBtn"));
    m_cancelButton->setAutoDefault(false);

    auto* headings = new QHBoxLayout;
    headings->addWidget(m_typeLabel);
    headings->addWidget(m_lengthsLabel, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_applyButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(headings);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_doubleClickLabel);
    layout->addLayout(buttons);

    connect(m_applyButton, &QPushButton::clicked, this, &TBarcodeForm::ApplyBtnClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &TBarcodeForm::reject);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, &TBarcodeForm::BarcdGridDblClick);
    connect(m_delegate, &BarcodeGridDelegate::EditingStarted, this, &TBarcodeForm::BarcdGridGetEditText);
    connect(m_delegate, &BarcodeGridDelegate::TextEdited, this, &TBarcodeForm::BarcdGridSetEditText);
    connect(m_delegate, &BarcodeGridDelegate::KeyAccepted, this, &TBarcodeForm::BarcdGridKeyPress);
    connect(m_delegate, &QAbstractItemDelegate::closeEditor, this, &TBarcodeForm::EditorClosed);

    UpdateTexts();
    ShowAppliedRules();
}

void TBarcodeForm::ShowDialog() {
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    ShowDamagedRules();
}

void TBarcodeForm::SetLanguage(int language) {
    m_language = language == 1 ? 1 : 0;
    UpdateTexts();
}

void TBarcodeForm::ShowAppliedRules() {
    ShowRules(m_rules.Applied());
}

void TBarcodeForm::UpdateTexts() {
    const int l = m_language;
    setWindowTitle(BarcodeMessages::FormTitle.Text(l));
    m_typeLabel->setText(BarcodeMessages::TypeTitle.Text(l));
    m_lengthsLabel->setText(BarcodeMessages::LengthsTitle.Text(l));
    m_grid->setHorizontalHeaderLabels({BarcodeMessages::HeaderTitle.Text(l),
                                       BarcodeMessages::CodeTitle.Text(l),
                                       BarcodeMessages::WeightTitle.Text(l)});
    m_doubleClickLabel->setText(BarcodeMessages::DoubleClickHint.Text(l));
    m_applyButton->setText(
        (m_applyShowsClose ? BarcodeMessages::CloseText : BarcodeMessages::ApplyText).Text(l));
    m_cancelButton->setText(BarcodeMessages::CancelText.Text(l));
}

void TBarcodeForm::ShowRules(const BarcodeTypeTable& table) {
    for (int r = 0; r < BarcodeRuleCount; ++r) {
        const BarcodeRule& rule = table.Rules[size_t(r)];
        m_grid->item(r, HeaderColumn)->setText(QString::number(rule.Header));
        m_grid->item(r, CodeColumn)->setText(QString::number(rule.Code));
        m_grid->item(r, WeightColumn)->setText(QString::number(rule.Weight));
    }
}

int TBarcodeForm::CellNumber(int row, int column) const {
    return NumberOf(m_grid->item(row, column)->text());
}

void TBarcodeForm::BarcdGridKeyPress() {
    if (!m_applyShowsClose)
        return;
    m_applyShowsClose = false;
    UpdateTexts();
}

void TBarcodeForm::BarcdGridGetEditText(int row, int column) {
    m_editRow = row;
    m_editColumn = column;
    m_editNumber = CellNumber(row, column);
}

void TBarcodeForm::BarcdGridSetEditText(int row, int column, const QString& text) {
    m_grid->item(row, column)->setText(text);
    // An empty cell is a number on its way: it is judged when the editing ends.
    if (text.isEmpty())
        return;
    const bool tooLong = text.size() >= 3;
    const bool sumTooLong = CellNumber(row, CodeColumn) + qint64(CellNumber(row, WeightColumn)) >= 20;
    QString message;
    if (!IsNumber(text))
        message = NotANumberMessage(column);
    else
        switch (column) {
        case HeaderColumn:
            if (tooLong)
                message = QStringLiteral("Header must be up to 2 characters long!");
            break;
        case CodeColumn:
            if (tooLong)
                message = QStringLiteral("Code must be up to 2 characters long!");
            else if (sumTooLong)
                message = QStringLiteral("Code and Weight must be up to 19 characters long!");
            break;
        case WeightColumn:
            if (tooLong)
                message = QStringLiteral("Weight must be up to 2 characters long!");
            else if (sumTooLong)
                message = QStringLiteral("Code and Weight must be up to 19 characters long!");
            break;
        default:
            break;
        }
    // The cell is put right before the message appears, so the grid and the
    // edited rules never hold the refused text.
    if (!message.isEmpty() && m_editRow >= 0 && m_editColumn >= 0)
        m_grid->item(m_editRow, m_editColumn)->setText(QString::number(m_editNumber));
    m_rules.SetEditedRule(
        row, {CellNumber(row, HeaderColumn), CellNumber(row, CodeColumn), CellNumber(row, WeightColumn)});
    if (!message.isEmpty())
        ShowMessage(message);
}

QString TBarcodeForm::NotANumberMessage(int column) const {
    const Caption titles[] = {BarcodeMessages::HeaderTitle, BarcodeMessages::CodeTitle,
                              BarcodeMessages::WeightTitle};
    return BarcodeMessages::NotANumber.Text(m_language)
        .arg(titles[std::clamp(column, 0, 2)].Text(m_language));
}

void TBarcodeForm::EditorClosed() {
    if (m_editRow < 0 || m_editColumn < 0)
        return;
    QTableWidgetItem* cell = m_grid->item(m_editRow, m_editColumn);
    if (IsNumber(cell->text()))
        return;
    // Left empty: the number it had comes back rather than a silent 0.
    cell->setText(QString::number(m_editNumber));
    m_rules.SetEditedRule(m_editRow, {CellNumber(m_editRow, HeaderColumn), CellNumber(m_editRow, CodeColumn),
                                      CellNumber(m_editRow, WeightColumn)});
    ShowMessage(NotANumberMessage(m_editColumn));
}

void TBarcodeForm::ShowDamagedRules() {
    QStringList damaged;
    const BarcodeTypeTable& applied = m_rules.Applied();
    for (int r = 0; r < BarcodeRuleCount; ++r) {
        const BarcodeRule& rule = applied.Rules[size_t(r)];
        if (!RuleWithinChecks(rule))
            damaged << BarcodeMessages::RuleText.Text(m_language)
                           .arg(r + 1)
                           .arg(rule.Header)
                           .arg(rule.Code)
                           .arg(rule.Weight);
    }
    if (damaged.isEmpty())
        return;
    ShowMessage(BarcodeMessages::DamagedRules.Text(m_language).arg(damaged.join(QStringLiteral(", "))));
}

void TBarcodeForm::ApplyBtnClick() {
    if (m_applyShowsClose) {
        m_applyShowsClose = false;
        UpdateTexts();
        reject();
        return;
    }
    m_applyShowsClose = true;
    UpdateTexts();
    m_rules.ApplyEdits();
    emit ApplyRequested(m_rules.Applied());
}

void TBarcodeForm::BarcdGridDblClick() {
    const int row = std::max(m_grid->currentRow(), 0);
    ShowMessage(BarcodeSampleText(m_grid->item(row, HeaderColumn)->text(), CellNumber(row, CodeColumn),
                                  CellNumber(row, WeightColumn), DecimalSeparator()));
}

void TBarcodeForm::done(int result) {
    m_delegate->CloseOpenEditor();
    ShowRules(m_rules.Applied());
    m_rules.DropEdits();
    QDialog::done(result);
}

void TBarcodeForm::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(ProgramTitle), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("BarcodeMessage"));
    box.exec();
}

bool TBarcodeForm::eventFilter(QObject* object, QEvent* event) {
    if (object == m_grid->viewport() &&
        (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter))
        m_doubleClickLabel->setVisible(true);
    return QDialog::eventFilter(object, event);
}

void TBarcodeForm::mouseMoveEvent(QMouseEvent* event) {
    QSizePolicy hintPolicy = m_doubleClickLabel->sizePolicy();
    hintPolicy.setRetainSizeWhenHidden(true);
    m_doubleClickLabel->setSizePolicy(hintPolicy);
    m_doubleClickLabel->setVisible(false);
    QDialog::mouseMoveEvent(event);
}
