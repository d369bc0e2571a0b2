#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

// The in-place editor of the barcode rules grid: it takes only digits, the full
// stop and Backspace, reports every change of its text, and stays open while a
// message about that text is on the screen.
class BarcodeGridDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

    [[nodiscard]] QLineEdit* Editor() const { return m_editor; }
    // Ends the editing in progress, if any, keeping what the cell holds.
    void CloseOpenEditor();

  signals:
    void EditingStarted(int row, int column);
    void TextEdited(int row, int column, const QString& text);
    // A key the grid takes was typed.
    void KeyAccepted();

  protected:
    bool eventFilter(QObject* object, QEvent* event) override;

  private:
    mutable QPointer<QLineEdit> m_editor;
};
