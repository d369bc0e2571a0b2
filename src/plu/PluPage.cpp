#include "plu/PluPage.h"

#include "barcodes/BarcodeTypeTable.h"
#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "database/PluSettings.h"
#include "database/PluTable.h"
#include "plu/PluLimits.h"
#include "plu/PluMessages.h"
#include "plu/PluPageMessages.h"
#include "protocol/ConversionError.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "toolkit/CharacterFilter.h"
#include "toolkit/DecimalSeparator.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/LimitMark.h"
#include "toolkit/MessageBoxes.h"
#include "toolkit/TypedKeys.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

using FieldBuilders::Button;
using FieldBuilders::Edit;
using FieldBuilders::Label;
using FieldBuilders::Named;
using FieldBuilders::Radio;

namespace {

constexpr int ColorTimerMs = 2000;
constexpr char BarcodeEntryOn[] = "BARCODE ENTRY MODE!";
constexpr char BarcodeEntryOff[] = "END OF BARCODE ENTRY MODE!";
constexpr char BarcodeExists[] = "This barcode already exists, PLU Code: ";
constexpr char PluReportQuestion[] =
    "This operation prints all available PLUs in the cash register.\nDo you want to continue?";
constexpr char PluReportTitle[] = "Orvex Warning!";

void Paint(QWidget* panel, const QColor& colour) {
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
}

// Clears both buttons of a pair, which their exclusive group would refuse.
void Deselect(QRadioButton* a, QRadioButton* b) {
    QButtonGroup* group = a->group();
    group->setExclusive(false);
    a->setChecked(false);
    b->setChecked(false);
    group->setExclusive(true);
}

// The flags hold departments 1 to 15; the list offers 1 to 9, and a record
// from a file or the register may bring the others.
bool DepartmentAllowed(const QString& text) {
    bool ok = false;
    const int department = text.toInt(&ok);
    return text.isEmpty() || (ok && department >= 1 && department <= int(FlagDepartmentMask));
}

QString MinutesSeconds(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

PluPage::PluPage(QWidget* parent)
    : ModePage(QStringLiteral("ProgSheet"), QStringLiteral("ClosePLUSheet"), PluPageMessages::PageTitle,
               parent) {
    Body()->addWidget(BuildRecordPanel());
    Body()->addWidget(BuildTransferPanel());
    Body()->addWidget(BuildStatusPanel());
    Body()->addStretch(1);
    m_colorTimer.setParent(this);
    m_colorTimer.setObjectName(QStringLiteral("ColorTimer"));
    m_colorTimer.setInterval(ColorTimerMs);
    ConnectControls();
    SetConstantFieldsOnly(false);
    ClearPluPage();
    SetStockEditable();
    PLUNumChange();
}

PluPage::~PluPage() {
    // The transfer outlives the page in the session.
    if (m_transfer)
        m_transfer->SetView(nullptr);
}

QWidget* PluPage::BuildRecordPanel() {
    m_constsPanel = Named(new QFrame(this), "PLUConstsPanel");
    m_constsPanel->setFrameShape(QFrame::StyledPanel);
    m_constsPanel->setAutoFillBackground(true);
    auto* grid = new QGridLayout(m_constsPanel);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);

    m_pluNum = Edit(m_constsPanel, "PLUNum", 4, 56);
    m_pluNum->setText(QStringLiteral("0"));
    const FieldBuilders::UpDownArrows upDown = FieldBuilders::UpDown(m_constsPanel, "UpDown1");
    m_up = upDown.Up;
    m_down = upDown.Down;
    auto* codeRow = new QHBoxLayout;
    codeRow->setSpacing(1);
    codeRow->addWidget(m_pluNum);
    codeRow->addWidget(upDown.Holder);
    codeRow->addStretch(1);

    m_department = Named(new QComboBox(m_constsPanel), "Department");
    m_department->setEditable(true);
    for (int d = 1; d <= 9; ++d)
        m_department->addItem(QString::number(d));
    m_department->lineEdit()->setMaxLength(2);
    m_department->setFixedWidth(52);
    m_active = Radio(m_constsPanel, "Active", "Active");
    m_inactive = Radio(m_constsPanel, "Inactive", "Inactive");
    auto* activity = new QButtonGroup(m_constsPanel);
    activity->addButton(m_active);
    activity->addButton(m_inactive);

    m_price = Edit(m_constsPanel, "Price", 9, 96);
    m_cost = Edit(m_constsPanel, "Cost", 9, 96);
    m_description = Edit(m_constsPanel, "Description", DescriptionLength, 130);
    m_description2 = Edit(m_constsPanel, "Description2", Description2Length, 290);
    m_barcode = Edit(m_constsPanel, "Barcode", BarcodeLength, 190);
    m_barcodeLabel = Label(m_constsPanel, "BarcodeLabel", "Barcode");
    m_barcodeLabel->setCursor(Qt::PointingHandCursor);
    QPalette labelPalette = m_barcodeLabel->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::black);
    m_barcodeLabel->setPalette(labelPalette);
    m_unitCombo = Named(new QComboBox(m_constsPanel), "Flags2Combo");
    m_unitCombo->setMinimumWidth(150);

