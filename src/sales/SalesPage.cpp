#include "sales/SalesPage.h"

#include "barcodes/BarcodeTypeTable.h"
#include "barcodes/WeighingBarcode.h"
#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "database/PluSearch.h"
#include "database/PluTable.h"
#include "plu/PluTransfer.h"
#include "protocol/ConversionError.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "sales/SaleConfirmation.h"
#include "sales/SaleMessages.h"
#include "sales/StatusReplies.h"
#include "toolkit/CharacterFilter.h"
#include "toolkit/DecimalSeparator.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/LimitMark.h"
#include "toolkit/MessageBoxes.h"
#include "toolkit/TypedKeys.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QValidator>
#include <cmath>
#include <functional>

using FieldBuilders::Button;
using FieldBuilders::Edit;
using FieldBuilders::Label;

namespace {

// The number of a field for the value limits: comma or point, as typed.
std::optional<double> FieldNumber(const QString& text) {
    QString normal = text.trimmed();
    normal.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = normal.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

QString LocaleNumber(double v, int decimals) {
    QString text = QString::number(v, 'f', decimals);
    text.replace(QLatin1Char('.'), DecimalSeparator());
    return text;
}

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

SalesPage::SalesPage(QWidget* parent)
    : ModePage(QStringLiteral("SalesSheet"), QStringLiteral("SlsCloseBtn"), SaleMessages::PageTitle, parent) {
    m_sales = new QGroupBox(this);
    m_sales->setObjectName(QStringLiteral("Sales"));
    Body()->addWidget(m_sales, 1);
    BuildControls();
    ConnectControls();
}

void SalesPage::BuildControls() {
    auto* grid = new QGridLayout(m_sales);
    int row = 0;
    grid->addWidget(Label(m_sales, "PLUSalesCode", "PLU Code"), row, 0);
    auto* codeRow = new QHBoxLayout;
    m_pluCode = Edit(m_sales, "SPLUCode", 10);
    m_pluCode->setText(QStringLiteral("0"));
    auto* up = new QToolButton(m_sales);
    up->setObjectName(QStringLiteral("SPLUCodeUp"));
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton(m_sales);
    down->setObjectName(QStringLiteral("SPLUCodeDown"));
    down->setArrowType(Qt::DownArrow);
    codeRow->addWidget(m_pluCode);
    codeRow->addWidget(up);
    codeRow->addWidget(down);
    grid->addLayout(codeRow, row, 1);
    const auto step = [this](int by) {
        const int n = std::clamp(m_pluCode->text().toInt() + by, 0, MaxPluNumber);
        m_pluCode->setText(QString::number(n));
    };
    connect(up, &QToolButton::clicked, this, [step] { step(1); });
    connect(down, &QToolButton::clicked, this, [step] { step(-1); });

    grid->addWidget(Label(m_sales, "SaleDescLabel", "Description"), ++row, 0);
    m_description = Edit(m_sales, "SaleDescrEdit", DescriptionLength);
    grid->addWidget(m_description, row, 1);
    grid->addWidget(Label(m_sales, "SalesBrcdLabel", "Barcode"), ++row, 0);
    m_barcode = Edit(m_sales, "SalesBrcdLable", BarcodeLength);
    grid->addWidget(m_barcode, row, 1);
    grid->addWidget(Label(m_sales, "SalesWP", "Weight / Pieces"), ++row, 0);
    m_quantity = Edit(m_sales, "WgtPcs", 9);
    grid->addWidget(m_quantity, row, 1);

    auto* saleButtons = new QHBoxLayout;
    m_normalSale = Button(m_sales, "NormalSale", "Sale - F3");
    m_normalSale->setEnabled(false);
    saleButtons->addWidget(m_normalSale);
    for (const auto& [name, text] : {std::pair{"Correction", "Earlier Corr. -F4"},
                                     {"SubTotal", "Subtotal-F5"},
                                     {"SCancel", "Clear-Esc"}})
        saleButtons->addWidget(Button(m_sales, name, text));
    auto* immediate = Button(m_sales, "ImmCorrection", "Correction");
    immediate->setVisible(false);
    saleButtons->addWidget(immediate);
    grid->addLayout(saleButtons, ++row, 0, 1, 2);

    grid->addWidget(Label(m_sales, "SubLabel", "Subtotal"), ++row, 0);
    m_subtotal = Edit(m_sales, "SubtEdit", 11);
    m_subtotal->setReadOnly(true);
    grid->addWidget(m_subtotal, row, 1);
    grid->addWidget(Label(m_sales, "TotalCash", "Total/Cash"), ++row, 0);
    auto* payRow = new QHBoxLayout;
    m_payment = new QComboBox(m_sales);
    m_payment->setObjectName(QStringLiteral("SPayment"));
    m_payment->setEditable(true);
    m_payment->setInsertPolicy(QComboBox::NoInsert);
    m_payment->addItems({"5", "10", "20", "50", "100", "200", "500", "1000", "5000", "10000"});
    m_payment->setCurrentIndex(-1);
    m_payment->lineEdit()->clear();
    payRow->addWidget(m_payment, 1);
    auto* clearPay = Button(m_sales, "SlsClear", "C");
    clearPay->setMaximumWidth(30);
    payRow->addWidget(clearPay);
    grid->addLayout(payRow, row, 1);
    auto* payButtons = new QHBoxLayout;
    for (const auto& [name, text] : {std::pair{"Check", "Cheque"}, {"Card", "Card"}, {"Cash", "Cash - F6"}})
        payButtons->addWidget(Button(m_sales, name, text));
    grid->addLayout(payButtons, ++row, 0, 1, 2);

    const auto adjustGroup = [this](const char* name, const char* title, const char* field, QLineEdit*& edit,
                                    QPushButton*& in, QPushButton*& dec, const char* inName,
                                    const char* decName) {
        auto* box = new QGroupBox(QString::fromUtf8(title), m_sales);
        box->setObjectName(QString::fromLatin1(name));
        auto* layout = new QHBoxLayout(box);
        edit = Edit(box, field, 10);
        in = Button(box, inName, "Increment");
        dec = Button(box, decName, "Decrement");
        in->setEnabled(false);
        dec->setEnabled(false);
        layout->addWidget(edit);
        layout->addWidget(in);
        layout->addWidget(dec);
        // Present for the commands, not offered to the user.
        box->setVisible(false);
        box->setEnabled(false);
        return box;
    };
    auto* adjustRow = new QHBoxLayout;
    adjustRow->addWidget(
        adjustGroup("SalesAmount", "By Amount", "AmInDecPrice", m_amount, m_amIn, m_amDec, "AmIn", "AmDec"));
    adjustRow->addWidget(adjustGroup("SalesPerc", "By Percentage", "PerInDecPrice", m_percent, m_perIn,
                                     m_perDec, "PerIn", "PerDec"));
    grid->addLayout(adjustRow, ++row, 0, 1, 2);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(Button(m_sales, "ErrorSt", "Error Status"));
    statusRow->addWidget(Button(m_sales, "ReceiptSt", "Receipt Status"));
    m_receiptStatus = Label(m_sales, "RcptStatLabel", "");
    m_receiptStatus->setFrameShape(QFrame::Panel);
    m_receiptStatus->setFrameShadow(QFrame::Sunken);
    m_receiptStatus->setMinimumWidth(140);
    statusRow->addWidget(m_receiptStatus, 1);
    grid->addLayout(statusRow, ++row, 0, 1, 2);
    m_errorBox = new QPlainTextEdit(m_sales);
    m_errorBox->setObjectName(QStringLiteral("ErrorStatLabel"));
    m_errorBox->setReadOnly(true);
    m_errorBox->setMaximumHeight(60);
    grid->addWidget(m_errorBox, ++row, 0, 1, 2);

    auto* extraRow = new QHBoxLayout;
    extraRow->addWidget(Button(m_sales, "ThanksBtn", "Thanks Message..."));
    extraRow->addWidget(Button(m_sales, "NewPLUPrBtn", "New PLU Price..."));
    grid->addLayout(extraRow, ++row, 0, 1, 2);

    m_newPriceBox = new QGroupBox(QStringLiteral("New PLU Price"), m_sales);
    m_newPriceBox->setObjectName(QStringLiteral("NewPrGroupBox"));
    auto* priceLayout = new QGridLayout(m_newPriceBox);
    priceLayout->addWidget(Label(m_newPriceBox, "PLUCodeSls", "PLU Code"), 0, 0);
    // As long as the main PLU field: a number out of range is kept as typed and refused in words.
    m_pricePlu = Edit(m_newPriceBox, "PLUCodePrice", 10);
    priceLayout->addWidget(m_pricePlu, 0, 1);
    priceLayout->addWidget(Label(m_newPriceBox, "PriceSls", "Price"), 1, 0);
    m_price = Edit(m_newPriceBox, "PriceCh", 10);
    priceLayout->addWidget(m_price, 1, 1);
    m_writePrice = Button(m_newPriceBox, "WritePr", "Write");
    priceLayout->addWidget(m_writePrice, 2, 1);
    auto* closePrice = Button(m_newPriceBox, "NewPrClose", "X");
    closePrice->setMaximumWidth(30);
    priceLayout->addWidget(closePrice, 0, 2);
    m_newPriceBox->setVisible(false);
    grid->addWidget(m_newPriceBox, ++row, 0, 1, 2);
    grid->setRowStretch(++row, 1);

    m_priceTimer = new QTimer(this);
    m_priceTimer->setObjectName(QStringLiteral("ProgPriceTimer"));
    m_priceTimer->setInterval(2000);
    connect(m_priceTimer, &QTimer::timeout, this,
            [this] { m_writePrice->setText(SaleMessages::Write.Text()); });
    connect(closePrice, &QPushButton::clicked, m_newPriceBox, &QWidget::hide);
    connect(findChild<QPushButton*>(QStringLiteral("NewPLUPrBtn")), &QPushButton::clicked, this, [this] {
        m_newPriceBox->show();
        m_pricePlu->setFocus();
    });
}

void SalesPage::ConnectControls() {
    const auto button = [this](const char* name) {
        return findChild<QPushButton*>(QString::fromLatin1(name));
    };
    const std::pair<const char*, void (SalesPage::*)()> clicks[] = {
        {"NormalSale", &SalesPage::NormalSaleClick},
        {"Correction", &SalesPage::CorrectionClick},
        {"SubTotal", &SalesPage::SubTotalClick},
        {"SCancel", &SalesPage::SCancelClick},
        {"Cash", &SalesPage::CashClick},
        {"Card", &SalesPage::CardClick},
        {"Check", &SalesPage::CheckClick},
        {"ImmCorrection", &SalesPage::ImmCorrectionClick},
        {"ErrorSt", &SalesPage::ErrorStClick},
        {"ReceiptSt", &SalesPage::ReceiptStClick},
        {"WritePr", &SalesPage::WritePrClick}};
    for (const auto& [name, handler] : clicks)
        connect(button(name), &QPushButton::clicked, this, handler);
    connect(button("SlsClear"), &QPushButton::clicked, this, [this] { m_payment->setEditText(QString()); });
    connect(button("ThanksBtn"), &QPushButton::clicked, this, &SalesPage::ThanksRequested);
    const auto adjust = [this](bool percent, bool increment) {
        SendBuilt([&] {
            return percent ? PercentChangeCommand(increment, m_percent->text(), DecimalSeparator())
                           : AmountChangeCommand(increment, m_amount->text(), DecimalSeparator());
        });
    };
    connect(m_amIn, &QPushButton::clicked, this, [adjust] { adjust(false, true); });
    connect(m_amDec, &QPushButton::clicked, this, [adjust] { adjust(false, false); });
    connect(m_perIn, &QPushButton::clicked, this, [adjust] { adjust(true, true); });
    connect(m_perDec, &QPushButton::clicked, this, [adjust] { adjust(true, false); });
    connect(m_amount, &QLineEdit::textChanged, this, &SalesPage::AmountChanged);
    connect(m_percent, &QLineEdit::textChanged, this, &SalesPage::PercentChanged);
    connect(m_pluCode, &QLineEdit::textChanged, this, &SalesPage::PluCodeChanged);
    for (QLineEdit* field : {m_pluCode, m_pricePlu, m_quantity, m_payment->lineEdit(), m_price})
        connect(field, &QLineEdit::textChanged, this, [this, field] { CheckLimit(field); });

    const auto decimal = [](QChar c) { return DecimalKeyRejected(c, DecimalSeparator()); };
    const auto code = [](QChar c) { return CodeKeyRejected(c); };
    const auto registerText = [this](QChar c) {
        return c != QLatin1Char(' ') &&
               RegisterTextKeyRejected(c, Shell().RegisterCharset, m_description->font().family());
    };
    const std::pair<QLineEdit*, std::function<bool(QChar)>> filters[] = {
        {m_pluCode, code},
        {m_pricePlu, code},
        {m_quantity, decimal},
        {m_payment->lineEdit(), decimal},
        {m_price, decimal},
        {m_amount, decimal},
        {m_percent, [](QChar c) { return NumberKeyRejected(c); }},
        {m_description, registerText},
        {m_barcode, [](QChar c) { return TextKeyRejected(c); }}};
    for (const auto& [field, rejected] : filters) {
        // Pasted text goes through the same character test as typed keys;
        // typed keys are filtered before they get here, so only pastes are
        // refused.
        CharacterFilter::Install(field, rejected, CharacterFilter::Baseline::None);
        field->installEventFilter(this);
    }
    m_errorBox->installEventFilter(this);
}

void SalesPage::Attach(const PluTable& table, ReplyDispatcher& dispatcher, const BarcodeRules& barcodes,
                       PluTransfer& transfer, StatusReplies& statusReplies) {
    m_table = &table;
    m_dispatcher = &dispatcher;
    m_barcodes = &barcodes;
    m_transfer = &transfer;
    m_confirmation = new SaleConfirmation(dispatcher.RS232(), this);
    connect(m_confirmation, &SaleConfirmation::Unconfirmed, this, &SalesPage::StepUnconfirmed);
    connect(&statusReplies, &StatusReplies::ErrorStatusReceived, this,
            [this](quint8, const QString& line) { m_errorBox->setPlainText(line); });
    connect(&statusReplies, &StatusReplies::ReceiptStatusReceived, m_receiptStatus, &QLabel::setText);
    m_statusReplies = &statusReplies;
    connect(&dispatcher, &ReplyDispatcher::ConnectionChanged, this, [this](bool open) {
        if (!open) {
            m_receiptAsked = false;
            m_receiptStatus->clear();
        }
    });
}

void SalesPage::PageHide() {
    m_shown = false;
}

void SalesPage::PageShow() {
    m_shown = true;
    m_pluCode->setFocus();
    if (!m_receiptAsked)
        AskReceiptStatus();
}

void SalesPage::ShowError(const QString& text) {
    MessageBoxes::Plain(this, text);
}

void SalesPage::Send(const SaleFrame& frame) {
    if (!m_dispatcher || !m_dispatcher->EnsurePortOpen())
        return;
    m_dispatcher->RS232().SendFrame(frame);
    if (frame.empty())
        return;
    if (frame[0] != ReceiptStatusCode && frame[0] != ErrorStatusRequestCode)
        m_saleCommandsSent = true;
    if (m_confirmation)
        m_confirmation->Sent(frame[0], StepName(frame));
}

void SalesPage::ConnectedByUser() {
    if (m_shown)
        AskReceiptStatus();
}

void SalesPage::AskReceiptStatus() {
    if (!m_dispatcher || !m_dispatcher->IsOpen())
        return;
    m_receiptAsked = true;
    m_dispatcher->RS232().SendFrame(EncodeSingle(ReceiptStatusCode));
}

QString SalesPage::OpenReceiptWarning() {
    if (!m_saleCommandsSent || !m_dispatcher || !m_statusReplies || !m_dispatcher->IsOpen() ||
        m_dispatcher->IsWaiting())
        return {};
    std::optional<quint8> state;
    const auto answered = connect(m_statusReplies, &StatusReplies::ReceiptStateReceived, this, [&](quint8 s) {
        state = s;
        m_dispatcher->CompleteWait();
    });
    m_dispatcher->RS232().SendFrame(EncodeSingle(ReceiptStatusCode));
    (void)m_dispatcher->WaitReply(ReceiptStatusCode, ReceiptQueryMs);
    disconnect(answered);
    if (!state)
        return SaleMessages::ReceiptUnknownAtClose.Text();
    if (*state == 'I' || *state == 'P')
        return SaleMessages::ReceiptOpenAtClose.Text().arg(m_receiptStatus->text());
    return {};
}

QString SalesPage::StepName(const SaleFrame& frame) const {
    const char* button = nullptr;
    switch (frame[0]) {
    case PluSaleCode:
        button = frame.size() > 7 && frame[7] == SaleKindCorrection ? "Correction" : "NormalSale";
        break;
    case PaymentCode:
        button = frame.size() > 1 && frame[1] == PayCard ? "Card" : frame[1] == PayCheque ? "Check" : "Cash";
        break;
    case SubtotalCode:
        button = "SubTotal";
        break;
    case ImmediateCorrectionCode:
        button = "ImmCorrection";
        break;
    case ReceiptStatusCode:
        button = "ReceiptSt";
        break;
    case ErrorStatusRequestCode:
        button = "ErrorSt";
        break;
    case AmountIncrementCode:
        button = "AmIn";
        break;
    case AmountDecrementCode:
        button = "AmDec";
        break;
    case PercentIncrementCode:
        button = "PerIn";
        break;
    case PercentDecrementCode:
        button = "PerDec";
        break;
    default:
        return {};
    }
    const auto* control = findChild<QPushButton*>(QString::fromLatin1(button));
    QString name = control ? control->text().remove(QLatin1Char('&')) : QString();
    if (frame[0] == PluSaleCode && frame.size() > 2)
        name += QStringLiteral(", PLU %1").arg(frame[1] | (frame[2] << 8));
    return name;
}

void SalesPage::StepUnconfirmed(quint8 command, const QString& what) {
    const bool status = command == ReceiptStatusCode || command == ErrorStatusRequestCode;
    const Caption& words = status ? SaleMessages::StatusUnanswered : SaleMessages::StepUnconfirmed;
    emit HintRequested(words.Text().arg(what, QString::number(m_confirmation->Timeout() / 1000.0, 'g', 3)));
}

template <typename Build> bool SalesPage::SendBuilt(Build build) {
    SaleFrame frame;
    try {
        frame = build();
    } catch (const ConversionError& e) {
        ShowError(e.Message());
        return false;
    }
    Send(frame);
    return true;
}

void SalesPage::EmptySaleFields() {
    for (QLineEdit* field : {m_pluCode, m_description, m_quantity, m_barcode})
        field->clear();
}

void SalesPage::PluCodeChanged(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (text.isEmpty() || !ok || n < 0 || n >= PluTable::Size || !m_table) {
        m_description->clear();
        m_barcode->clear();
        m_normalSale->setEnabled(!text.isEmpty() && ok && !m_table && n >= 0 && n < PluTable::Size);
        return;
    }
    const PluRecord& entry = (*m_table)[n];
    m_description->setText(FromCodePage(entry.DescriptionText(), Shell().RegisterCharset));
    m_barcode->setText(QString::fromLatin1(entry.BarcodeText()));
    m_normalSale->setEnabled(true);
}

void SalesPage::NormalSaleClick() {
    if (m_pluCode->text().isEmpty())
        return;
    if (SendBuilt([this] {
            return PluSaleCommand(m_pluCode->text(), m_quantity->text(), SaleKindNormal, DecimalSeparator());
        }))
        EmptySaleFields();
}

void SalesPage::CorrectionClick() {
    if (m_pluCode->text().isEmpty())
        return;
    SendBuilt([this] {
        return PluSaleCommand(m_pluCode->text(), m_quantity->text(), SaleKindCorrection, DecimalSeparator());
    });
}

void SalesPage::SubTotalClick() {
    Send(EncodeSingle(SubtotalCode));
}

void SalesPage::CashClick() {
    SendBuilt([this] { return PaymentCommand(PayCash, m_payment->currentText(), DecimalSeparator()); });
}

void SalesPage::CardClick() {
    SendBuilt([this] { return PaymentCommand(PayCard, m_payment->currentText(), DecimalSeparator()); });
}

void SalesPage::CheckClick() {
    SendBuilt([this] { return PaymentCommand(PayCheque, m_payment->currentText(), DecimalSeparator()); });
}

void SalesPage::SCancelClick() {
    Send(EncodeSingle(ClearCode));
}

void SalesPage::ImmCorrectionClick() {
    Send(EncodeSingle(ImmediateCorrectionCode));
}

void SalesPage::ErrorStClick() {
    Send(EncodeSingle(ErrorStatusRequestCode));
}

void SalesPage::ReceiptStClick() {
    Send(EncodeSingle(ReceiptStatusCode));
}

void SalesPage::WritePrClick() {
    if (!m_transfer)
        return;
    if (m_pricePlu->text().trimmed().isEmpty()) {
        ShowError(SaleMessages::NoPricePlu.Text());
        m_pricePlu->setFocus();
        return;
    }
    SaleFrame frame;
    int plu = 0;
    try {
        plu = *ReadPluNumber(m_pricePlu->text());
        frame = EncodeNewPrice(
            plu, ReadSaleNumber(m_price->text(), MaxPrice, SaleMessages::Price.Text(), DecimalSeparator()));
    } catch (const ConversionError& e) {
        ShowError(e.Message());
        return;
    }
    const uint32_t price = NewPriceHundredths(frame);
    // An empty field would write four zero bytes, and the register then
    // refuses to sell the PLU at all.
    if (price == 0) {
        ShowError(SaleMessages::NoPrice.Text().arg(plu));
        m_price->setFocus();
        return;
    }
    switch (m_transfer->ChangePrice(plu, frame, price)) {
    case PluTransfer::PriceChangeResult::Written:
        m_writePrice->setText(SaleMessages::PriceOk.Text());
        m_priceTimer->start();
        break;
    case PluTransfer::PriceChangeResult::NoResponse:
        MessageBoxes::Show(this, {Captions::Link::Warning.Text(), Captions::Link::NoResponse.Text(),
                                  QMessageBox::Critical, QMessageBox::Ok});
        break;
    case PluTransfer::PriceChangeResult::WrongPrice:
        ShowError(SaleMessages::PriceWrong.Text().arg(plu).arg(
            LocaleNumber(m_transfer->ReplyPrice() / 100.0, 2), LocaleNumber(price / 100.0, 2)));
        break;
    case PluTransfer::PriceChangeResult::NotStarted:
        // A port that cannot be opened has said so already.
        if (m_dispatcher && m_dispatcher->IsOpen())
            ShowError(SaleMessages::Busy.Text());
        break;
    case PluTransfer::PriceChangeResult::Cancelled:
        break;
    }
}

void SalesPage::SelectPlu(int plu) {
    m_pluCode->setText(QString::number(plu));
}

void SalesPage::DescriptionSearch() {
    const QString typed = m_description->text();
    if (typed.isEmpty() || !m_table)
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const std::optional<int> found =
        PluSearch::First(*m_table, PluSearch::Field::Description, ToCodePage(typed, Shell().RegisterCharset));
    QApplication::restoreOverrideCursor();
    if (found) {
        SelectPlu(*found);
        return;
    }
    NothingFound(m_description, SaleMessages::NoDescription.Text().arg(typed));
}

void SalesPage::NothingFound(QLineEdit* searched, const QString& words) {
    // No PLU is chosen, so nothing can be sold by mistake; what was typed
    // stays for the user to mend.
    const QString typed = searched->text();
    m_pluCode->clear();
    searched->setText(typed);
    m_normalSale->setEnabled(false);
    ShowError(words);
    searched->setFocus();
}

void SalesPage::BarcodeEntry() {
    const QString typed = m_barcode->text();
    if (typed.isEmpty() || !m_table || !m_barcodes)
        return;
    const QByteArray bytes = typed.toLatin1();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const std::optional<WeighingMatch> weighed =
        DecodeWeighingBarcode(bytes, m_barcodes->Applied(), *m_table);
    std::optional<int> found;
    if (weighed)
        found = weighed->Plu;
    else
        found = PluSearch::First(*m_table, PluSearch::Field::Barcode, bytes);
    QApplication::restoreOverrideCursor();
    if (!found) {
        NothingFound(m_barcode, SaleMessages::NoBarcode.Text().arg(typed));
        return;
    }
    SelectPlu(*found);
    if (weighed)
        m_quantity->setText(LocaleNumber(weighed->WeightKg, 3));
    // Settings > Fiscal Printer: "Sale after barcode sanning" sells at once,
    // "User sale" leaves the sale to the user.
    if (Shell().SaleAfterScan)
        NormalSaleClick();
}

void SalesPage::SubtotalRecorded(const QString& amountText) {
    m_subtotal->setText(amountText);
}

void SalesPage::ReceiptClosed() {
    m_subtotal->clear();
    m_payment->setEditText(QString());
    m_pluCode->setFocus();
}

void SalesPage::AmountChanged() {
    const QString text = m_amount->text();
    const std::optional<double> v = FieldNumber(text);
    if (!text.isEmpty() && v && *v > MaxAmount) {
        m_amount->clear();
        m_amount->setFocus();
        return;
    }
    m_amIn->setEnabled(!text.isEmpty());
    m_amDec->setEnabled(!text.isEmpty());
}

void SalesPage::PercentChanged() {
    const QString text = m_percent->text();
    const std::optional<double> v = FieldNumber(text);
    if (!text.isEmpty() && v && *v > MaxPercent) {
        m_percent->clear();
        m_percent->setFocus();
        return;
    }
    m_perIn->setEnabled(!text.isEmpty());
    m_perDec->setEnabled(!text.isEmpty());
}

void SalesPage::CheckLimit(QLineEdit* field) {
    struct Limit {
        QLineEdit* Field;
        Caption Name;
        double Max;
        int Decimals;
    };
    const Limit limits[] = {{m_pluCode, SaleMessages::PluCode, MaxPluNumber, 0},
                            {m_pricePlu, SaleMessages::PluCode, MaxPluNumber, 0},
                            {m_quantity, SaleMessages::Quantity, MaxQuantity, 3},
                            {m_payment->lineEdit(), SaleMessages::Payment, MaxPayment, 2},
                            {m_price, SaleMessages::Price, MaxPrice, 2}};
    for (const Limit& limit : limits) {
        if (limit.Field != field)
            continue;
        // Kept as typed: cut to the limit, a slip of one digit too many
        // would be sold as the largest quantity or price there is.
        const std::optional<double> v = FieldNumber(field->text());
        if (v && *v > limit.Max + 1e-9)
            LimitMark::Set(field,
                           SaleMessages::OverLimit.Text().arg(limit.Name.Text(), field->text(),
                                                              LocaleNumber(limit.Max, limit.Decimals)));
        else
            LimitMark::Clear(field);
        return;
    }
}

bool SalesPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (plain && key->key() == Qt::Key_Escape && watched != m_amount && watched != m_percent) {
            SCancelClick();
            return true;
        }
        if (plain && IsEnter(key) && watched == m_pluCode) {
            if (!m_pluCode->text().isEmpty()) {
                NormalSaleClick();
                m_pluCode->setFocus();
            }
            return true;
        }
        if (plain && IsEnter(key) && watched == m_barcode) {
            BarcodeEntry();
            return true;
        }
        if (plain && key->key() == Qt::Key_Insert && watched == m_description) {
            DescriptionSearch();
            return true;
        }
        if (watched == m_barcode && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
                                     key->key() == Qt::Key_Left || key->key() == Qt::Key_Right))
            return true;
        QString text = TypedText(key);
        if (text.isEmpty() || watched == m_errorBox)
            return ModePage::eventFilter(watched, event);
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (!edit || !edit->validator())
            return ModePage::eventFilter(watched, event);
        if (watched == m_description)
            text = text.toUpper();
        int pos = 0;
        QString probe = text;
        if (edit->validator()->validate(probe, pos) == QValidator::Invalid)
            return true;
        if (watched == m_description && text != key->text()) {
            m_description->insert(text);
            return true;
        }
    }
    return ModePage::eventFilter(watched, event);
}
