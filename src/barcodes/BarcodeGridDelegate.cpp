#include "barcodes/BarcodeGridDelegate.h"

#include "toolkit/TypedKeys.h"

#include <QFocusEvent>
#include <QKeyEvent>

QWidget* BarcodeGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                           const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("BarcdGridEditor"));
    editor->setFrame(false);
    m_editor = editor;
    auto* self = const_cast<BarcodeGridDelegate*>(this);
    const QPersistentModelIndex cell(index);
    connect(editor, &QLineEdit::textEdited, self, [self, cell](const QString& text) {
        if (cell.isValid())
            emit self->TextEdited(cell.row(), cell.column(), text);
    });
    emit self->EditingStarted(index.row(), index.column());
    return editor;
}

void BarcodeGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    // The grid follows every keystroke; writing the same text back would move
    // the cursor to the end under the user's hands.
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line && line->text() == index.data(Qt::EditRole).toString())
        return;
    QStyledItemDelegate::setEditorData(editor, index);
}

void BarcodeGridDelegate::CloseOpenEditor() {
    if (m_editor)
        emit closeEditor(m_editor, QAbstractItemDelegate::NoHint);
}

bool BarcodeGridDelegate::eventFilter(QObject* object, QEvent* event) {
    if (object == m_editor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = TypedText(key);
        if (key->key() == Qt::Key_Backspace) {
            emit KeyAccepted();
        } else if (!text.isEmpty()) {
            for (const QChar c : text) {
                if ((c < u'0' || c > u'9') && c != u'.')
                    return true;
            }
            emit KeyAccepted();
        }
    }
    // A message box about the cell takes the focus for a moment; the editing
    // goes on when it closes.
    if (object == m_editor && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason)
        return false;
    return QStyledItemDelegate::eventFilter(object, event);
}