    grid->addWidget(Label(m_constsPanel, "PPLUCode", "PLU Code"), 0, 0);
    grid->addLayout(codeRow, 0, 1);
    grid->addWidget(Label(m_constsPanel, "PDepartment", "Department"), 0, 2);
    auto* deptRow = new QHBoxLayout;
    deptRow->addWidget(m_department);
    deptRow->addWidget(m_active);
    deptRow->addWidget(m_inactive);
    deptRow->addStretch(1);
    grid->addLayout(deptRow, 0, 3);
    grid->addWidget(Label(m_constsPanel, "PDescription", "Description"), 1, 0);
    grid->addWidget(m_description, 1, 1);
    grid->addWidget(Label(m_constsPanel, "PPrice", "Price"), 1, 2);
    grid->addWidget(m_price, 1, 3);
    grid->addWidget(Label(m_constsPanel, "PDescription2", "Description2"), 2, 0);
    grid->addWidget(m_description2, 2, 1);
    grid->addWidget(Label(m_constsPanel, "CostLabel", "Net Price"), 2, 2);
    grid->addWidget(m_cost, 2, 3);
    grid->addWidget(m_barcodeLabel, 3, 0);
    grid->addWidget(m_barcode, 3, 1);
    grid->addWidget(Label(m_constsPanel, "Flags2", "Unit"), 3, 2);
    grid->addWidget(m_unitCombo, 3, 3);

    m_stockPanel = Named(new QFrame(m_constsPanel), "StockPanel");
    m_stockPanel->setFrameShape(QFrame::StyledPanel);
    m_stockPanel->setAutoFillBackground(true);
    auto* stockRow = new QHBoxLayout(m_stockPanel);
    stockRow->setContentsMargins(4, 2, 4, 2);
    m_progStock = Radio(m_stockPanel, "ProgStock", "Programmed");
    m_unProgStock = Radio(m_stockPanel, "UnProgStock", "Not Programmed");
    auto* stockStates = new QButtonGroup(m_stockPanel);
    stockStates->addButton(m_progStock);
    stockStates->addButton(m_unProgStock);
    m_stock = Edit(m_stockPanel, "Stock", 9, 110);
    stockRow->addWidget(Label(m_stockPanel, "StockStatLbl", "Stock status"));
    stockRow->addWidget(m_progStock);
    stockRow->addWidget(m_unProgStock);
    stockRow->addStretch(1);
    stockRow->addWidget(Label(m_stockPanel, "StockLbl", "Stock"));
    stockRow->addWidget(m_stock);
    grid->addWidget(m_stockPanel, 4, 0, 1, 4);

