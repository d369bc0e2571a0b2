#pragma once

#include "monitor/SalesJournalHooks.h"
#include "sales/SaleCommands.h"
#include "toolkit/ModePage.h"

#include <QTimer>

class BarcodeRules;
class PluTable;
class PluTransfer;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ReplyDispatcher;
class SaleConfirmation;
class StatusReplies;

// The fiscal printer page: a receipt run from the PC, PLU by PLU, by number,
// description or scanned barcode; its subtotal, payment and status; and the
// new price of one PLU. Its group Sales holds the whole page, so that the
// register software version can switch the page off at once.
class SalesPage : public ModePage, public SalesJournalHooks {
    Q_OBJECT
  public:
    explicit SalesPage(QWidget* parent = nullptr);

    // The PC table, the link, the weighing rules, the transfer sequencer that
    // runs the new-price exchange and the status replies; they exist only
    // after the page.
    void Attach(const PluTable& table, ReplyDispatcher& dispatcher, const BarcodeRules& barcodes,
                PluTransfer& transfer, StatusReplies& statusReplies);

    [[nodiscard]] QWidget* SalesGroup() const { return m_sales; }
    // Follows every step sent until the register answers it.
    [[nodiscard]] SaleConfirmation* Confirmation() const { return m_confirmation; }

    // The page's commands; F3 to F6 reach the first four.
    void NormalSaleClick();
    void CorrectionClick();
    void SubTotalClick();
    void CashClick();
    void CardClick();
    void CheckClick();
    void SCancelClick();
    void ImmCorrectionClick();
    void ErrorStClick();
    void ReceiptStClick();
    void WritePrClick();
    // A description or barcode search found no PLU: says so, keeps what was typed.
    void NothingFound(QLineEdit* searched, const QString& words);
    void DescriptionSearch();
    void BarcodeEntry();

    // Whether a command that opens, changes or closes a receipt left this run.
    [[nodiscard]] bool SaleCommandsSent() const { return m_saleCommandsSent; }
    // The receipt status panel shows where the register stands, a receipt
    // left open by an earlier run included: asked once a connection, when the
    // user connects with the page up or shows the page on an open line.
    void ConnectedByUser();
    void AskReceiptStatus();
    // At close, after sale commands: asks the register whether a receipt is
    // open (waiting up to ReceiptQueryMs) and returns the warning to show,
    // empty when the register is outside a receipt or nothing was sold.
    [[nodiscard]] QString OpenReceiptWarning();
    static constexpr int ReceiptQueryMs = 3000;

    // SalesJournalHooks
    void SubtotalRecorded(const QString& amountText) override;
    void ReceiptClosed() override;

    void PageShow() override;
    void PageHide() override;

  signals:
    void ThanksRequested();
    // Words for the main window's hint panel.
    void HintRequested(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void ConnectControls();
    void PluCodeChanged(const QString& text);
    void EmptySaleFields();
    // Builds the frame (its checks may refuse it with a message) and sends it,
    // opening the port first when it is closed.
    template <typename Build> bool SendBuilt(Build build);
    void Send(const SaleFrame& frame);
    // The step as the user knows it: its button's caption (and the PLU).
    [[nodiscard]] QString StepName(const SaleFrame& frame) const;
    void StepUnconfirmed(quint8 command, const QString& what);
    // A value above its field's limit marks the field; it is refused when sent.
    void CheckLimit(QLineEdit* field);
    void AmountChanged();
    void PercentChanged();
    void ShowError(const QString& text);
    void SelectPlu(int plu);

    QWidget* m_sales;
    QLineEdit* m_pluCode = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_barcode = nullptr;
    QLineEdit* m_quantity = nullptr;
    QPushButton* m_normalSale = nullptr;
    QLineEdit* m_subtotal = nullptr;
    QComboBox* m_payment = nullptr;
    QPlainTextEdit* m_errorBox = nullptr;
    QLabel* m_receiptStatus = nullptr;
    QLineEdit* m_amount = nullptr;
    QPushButton* m_amIn = nullptr;
    QPushButton* m_amDec = nullptr;
    QLineEdit* m_percent = nullptr;
    QPushButton* m_perIn = nullptr;
    QPushButton* m_perDec = nullptr;
    QGroupBox* m_newPriceBox = nullptr;
    QLineEdit* m_pricePlu = nullptr;
    QLineEdit* m_price = nullptr;
    QPushButton* m_writePrice = nullptr;
    QTimer* m_priceTimer = nullptr;

    const PluTable* m_table = nullptr;
    ReplyDispatcher* m_dispatcher = nullptr;
    const BarcodeRules* m_barcodes = nullptr;
    PluTransfer* m_transfer = nullptr;
    SaleConfirmation* m_confirmation = nullptr;
    StatusReplies* m_statusReplies = nullptr;
    bool m_saleCommandsSent = false;
    bool m_receiptAsked = false;
    bool m_shown = false;
};
