#pragma once

#include "barcodes/BarcodeTypeTable.h"

#include <QDialog>
#include <QMetaType>

class BarcodeGridDelegate;
class QLabel;
class QPushButton;
class QTableWidget;

// "Barcode Form": edits the weighing-barcode rules. The grid changes the edited
// copy of the rules; Apply puts them in force and asks the owner to store them
// (ApplyRequested); any other way of closing drops the edits. The dialog reads
// and writes no file itself.
class TBarcodeForm : public QDialog {
    Q_OBJECT

  public:
    explicit TBarcodeForm(BarcodeRules& rules, QWidget* parent = nullptr);

    // Shows the dialog over the whole application (the main window takes no
    // input until it closes) and returns at once.
    void ShowDialog();
    // 0 English, 1 Serbian.
    void SetLanguage(int language);
    // Puts the rules in force into the grid, for instance after they were loaded.
    void ShowAppliedRules();

    void done(int result) override;

  signals:
    // The rules in force have just changed; the owner writes them to ComOpts.ini.
    void ApplyRequested(const BarcodeTypeTable& applied);

  protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void ApplyBtnClick();
    void BarcdGridDblClick();
    void BarcdGridGetEditText(int row, int column);
    void BarcdGridSetEditText(int row, int column, const QString& text);
    void BarcdGridKeyPress();
    void EditorClosed();
    // Rules from a damaged options file, which the grid's checks would
    // refuse, are named when the dialog opens.
    void ShowDamagedRules();
    [[nodiscard]] QString NotANumberMessage(int column) const;

    void ShowRules(const BarcodeTypeTable& table);
    void ShowMessage(const QString& text);
    void UpdateTexts();
    [[nodiscard]] int CellNumber(int row, int column) const;

    BarcodeRules& m_rules;
    QTableWidget* m_grid = nullptr;
    BarcodeGridDelegate* m_delegate = nullptr;
    QLabel* m_typeLabel = nullptr;
    QLabel* m_lengthsLabel = nullptr;
    QLabel* m_doubleClickLabel = nullptr;
    QPushButton* m_applyButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    int m_language = 0;
    bool m_applyShowsClose = false;
    int m_editRow = -1;
    int m_editColumn = -1;
    int m_editNumber = 0;
};

Q_DECLARE_METATYPE(BarcodeTypeTable)