    // Filled whenever a record is shown, never seen.
    auto* hidden = Named(new QFrame(m_constsPanel), "QtyPanel");
    auto* hiddenRow = new QHBoxLayout(hidden);
    m_quantity = Edit(hidden, "Quantity", 20, 80);
    m_total = Edit(hidden, "Total", 30, 80);
    m_constCheck = Edit(hidden, "ConstCheck", 3, 40);
    m_varCheck = Edit(hidden, "VarCheck", 3, 40);
    hiddenRow->addWidget(Label(hidden, "QuantityLabel", "Quantity"));
    hiddenRow->addWidget(m_quantity);
    hiddenRow->addWidget(Label(hidden, "TotalPriceLabel", "Total Price"));
    hiddenRow->addWidget(m_total);
    hiddenRow->addWidget(Label(hidden, "ConstCheckLabel", "Constant Check"));
    hiddenRow->addWidget(m_constCheck);
    hiddenRow->addWidget(Label(hidden, "VarCheckLabel", "Var Check"));
    hiddenRow->addWidget(m_varCheck);
    for (QLineEdit* field : {m_quantity, m_total, m_constCheck, m_varCheck})
        field->setReadOnly(true);
    hidden->hide();
    grid->addWidget(hidden, 5, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    return m_constsPanel;
}

QWidget* PluPage::BuildTransferPanel() {
    auto* panel = new QWidget(this);
    auto* layout = new QGridLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* scope = Named(new QGroupBox(QStringLiteral("Write"), panel), "PLUWriteGBox");
    auto* scopeLayout = new QVBoxLayout(scope);
    scopeLayout->setSpacing(1);
    m_stockOnly = Radio(scope, "StockOnly", "Stock only");
    m_constantFields = Radio(scope, "ConstantFields", "Constant fields only");
    m_allPluData = Radio(scope, "AllPLUData", "Both constant fields and stock");
    for (QRadioButton* button : {m_stockOnly, m_constantFields, m_allPluData})
        scopeLayout->addWidget(button);

    auto* range = Named(new QGroupBox(QStringLiteral("Read-Write"), panel), "ReadWriteGBox");
    auto* rangeLayout = new QGridLayout(range);
    rangeLayout->setVerticalSpacing(1);
    m_wrAll = Radio(range, "WRAll", "All");
    m_wrAll->setChecked(true);
    m_wrActive = Radio(range, "WRActive", "Active");
    m_fromNPlu = Edit(range, "FromNPlu", 4, 56);
    m_fromNPlu->setText(QStringLiteral("0"));
    m_toNPlu = Edit(range, "ToNPlu", 4, 56);
    m_toNPlu->setText(QStringLiteral("9999"));
    rangeLayout->addWidget(m_wrAll, 0, 0);
    rangeLayout->addWidget(m_wrActive, 1, 0);
    rangeLayout->addWidget(Label(range, "FromM", "From:"), 0, 1);
    rangeLayout->addWidget(m_fromNPlu, 0, 2);
    rangeLayout->addWidget(Label(range, "ToM", "To:"), 1, 1);
    rangeLayout->addWidget(m_toNPlu, 1, 2);

    m_putPlu = Button(panel, "PutPLU", "Write on PC (F7)");
    m_writeOnEcr = Button(panel, "WriteOnECR", "Write on ECR and PC (F8)");
    m_readOne = Button(panel, "ReadOneBtn", "Read from ECR (F9)");
    m_readAll = Button(panel, "ReadAll", "Read all from ECR");
    m_cancelRead = Button(panel, "CancelRead", "Cancel");
    m_cancelRead->hide();
    m_serialProgStart = Button(panel, "SerialProgStart", "Write all to ECR");
    m_serialProgStop = Button(panel, "SerialProgStop", "Cancel");
    m_serialProgStop->hide();
    m_pluReport = Button(panel, "PLUReport", "PLU Report");
    m_barcodeCommit = Button(panel, "BarcodeCommit", "Barcodes");
    m_barcodeCommit->setFlat(true);

    layout->addWidget(scope, 0, 0, 2, 1);
    layout->addWidget(range, 0, 1, 2, 1);
    auto* single = new QVBoxLayout;
    single->setSpacing(2);
    for (QPushButton* button : {m_putPlu, m_writeOnEcr, m_readOne})
        single->addWidget(button);
    layout->addLayout(single, 0, 2, 2, 1);
    auto* bulk = new QHBoxLayout;
    for (QPushButton* button :
         {m_readAll, m_cancelRead, m_serialProgStart, m_serialProgStop, m_pluReport, m_barcodeCommit})
        bulk->addWidget(button);
    bulk->addStretch(1);
    layout->addLayout(bulk, 2, 0, 1, 3);
    return panel;
}

QWidget* PluPage::BuildStatusPanel() {
    auto* holder = new QWidget(this);
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    m_statusPanel = Named(new QFrame(holder), "StatusPanel");
    m_statusPanel->setFrameShape(QFrame::StyledPanel);
    auto* status = new QHBoxLayout(m_statusPanel);
    status->setContentsMargins(6, 2, 6, 2);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_pluRequest = Label(m_statusPanel, "PLUReuqest", "");
    m_readLblId = Label(m_statusPanel, "ReadLblId", "");
    m_curStockId = Label(m_statusPanel, "CurStockID", "");
    m_writeLblId = Label(m_statusPanel, "WriteLblId", "");
    m_progress = Label(m_statusPanel, "TransferProgress", "");
    for (QLabel* label : {m_pluRequest, m_readLblId, m_curStockId, m_writeLblId}) {
        label->setFont(fixed);
        label->setMinimumWidth(
            QFontMetrics(fixed).horizontalAdvance(QString(PluTransfer::IndicatorWidth, 'W')) /
            (label == m_readLblId || label == m_writeLblId ? 2 : 1));
        status->addWidget(label);
    }
    status->addSpacing(12);
    status->addWidget(m_progress, 1);
    m_statusPanel->hide();
    m_barcAnimate = Named(new QProgressBar(holder), "BarcAnimate");
    m_barcAnimate->setRange(0, 0);
    m_barcAnimate->setMaximumWidth(120);
    m_barcAnimate->hide();
    row->addWidget(m_statusPanel, 1);
    row->addWidget(m_barcAnimate);
    return holder;
}

void PluPage::ConnectControls() {
    for (QObject* field :
         std::initializer_list<QObject*>{m_pluNum, m_department->lineEdit(), m_price, m_cost, m_stock,
                                         m_description, m_barcode, m_fromNPlu, m_toNPlu})
        field->installEventFilter(this);
    m_barcodeLabel->installEventFilter(this);

    // Pasted and dropped text meets the rule typing meets. Text the field
    // already holds (a record from a file, say) stays editable.
    const auto filter = [](QLineEdit* field, CharacterFilter::Refused rejected) {
        return CharacterFilter::Install(field, std::move(rejected), CharacterFilter::Baseline::Accepted);
    };
    for (QLineEdit* field : {m_pluNum, m_fromNPlu, m_toNPlu})
        filter(field, [](QChar c) { return CodeKeyRejected(c); });
    filter(m_department->lineEdit(), [](QChar c) {
        return DigitKeyRejected(c);
    })->SetValueRule(DepartmentAllowed);
    for (QLineEdit* field : {m_price, m_cost, m_stock})
        filter(field, [](QChar c) { return DecimalKeyRejected(c, DecimalSeparator()); });
    filter(m_description,
           [this](QChar c) { return RegisterTextKeyRejected(c, Charset(), m_description->font().family()); });
    // Kept only on the PC, in the code page: a character the code page lacks
    // would be stored as a question mark.
    filter(m_description2, [this](QChar c) { return !CodePageByte(c, Charset()); });
    filter(m_barcode, [](QChar c) { return TextKeyRejected(c); });
    // Pasted text gets the checks that a key release gives typed text.
    for (QLineEdit* field : {m_pluNum, m_price, m_cost, m_stock, m_fromNPlu, m_toNPlu})
        connect(field, &QLineEdit::textEdited, this, [this, field] { KeyUp(field); });

    connect(m_pluNum, &QLineEdit::textChanged, this, &PluPage::PLUNumChange);
    // A record shown, a unit changed: the marks follow the values.
    for (QLineEdit* field : {m_price, m_cost})
        connect(field, &QLineEdit::textChanged, this, [this, field] { PriceKeyUp(field); });
    connect(m_stock, &QLineEdit::textChanged, this, &PluPage::StockKeyUp);
    connect(m_unitCombo, &QComboBox::currentIndexChanged, this, &PluPage::StockKeyUp);
    connect(m_up, &QToolButton::clicked, this, [this] { UpDown1Click(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { UpDown1Click(-1); });
    connect(m_department, &QComboBox::currentTextChanged, this, &PluPage::DepartmentChange);
    connect(m_active, &QRadioButton::clicked, this, &PluPage::ActiveClick);
    connect(m_inactive, &QRadioButton::clicked, this, &PluPage::InactiveClick);
    connect(m_progStock, &QRadioButton::clicked, this, &PluPage::ProgStockClick);
    connect(m_unProgStock, &QRadioButton::clicked, this, &PluPage::UnProgStockClick);
    connect(m_stockOnly, &QRadioButton::clicked, this, [this] { WriteScopeClick(0); });
    connect(m_constantFields, &QRadioButton::clicked, this, [this] { WriteScopeClick(1); });
    connect(m_allPluData, &QRadioButton::clicked, this, [this] { WriteScopeClick(2); });
    connect(&m_colorTimer, &QTimer::timeout, this, &PluPage::ColorTimerTimer);
    connect(m_putPlu, &QPushButton::clicked, this, &PluPage::PutPLUClick);
    connect(m_writeOnEcr, &QPushButton::clicked, this, &PluPage::WriteOnECRClick);
    connect(m_readOne, &QPushButton::clicked, this, &PluPage::ReadOneBtnClick);
    connect(m_readAll, &QPushButton::clicked, this, &PluPage::ReadAllClick);
    connect(m_serialProgStart, &QPushButton::clicked, this, &PluPage::SerialProgStartClick);
    connect(m_cancelRead, &QPushButton::clicked, this, &PluPage::CancelReadClick);
    connect(m_serialProgStop, &QPushButton::clicked, this, &PluPage::SerialProgStopClick);
    connect(m_barcodeCommit, &QPushButton::clicked, this, &PluPage::BarcodeCommitClick);
    connect(m_pluReport, &QPushButton::clicked, this, &PluPage::PLUReportClick);
}

void PluPage::Attach(PluTable& table, ReplyDispatcher& dispatcher, const BarcodeRules& barcodes,
                     PluTransfer& transfer, QWidget* databaseWindow) {
    m_table = &table;
    m_dispatcher = &dispatcher;
    m_barcodes = &barcodes;
    m_databaseWindow = databaseWindow;
    m_transfer = &transfer;
    transfer.SetView(this);
    connect(&dispatcher.RS232(), &TRS232Form::BarcodeLine, this, &PluPage::OnBarcodeLine);
}

template <typename F> void PluPage::Guarded(F&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        MessageBoxes::Plain(this, QString::fromStdString(error.what()));
    }
}

int PluPage::Charset() const {
    return Shell().RegisterCharset;
}

void PluPage::FillUnitList(int lang) {
    // The shown PLU keeps its unit: a write after a language switch must not
    // turn a PLU sold by weight into one sold by pieces.
    const int unit = m_unitCombo->currentIndex();
    m_unitCombo->clear();
    m_unitCombo->addItems(Captions::UnitNames(lang));
    m_unitCombo->setCurrentIndex(unit);
}

void PluPage::SetConstantFieldsOnly(bool othersOffered) {
    m_constantFields->setChecked(true);
    SetOtherScopesOffered(othersOffered);
}

void PluPage::SetOtherScopesOffered(bool offered) {
    m_stockOnly->setEnabled(offered);
    m_allPluData->setEnabled(offered);
}

int PluPage::WriteScope() const {
    if (m_stockOnly->isChecked())
        return 0;
    return m_allPluData->isChecked() ? 2 : 1;
}

bool PluPage::ActiveOnly() const {
    return m_wrActive->isChecked();
}

// --- keys --------------------------------------------------------------

bool PluPage::KeyRejected(QObject* field, QChar c) const {
    if (field == m_pluNum || field == m_fromNPlu || field == m_toNPlu)
        return CodeKeyRejected(c);
    if (field == m_department->lineEdit())
        return DigitKeyRejected(c);
    if (field == m_price || field == m_cost || field == m_stock)
        return DecimalKeyRejected(c, DecimalSeparator());
    if (field == m_description)
        return RegisterTextKeyRejected(c, Charset(), m_description->font().family());
    if (field == m_barcode) {
        if (TextKeyRejected(c))
            return true;
        if (c.unicode() < 0x20 || !m_barcodes)
            return false;
        // A barcode of a weighing type keeps only its header and item code.
        const QString text = m_barcode->text();
        for (const BarcodeRule& rule : m_barcodes->Applied().Rules) {
            if (QString::number(rule.Header) == text.left(2) && text.size() >= rule.Code)
                return true;
        }
    }
    return false;
}

bool PluPage::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        QString text = TypedText(static_cast<QKeyEvent*>(event));
        if (text.isEmpty())
            break;
        // Register texts are typed in capitals, as with Caps Lock on.
        if (watched == m_description && text != text.toUpper()) {
            text = text.toUpper();
            for (const QChar c : text) {
                if (KeyRejected(watched, c))
                    return true;
            }
            m_description->insert(text);
            return true;
        }
        for (const QChar c : text) {
            if (KeyRejected(watched, c))
                return true;
        }
        break;
    }
    case QEvent::KeyRelease:
        KeyUp(watched);
        break;
    case QEvent::FocusOut:
        FocusLeft(watched);
        break;
    case QEvent::MouseButtonPress:
        if (watched == m_barcodeLabel) {
            BarcodeLabelClick();
            return true;
        }
        break;
    default:
        break;
    }
    return ModePage::eventFilter(watched, event);
}

