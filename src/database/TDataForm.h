#pragma once

#include "database/PluCells.h"
#include "database/PluTable.h"

#include <QDialog>

class PluTableModel;
class QAction;
class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableView;

// The PC PLU database window, one instance for the whole run: it shows the
// PC's PLU table whole in a read-only grid, finds PLUs, and changes one field
// over a range of PLUs at once.
class TDataForm : public QDialog {
    Q_OBJECT
  public:
    explicit TDataForm(PluTable& table, QWidget* parent = nullptr);
    ~TDataForm() override;

    [[nodiscard]] PluTable& Table() { return m_table; }
    [[nodiscard]] const PluTable& Table() const { return m_table; }
    [[nodiscard]] PluTableModel* GridModel() const { return m_gridModel; }
    [[nodiscard]] PluTableModel* SearchModel() const { return m_searchModel; }
    [[nodiscard]] QTableView* Grid() const { return m_grid; }

    // The whole grid in the current language, after the table was changed
    // wholesale (a range read, a language switch).
    void FormFill();
    // Entries from..to were changed: the grid and the search results show them anew.
    void RefreshRows(int from, int to);
    // A range read filled the table while the window was hidden: it is
    // refilled the next time it is shown.
    void SetGridStale();
    [[nodiscard]] bool GridStale() const { return m_gridStale; }
    void SetLanguage(int lang);
    // The PLU the grid's current row shows, -1 for none.
    [[nodiscard]] int CurrentPlu() const;
    // How the grid makes its texts (language, decimal separator, charset).
    [[nodiscard]] PluCells::Style CurrentStyle() const;

    // Handlers, also driven by tests.
    void GoToPLUClick();
    void ShowSetsClick();
    void FindPLUsClick();
    void SearchBtnClick();
    void OKButtonClick();
    void DataCloseClick();

  signals:
    // PLUs from..to of the table were changed here (the settings); views of them refresh.
    void TableChanged(int from, int to);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* BuildGridPage();
    QWidget* BuildSearchPage();
    QWidget* BuildSetsPanel();
    QWidget* BuildStandardBar();
    void BuildPopup();
    void ConnectControls();
    void SelectPlu(int n);
    void PLUCodeChange();
    void GridDescrChange();
    void FieldComboBoxChange();
    void ValueComboBoxKeyUp();
    void RangeKeyUp(QLineEdit* field);
    void RangeExit(QLineEdit* field);
    void DataFSearchShow();
    void SetGridCharset(int charset, bool registerFont, QAction* item);
    [[nodiscard]] int Language() const;

    PluTable& m_table;
    PluTableModel* m_gridModel = nullptr;
    PluTableModel* m_searchModel = nullptr;
    bool m_gridStale = true;
    bool m_searchByBarcode = false;
    bool m_copyingDescription = false;
    int m_gridCharset = 204;
    bool m_gridRegisterFont = false;

    QStackedWidget* m_pages = nullptr;
    QWidget* m_gridPage = nullptr;
    QWidget* m_searchPage = nullptr;
    QTableView* m_grid = nullptr;
    QTableView* m_searchGrid = nullptr;
    QFrame* m_standardPanel = nullptr;
    QLineEdit* m_pluCode = nullptr;
    QLineEdit* m_gridDescr = nullptr;
    QPushButton* m_goToPlu = nullptr;
    QPushButton* m_showSets = nullptr;
    QPushButton* m_findPlus = nullptr;
    QPushButton* m_dataClose = nullptr;
    QFrame* m_setsPanel = nullptr;
    QLineEdit* m_fromPlu = nullptr;
    QLineEdit* m_toPlu = nullptr;
    QComboBox* m_fieldCombo = nullptr;
    QComboBox* m_valueCombo = nullptr;
    QLabel* m_valueLabel = nullptr;
    QFrame* m_hidePanel = nullptr;
    QRadioButton* m_mwrActive = nullptr;
    QRadioButton* m_mwrAll = nullptr;
    QPushButton* m_okButton = nullptr;
    QLineEdit* m_searchDescr = nullptr;
    QLineEdit* m_searchBarcd = nullptr;
    QPushButton* m_searchBtn = nullptr;
    QProgressBar* m_searchAnimate = nullptr;
    QMenu* m_langPopup = nullptr;
    QList<QAction*> m_charsetItems;
};
