#pragma once

#include "plu/PluTransfer.h"
#include "toolkit/ModePage.h"

#include <QTimer>
#include <memory>
#include <optional>

class BarcodeRules;
class PluTable;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class ReplyDispatcher;

// The PLU programming page: one PLU of the PC table at a time, edited and
// written to the table and the register, and the range transfers with the
// register. It shows a table entry; nothing is stored until a write runs.
class PluPage : public ModePage, public PluTransferView {
    Q_OBJECT
  public:
    explicit PluPage(QWidget* parent = nullptr);
    ~PluPage() override;

    // The PC table, the link to the register, the weighing-barcode rules, the
    // transfer the page shows and the database window, which exist only after the page.
    void Attach(PluTable& table, ReplyDispatcher& dispatcher, const BarcodeRules& barcodes,
                PluTransfer& transfer, QWidget* databaseWindow);

    [[nodiscard]] QLineEdit* PLUNum() const { return m_pluNum; }
    [[nodiscard]] QComboBox* Flags2Combo() const { return m_unitCombo; }
    // The unit names of a language, none selected.
    void FillUnitList(int lang);
    // Constant fields only, with the other two write scopes offered or not
    // (the register software version decides).
    void SetConstantFieldsOnly(bool othersOffered);
    void SetOtherScopesOffered(bool offered);
    // Settings > Barcode > Uniqueness check.
    void SetUniquenessCheck(bool on) { m_uniquenessCheck = on; }
    [[nodiscard]] bool UniquenessCheck() const { return m_uniquenessCheck; }
    [[nodiscard]] bool BarcodeEntryMode() const { return m_barcodeEntry; }

    void ShowTableRecord(int n);
    void ClearPluPage();

    // The page's commands, also reached by F7, F8 and F9.
    void PutPLUClick();
    void WriteOnECRClick();
    void ReadOneBtnClick();
    void ReadAllClick();
    void SerialProgStartClick();
    void CancelReadClick();
    void SerialProgStopClick();
    void BarcodeCommitClick();
    void BarcodeLabelClick();
    void PLUReportClick();
    void ShowDBClick();

    // 0 stock only, 1 constant fields only, 2 both.
    [[nodiscard]] int WriteScope() const;
    // Only the PLUs active in the table take part in a range transfer.
    [[nodiscard]] bool ActiveOnly() const;

    // PluTransferView
    void PutPageToTable(int n) override;
    void ShowReceivedRecord(const PluRecord& record) override;
    void ShowStatusPanel(bool visible) override;
    void ShowRequest(const QString& indicator, int plu) override;
    void ShowReply(const QString& indicator, int plu) override;
    void ShowProgress(int done, int total, qint64 msLeft) override;
    void SetRangeRunning(bool running, TransferKind kind) override;
    void ShowMessage(const QString& text) override;
    void ShowNoResponse() override;
    void ShowStopped(const QString& text) override;
    // Said by the close query while a transfer runs; empty otherwise.
    [[nodiscard]] QString UnfinishedTransfer() const;

  signals:
    // The page wrote its fields into entry n of the table.
    void GridRowChanged(int n);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* BuildRecordPanel();
    QWidget* BuildTransferPanel();
    QWidget* BuildStatusPanel();
    void ConnectControls();
    void ShowRecord(const PluRecord& record, double netPrice);
    [[nodiscard]] bool KeyRejected(QObject* field, QChar c) const;
    void KeyUp(QObject* field);
    void FocusLeft(QObject* field);

    void PLUNumChange();
    void PLUNumKeyUp();
    void UpDown1Click(int step);
    void DepartmentChange();
    void ActiveClick();
    void InactiveClick();
    void PriceKeyUp(QLineEdit* field);
    void StockKeyUp();
    // Throws the words of the first field of the scope marked as above its limit.
    void RefuseMarkedFields(int scope) const;
    void SetStockEditable();
    void ProgStockClick();
    void UnProgStockClick();
    void WriteScopeClick(int scope);
    void ColorTimerTimer();
    void SelectActive(bool active);
    void SelectStockProgrammed(bool programmed);
    [[nodiscard]] std::optional<int> BarcodeInUse(const QByteArray& barcode, int n);
    void OnBarcodeLine(const QByteArray& line);
    // Runs a handler; a conversion error ends it with the error display.
    template <typename F> void Guarded(F&& handler);

    [[nodiscard]] std::optional<int> PluNumber() const;
    [[nodiscard]] int FieldNumber(const QLineEdit* field) const;
    // A range field's number, within the PLU numbers.
    [[nodiscard]] int RangeNumber(const QLineEdit* field) const;
    [[nodiscard]] uint32_t TypedStock() const;
    [[nodiscard]] int Charset() const;

    PluTable* m_table = nullptr;
    ReplyDispatcher* m_dispatcher = nullptr;
    const BarcodeRules* m_barcodes = nullptr;
    QWidget* m_databaseWindow = nullptr;
    PluTransfer* m_transfer = nullptr;

    QFrame* m_constsPanel = nullptr;
    QLineEdit* m_pluNum = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    QComboBox* m_department = nullptr;
    QRadioButton* m_active = nullptr;
    QRadioButton* m_inactive = nullptr;
    QLineEdit* m_price = nullptr;
    QLineEdit* m_cost = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_description2 = nullptr;
    QLineEdit* m_barcode = nullptr;
    QLabel* m_barcodeLabel = nullptr;
    QComboBox* m_unitCombo = nullptr;
    QFrame* m_stockPanel = nullptr;
    QRadioButton* m_progStock = nullptr;
    QRadioButton* m_unProgStock = nullptr;
    QLineEdit* m_stock = nullptr;
    QLineEdit* m_quantity = nullptr;
    QLineEdit* m_total = nullptr;
    QLineEdit* m_constCheck = nullptr;
    QLineEdit* m_varCheck = nullptr;
    QRadioButton* m_stockOnly = nullptr;
    QRadioButton* m_constantFields = nullptr;
    QRadioButton* m_allPluData = nullptr;
    QRadioButton* m_wrAll = nullptr;
    QRadioButton* m_wrActive = nullptr;
    QLineEdit* m_fromNPlu = nullptr;
    QLineEdit* m_toNPlu = nullptr;
    QPushButton* m_barcodeCommit = nullptr;
    QPushButton* m_putPlu = nullptr;
    QPushButton* m_writeOnEcr = nullptr;
    QPushButton* m_readOne = nullptr;
    QPushButton* m_readAll = nullptr;
    QPushButton* m_cancelRead = nullptr;
    QPushButton* m_serialProgStart = nullptr;
    QPushButton* m_serialProgStop = nullptr;
    QPushButton* m_pluReport = nullptr;
    QFrame* m_statusPanel = nullptr;
    QLabel* m_curStockId = nullptr;
    QLabel* m_pluRequest = nullptr;
    QLabel* m_writeLblId = nullptr;
    QLabel* m_readLblId = nullptr;
    QLabel* m_progress = nullptr;
    QProgressBar* m_barcAnimate = nullptr;
    QTimer m_colorTimer;

    bool m_uniquenessCheck = false;
    bool m_barcodeEntry = false;
    bool m_rangeRunning = false;
};