void PluPage::KeyUp(QObject* field) {
    if (field == m_pluNum) {
        PLUNumKeyUp();
    } else if (field == m_price || field == m_cost) {
        PriceKeyUp(static_cast<QLineEdit*>(field));
    } else if (field == m_stock) {
        StockKeyUp();
    } else if (field == m_fromNPlu || field == m_toNPlu) {
        auto* edit = static_cast<QLineEdit*>(field);
        bool ok = false;
        if (edit->text().toInt(&ok) >= PluCount && ok)
            edit->setText(QStringLiteral("9999"));
    }
}

void PluPage::FocusLeft(QObject* field) {
    bool fromOk = false;
    bool toOk = false;
    const int from = m_fromNPlu->text().toInt(&fromOk);
    const int to = m_toNPlu->text().toInt(&toOk);
    if (!fromOk || !toOk || from <= to)
        return;
    if (field == m_fromNPlu)
        m_fromNPlu->setText(m_toNPlu->text());
    else if (field == m_toNPlu)
        m_toNPlu->setText(m_fromNPlu->text());
}

// --- choosing and showing a PLU -------------------------------------------

std::optional<int> PluPage::PluNumber() const {
    if (m_pluNum->text().isEmpty())
        return std::nullopt;
    return FieldNumber(m_pluNum);
}

