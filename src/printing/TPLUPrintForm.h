#pragma once

#include "printing/PluPrintout.h"

#include <QDialog>
#include <QTextDocument>

class PluTable;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TRepStatusForm;

// The PLU database printing wizard, one instance for the whole run: the
// fields and font size, then which PLUs and which layout, then a preview or
// the print itself. The listing is built a PLU at a time under the status
// dialog, whose Cancel stops it; the table is only read.
class TPLUPrintForm : public QDialog {
    Q_OBJECT
  public:
    explicit TPLUPrintForm(QWidget* parent = nullptr);
    ~TPLUPrintForm() override;

    void Attach(const PluTable& table, TRepStatusForm& status);

    static const QString PrintFailed;

    // Wizard state.
    [[nodiscard]] int PrintFontSize() const { return m_printFontSize; }
    [[nodiscard]] bool PrintAllPlus() const { return m_printAllPlus; }
    [[nodiscard]] PluPrintout::Layout PrintLayout() const { return m_printLayout; }
    [[nodiscard]] int PrintFrom() const { return m_printFrom; }
    [[nodiscard]] int PrintTo() const { return m_printTo; }
    [[nodiscard]] bool IsBuilding() const { return m_building; }
    [[nodiscard]] bool IsPrinting() const { return m_printing; }
    [[nodiscard]] QPlainTextEdit* RepRichEdit() const { return m_repRichEdit; }
    [[nodiscard]] QStackedWidget* Pages() const { return m_pages; }
    // The page on show: 0 fields, 1 final, 2 preview.
    [[nodiscard]] int PageIndex() const;
    // Longest stretch without running pending events in the last build or print.
    [[nodiscard]] qint64 LongestGapMs() const { return m_longestGapMs; }
    // Pages the last print job painted; 0 when none ran.
    [[nodiscard]] int PagesPrinted() const { return m_pagesPrinted; }

    // The optional fields ticked when Next was last pressed, by object name;
    // the wizard starts from them.
    [[nodiscard]] QStringList FieldChoices() const { return m_fieldChoices; }
    void SetFieldChoices(const QStringList& names);

    void ResetPrintWizard();
    void ChoiceNextClick();
    void PrintCancelClick();
    void FinalNextClick();
    void PreviewClick();
    void BackClick();
    void CancelFinalClick();
    void ClosePrevBtnClick();

  signals:
    // A print job (or the dialog before it) is over.
    void PrintFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    enum class Mode { Preview, Print };
    [[nodiscard]] QList<QCheckBox*> OptionalFields() const;

    QWidget* BuildFieldsPage();
    QWidget* BuildFinalPage();
    QWidget* BuildPreviewPage();
    void ConnectControls();
    void RangeChoiceClick(bool fromTo, bool all);
    void FromChange();
    void ToChange();
    void FontSzBoxKeyUp();
    void LayoutClick(PluPrintout::Layout layout);
    void BuildPluReport(Mode mode);
    // False when the build was cancelled.
    bool ListPlusForReport(const PluPrintout::Choice& choice, QStringList& lines);
    bool PrintPluReport(const QString& text);
    void SetPreviewText(const QString& text);
    void SetPreviewCharset(int charset, bool registerFont, QAction* item);
    [[nodiscard]] PluPrintout::Choice CurrentChoice() const;
    [[nodiscard]] QFont ReportFont() const;

    const PluTable* m_table = nullptr;
    TRepStatusForm* m_status = nullptr;

    int m_printFontSize = 8;
    bool m_printAllPlus = false;
    PluPrintout::Layout m_printLayout = PluPrintout::Layout::Matrix;
    int m_printFrom = 0;
    int m_printTo = 0;
    bool m_printCancelled = false;
    bool m_building = false;
    bool m_printing = false;
    int m_previewCharset = 204;
    bool m_previewRegisterFont = false;
    qint64 m_longestGapMs = 0;
    QTextDocument m_printFormats;

    QStackedWidget* m_pages = nullptr;
    QCheckBox* m_pluCode = nullptr;
    QCheckBox* m_pluDesc = nullptr;
    QCheckBox* m_description2 = nullptr;
    QCheckBox* m_pluPrice = nullptr;
    QCheckBox* m_pluCost = nullptr;
    QCheckBox* m_pluDept = nullptr;
    QCheckBox* m_pluWp = nullptr;
    QCheckBox* m_pluA = nullptr;
    QCheckBox* m_pluPr = nullptr;
    QCheckBox* m_pluBarcode = nullptr;
    QCheckBox* m_pluStock = nullptr;
    QStringList m_fieldChoices;
    int m_pagesPrinted = 0;
    QComboBox* m_fontSzBox = nullptr;
    QPushButton* m_choiceNext = nullptr;
    QPushButton* m_printCancel = nullptr;
    QRadioButton* m_fromTo = nullptr;
    QRadioButton* m_allActive = nullptr;
    QRadioButton* m_fromToAll = nullptr;
    QRadioButton* m_all = nullptr;
    QFrame* m_fromToPanel = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QRadioButton* m_matrix = nullptr;
    QRadioButton* m_horizontal = nullptr;
    QLabel* m_layoutPicture = nullptr;
    QPushButton* m_finalNext = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_cancelFinal = nullptr;
    QPushButton* m_preview = nullptr;
    QPlainTextEdit* m_repRichEdit = nullptr;
    QPushButton* m_closePrevBtn = nullptr;
    QMenu* m_fontMenu = nullptr;
    QList<QAction*> m_fontItems;
};