int PluPage::FieldNumber(const QLineEdit* field) const {
    if (field->text().isEmpty())
        return 0;
    bool ok = false;
    const int n = field->text().toInt(&ok);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(field->text()));
    return n;
}

void PluPage::PLUNumChange() {
    const bool filled = !m_pluNum->text().isEmpty();
    if (!filled) {
        ClearPluPage();
        return;
    }
    // A range transfer keeps them off until it ends.
    if (m_rangeRunning)
        return;
    for (QPushButton* button : {m_putPlu, m_readOne, m_writeOnEcr})
        button->setEnabled(true);
}

void PluPage::PLUNumKeyUp() {
    bool ok = false;
    const int n = m_pluNum->text().toInt(&ok);
    if (ok && PluTable::Contains(n))
        ShowTableRecord(n);
    else
        ClearPluPage();
}

void PluPage::UpDown1Click(int step) {
    if (m_pluNum->text().isEmpty())
        m_pluNum->setText(QStringLiteral("0"));
    bool ok = false;
    const int n = std::clamp(m_pluNum->text().toInt(&ok) + step, 0, PluCount - 1);
    if (!ok)
        return;
    m_pluNum->setText(QString::number(n));
    ShowTableRecord(n);
}

void PluPage::ShowTableRecord(int n) {
    if (!m_table || !PluTable::Contains(n))
        return;
    ShowRecord((*m_table)[n], (*m_table)[n].NetPrice);
    (*m_table)[n].ConstCheck = 0;
}

void PluPage::ShowReceivedRecord(const PluRecord& record) {
    const int n = int(record.Code);
    const double netPrice = m_table && PluTable::Contains(n) ? (*m_table)[n].NetPrice : 0.0;
    // The number may have been changed while the reply was awaited: the page
    // shows the record under its own number, so a later write cannot put it
    // into another PLU.
    if (PluTable::Contains(n) && m_pluNum->text() != QString::number(n))
        m_pluNum->setText(QString::number(n));
    ShowRecord(record, netPrice);
    m_pluNum->setFocus();
}

void PluPage::ShowRecord(const PluRecord& record, double netPrice) {
    const QChar separator = DecimalSeparator();
    m_description->setText(FromCodePage(record.DescriptionText(), Charset()));
    m_description2->setText(FromCodePage(record.Description2Text(), Charset()));
    m_price->setText(FormatAmount(record.Price, separator));
    m_cost->setText(FormatAmount(netPrice, separator));
    const auto count = [&](uint32_t value) {
        return (record.Flags & FlagDecimalQty)
                   ? QString::number(double(value) * 0.001, 'f', 3).replace(QLatin1Char('.'), separator)
                   : QString::number(value);
    };
    // The same coupling as a click: an inactive PLU shows no department, an
    // active one without a department shows as inactive.
    m_department->setCurrentText(QString::number(record.Department()));
    SelectActive((record.Flags & FlagActive) != 0);
    SelectStockProgrammed((record.Flags & FlagStockProgrammed) != 0);
    m_stock->setText(count(record.Stock));
    m_unitCombo->setCurrentIndex(record.Unit < UnitCount ? record.Unit : -1);
    // A 19-character barcode ends where the check byte lies; it shows as 0.
    m_barcode->setText(FromCodePage(record.BarcodeText(), Charset()));
    m_constCheck->setText(QStringLiteral("0"));
    m_varCheck->setText(QString::number(record.VarCheck));
    m_quantity->setText(count(record.Quantity));
    // As many digits as a double holds, never an exponent for a large total.
    m_total->setText(QString::number(record.Total, 'g', 15));
}

void PluPage::ClearPluPage() {
    for (QPushButton* button : {m_putPlu, m_readOne, m_writeOnEcr})
        button->setEnabled(false);
    m_department->setCurrentText(QString());
    for (QLineEdit* field : {m_price, m_description, m_description2, m_barcode, m_cost, m_stock, m_quantity,
                             m_total, m_constCheck, m_varCheck})
        field->clear();
    Deselect(m_active, m_inactive);
    Deselect(m_progStock, m_unProgStock);
}

// --- department and active state --------------------------------------------

void PluPage::DepartmentChange() {
    SelectActive(!m_department->currentText().isEmpty());
}

void PluPage::ActiveClick() {
    const QString text = m_department->currentText();
    if (text.isEmpty() || text.toInt() == 0)
        SelectActive(false);
}

void PluPage::InactiveClick() {
    m_department->setCurrentText(QString());
}

void PluPage::SelectActive(bool active) {
    if (active) {
        m_active->setChecked(true);
        ActiveClick();
    } else {
        m_inactive->setChecked(true);
        InactiveClick();
    }
}

// --- numbers -----------------------------------------------------------------

// Values above their limits are kept as typed and marked: cut down to the
// limit, a slip of one digit too many would be stored and written as the
// largest price or stock there is.
void PluPage::PriceKeyUp(QLineEdit* field) {
    bool ok = false;
    const double value = QLocale::system().toDouble(field->text(), &ok);
    if (ok && value > MaxPrice + 1e-9)
        LimitMark::Set(
            field, PluPageMessages::OverLimit.Text().arg(
                       (field == m_price ? PluPageMessages::PriceField : PluPageMessages::CostField).Text(),
                       field->text(), FormatAmount(MaxPrice, DecimalSeparator())));
    else
        LimitMark::Clear(field);
}

void PluPage::StockKeyUp() {
    bool ok = false;
    const double value = QLocale::system().toDouble(m_stock->text(), &ok);
    const bool pieces = m_unitCombo->currentIndex() <= 0;
    const double limit = pieces ? double(MaxStockDigits) : MaxDecimalStock;
    if (ok && value > limit + 1e-9)
        LimitMark::Set(m_stock, PluPageMessages::OverLimit.Text().arg(
                                    PluPageMessages::StockField.Text(), m_stock->text(),
                                    pieces ? QString::number(MaxStockDigits)
                                           : QString::number(MaxDecimalStock, 'f', 3)
                                                 .replace(QLatin1Char('.'), DecimalSeparator())));
    else
        LimitMark::Clear(m_stock);
}

void PluPage::RefuseMarkedFields(int scope) const {
    std::vector<const QLineEdit*> taken;
    if (scope == 1 || scope == 2)
        taken = {m_price, m_cost};
    if (scope == 0 || scope == 2)
        taken.push_back(m_stock);
    for (const QLineEdit* field : taken) {
        if (LimitMark::IsSet(field))
            throw ConversionError(LimitMark::Words(field));
    }
}

void PluPage::SetStockEditable() {
    const bool editable = m_progStock->isChecked();
    m_stock->setReadOnly(!editable);
    QPalette palette = m_stock->palette();
    palette.setColor(QPalette::Base, editable ? QColor(Qt::white) : QColor(Qt::lightGray));
    m_stock->setPalette(palette);
}

void PluPage::SelectStockProgrammed(bool programmed) {
    if (programmed)
        m_progStock->setChecked(true);
    else
        m_unProgStock->setChecked(true);
    SetStockEditable();
}

void PluPage::ProgStockClick() {
    SetStockEditable();
}

void PluPage::UnProgStockClick() {
    SetStockEditable();
    m_stock->clear();
}

uint32_t PluPage::TypedStock() const {
    const QString text = m_stock->text();
    if (text.isEmpty())
        return 0;
    if (m_unitCombo->currentIndex() <= 0) {
        // Pieces: the whole number at the start of the text.
        qsizetype digits = 0;
        while (digits < text.size() && text[digits].isDigit())
            ++digits;
        return uint32_t(std::min<qulonglong>(text.left(digits).toULongLong(), MaxStockDigits));
    }
    const double thousandths = std::round(TextToFloat(text, DecimalSeparator()) * 1000.0);
    return uint32_t(std::clamp(thousandths, 0.0, double(MaxStockDigits)));
}

// --- write scope -------------------------------------------------------------

void PluPage::WriteScopeClick(int scope) {
    const QColor lime(0, 255, 0);
    const QColor face = QApplication::palette().color(QPalette::Button);
    // The stock panel lies inside the constant fields' panel: it gets its own
    // colour either way, or it would turn green with its parent.
    Paint(m_stockPanel, scope == 0 || scope == 2 ? lime : face);
    if (scope == 1 || scope == 2)
        Paint(m_constsPanel, lime);
    m_colorTimer.start();
}

void PluPage::ColorTimerTimer() {
    const QColor face = QApplication::palette().color(QPalette::Button);
    Paint(m_stockPanel, face);
    Paint(m_constsPanel, face);
}

// --- storing -----------------------------------------------------------------

void PluPage::PutPLUClick() {
    Guarded([this] {
        if (const std::optional<int> n = PluNumber(); n && PluTable::Contains(*n))
            PutPageToTable(*n);
    });
}

void PluPage::PutPageToTable(int n) {
    if (!m_table || !PluTable::Contains(n))
        return;
    const int scope = WriteScope();
    // Before anything is stored: Write on ECR sends only what this stored.
    RefuseMarkedFields(scope);
    Shell().DatabaseChanged = true;
    PluRecord& entry = (*m_table)[n];
    if (scope == 1 || scope == 2) {
        const QString description = m_description->text();
        entry.SetDescription(description.isEmpty() ? DefaultDescription(n)
                                                   : ToCodePage(description, Charset()));
        entry.SetDescription2(ToCodePage(m_description2->text(), Charset()));
        const QChar separator = DecimalSeparator();
        entry.Price = m_price->text().isEmpty() ? 0.0 : TextToFloat(m_price->text(), separator);
        entry.NetPrice = m_cost->text().isEmpty() ? 0.0 : TextToFloat(m_cost->text(), separator);
        const QString department = m_department->currentText();
        const int unit = std::max(0, m_unitCombo->currentIndex());
        entry.Flags = PluFlags(m_active->isChecked(), m_progStock->isChecked(), unit,
                               department.isEmpty() ? std::nullopt : std::optional<int>(department.toInt()));
        entry.Unit = uint8_t(unit);

        QByteArray barcode;
        for (const char c : ToCodePage(m_barcode->text(), Charset())) {
            const uint8_t r = ToRegisterChar(uint8_t(c), Charset());
            if (r == 0)
                break;
            barcode += char(r);
        }
        const std::optional<int> owner = barcode.isEmpty() ? std::nullopt : BarcodeInUse(barcode, n);
        if (owner)
            MessageBoxes::Plain(this, QString::fromLatin1(BarcodeExists) + QString::number(*owner));
        else
            entry.SetBarcode(barcode);
    }
    if (scope == 0 || scope == 2)
        entry.Stock = TypedStock();
    emit GridRowChanged(n);
}

std::optional<int> PluPage::BarcodeInUse(const QByteArray& barcode, int n) {
    if (!m_uniquenessCheck)
        return std::nullopt;
    m_barcAnimate->show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    std::optional<int> owner;
    for (int i = 0; i < PluCount && !owner; ++i) {
        if (i != n && (*m_table)[i].BarcodeText() == barcode)
            owner = i;
    }
    m_barcAnimate->hide();
    return owner;
}

// --- transfers ---------------------------------------------------------------

void PluPage::ReadOneBtnClick() {
    Guarded([this] {
        if (m_transfer)
            m_transfer->ReadOne(PluNumber().value_or(0), ActiveOnly());
    });
}

void PluPage::WriteOnECRClick() {
    Guarded([this] {
        if (m_transfer)
            m_transfer->WriteOne(PluNumber(), WriteScope(), ActiveOnly());
    });
}

int PluPage::RangeNumber(const QLineEdit* field) const {
    // A minus sign passes the key filter; there is no PLU below 0.
    return std::clamp(FieldNumber(field), 0, PluCount - 1);
}

void PluPage::ReadAllClick() {
    Guarded([this] {
        if (!m_transfer)
            return;
        const int from = RangeNumber(m_fromNPlu);
        const int to = RangeNumber(m_toNPlu);
        m_transfer->ReadRange(from, to, ActiveOnly());
        // The page would otherwise still show the entry as it was before the
        // read, and a write on the PC would put the old values back.
        bool ok = false;
        const int n = m_pluNum->text().toInt(&ok);
        if (ok && n >= from && n <= to)
            ShowTableRecord(n);
    });
}

void PluPage::SerialProgStartClick() {
    Guarded([this] {
        if (!m_transfer || !m_table)
            return;
        const int from = RangeNumber(m_fromNPlu);
        const int to = RangeNumber(m_toNPlu);
        if (from > to)
            return;
        // One click replaces the register's programming of the whole range
        // (0-9999 unless changed): it is asked first, No by default.
        const int count = PluSettings::CountAffected(*m_table, from, to, ActiveOnly());
        const auto answer =
            MessageBoxes::Show(this, {Captions::Closing::PluProgramWarning.Text(),
                                      PluPageMessages::WriteAllQuestion.Text().arg(count).arg(from).arg(to),
                                      QMessageBox::Warning,
                                      QMessageBox::Yes | QMessageBox::No,
                                      QMessageBox::No,
                                      {{QMessageBox::Yes, PluPageMessages::Yes.Text()},
                                       {QMessageBox::No, PluPageMessages::No.Text()}}});
        if (answer == QMessageBox::Yes)
            m_transfer->WriteRange(from, to, WriteScope(), ActiveOnly());
    });
}

void PluPage::CancelReadClick() {
    if (m_transfer)
        m_transfer->Cancel();
}

void PluPage::SerialProgStopClick() {
    if (m_transfer)
        m_transfer->Cancel();
}

void PluPage::SetRangeRunning(bool running, TransferKind kind) {
    m_rangeRunning = running;
    for (QPushButton* button : {m_putPlu, m_writeOnEcr, m_readOne, m_readAll, m_serialProgStart, m_pluReport})
        button->setEnabled(!running);
    m_readAll->setVisible(!running || kind != TransferKind::ReadRange);
    m_cancelRead->setVisible(running && kind == TransferKind::ReadRange);
    m_serialProgStart->setVisible(!running || kind != TransferKind::WriteRange);
    m_serialProgStop->setVisible(running && kind == TransferKind::WriteRange);
}

void PluPage::ShowStatusPanel(bool visible) {
    if (!visible) {
        for (QLabel* label : {m_curStockId, m_pluRequest, m_readLblId, m_writeLblId, m_progress})
            label->clear();
    }
    m_statusPanel->setVisible(visible);
}

void PluPage::ShowRequest(const QString& indicator, int plu) {
    m_pluRequest->setText(indicator);
    m_readLblId->setText(QString::number(plu));
}

void PluPage::ShowReply(const QString& indicator, int plu) {
    m_curStockId->setText(indicator);
    m_writeLblId->setText(QString::number(plu));
}

void PluPage::ShowProgress(int done, int total, qint64 msLeft) {
    QString text = Captions::Transfer::Progress.Text().arg(done).arg(total);
    if (msLeft >= 0)
        text += QStringLiteral(", ") + Captions::Transfer::TimeLeft.Text().arg(MinutesSeconds(msLeft));
    m_progress->setText(text);
}

void PluPage::ShowMessage(const QString& text) {
    MessageBoxes::Plain(this, text);
}

void PluPage::ShowStopped(const QString& text) {
    m_progress->setText(text);
    m_statusPanel->setVisible(true);
}

QString PluPage::UnfinishedTransfer() const {
    if (!m_transfer || !m_transfer->IsRunning())
        return {};
    return Captions::Transfer::Unfinished.Text().arg(m_transfer->CurrentPlu()).arg(m_transfer->Transferred());
}

void PluPage::ShowNoResponse() {
    MessageBoxes::Show(this, {Captions::Link::Warning.Text(), Captions::Link::NoResponse.Text(),
                              QMessageBox::Critical, QMessageBox::Ok});
}

// --- barcodes, report, database window ----------------------------------------

void PluPage::BarcodeCommitClick() {
    if (m_dispatcher)
        m_dispatcher->RS232().SendFrame(EncodeBarcodeCommit());
}

void PluPage::BarcodeLabelClick() {
    m_barcodeEntry = !m_barcodeEntry;
    MessageBoxes::Plain(this, QString::fromLatin1(m_barcodeEntry ? BarcodeEntryOn : BarcodeEntryOff));
    QPalette palette = m_barcodeLabel->palette();
    palette.setColor(QPalette::WindowText, m_barcodeEntry ? QColor(Qt::blue) : QColor(Qt::black));
    m_barcodeLabel->setPalette(palette);
    if (m_dispatcher)
        m_dispatcher->RS232().SetBarcodeEntry(m_barcodeEntry);
}

void PluPage::OnBarcodeLine(const QByteArray& line) {
    if (m_barcodeEntry)
        m_barcode->setText(FromCodePage(line, Charset()));
}

void PluPage::PLUReportClick() {
    Guarded([this] {
        const int from = RangeNumber(m_fromNPlu);
        const int to = RangeNumber(m_toNPlu);
        const auto answer = MessageBoxes::Show(
            this, {QString::fromLatin1(PluReportTitle), QString::fromLatin1(PluReportQuestion),
                   QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No});
        // The register prints it on its own paper; nothing comes back to wait for.
        if (answer != QMessageBox::Yes || !m_dispatcher || !m_dispatcher->EnsurePortOpen())
            return;
        m_dispatcher->RS232().SendFrame(EncodePluReport(from, to));
    });
}

void PluPage::ShowDBClick() {
    if (!m_databaseWindow)
        return;
    if (auto* code = m_databaseWindow->findChild<QLineEdit*>(QStringLiteral("PLUCode")))
        code->setText(m_pluNum->text());
    m_databaseWindow->show();
    m_databaseWindow->raise();
    m_databaseWindow->activateWindow();
}
