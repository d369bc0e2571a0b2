#include "header/TMessageForm.h"

#include "common/ShellSettings.h"
#include "header/HeaderFrames.h"
#include "header/HeaderMessages.h"
#include "header/HeaderSequence.h"
#include "header/RegisterLineFilter.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "toolkit/CharacterFilter.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/MessageBoxes.h"
#include "toolkit/TypedKeys.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using FieldBuilders::Button;
using FieldBuilders::Check;
using FieldBuilders::Edit;
using FieldBuilders::Label;

TMessageForm::TMessageForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TMessageForm"));
    setWindowTitle(QStringLiteral("Thanks Message"));
    setWindowModality(Qt::ApplicationModal);
    auto* grid = new QGridLayout(this);
    auto* heading = Label(this, "MsgLabel", "Message");
    grid->addWidget(heading, 0, 0, 1, 4);
    auto* lineLabel = Label(this, "LLine9", "Line");
    grid->addWidget(lineLabel, 1, 0);
    auto* number = Label(this, "Number9", "9");
    grid->addWidget(number, 1, 1);
    m_line = Edit(this, "Line9", HeaderLineWidth);
    m_line->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    FilterRegisterLine(m_line)->SetLengthLimit([] { return HeaderLineWidth; });
    m_line->setMinimumWidth(m_line->fontMetrics().horizontalAdvance(QString(HeaderLineWidth + 2, 'W')));
    grid->addWidget(m_line, 1, 2);
    m_center = Check(this, "Center9", "Center");
    grid->addWidget(m_center, 1, 3);
    m_write = Button(this, "Write9Line", "Write");
    m_write->setAutoDefault(false);
    auto* close = Button(this, "CloseSheets", "Close");
    close->setAutoDefault(false);
    grid->addWidget(m_write, 2, 2, Qt::AlignRight);
    grid->addWidget(close, 2, 3);

    connect(m_write, &QPushButton::clicked, this, &TMessageForm::WriteClick);
    connect(close, &QPushButton::clicked, this, &TMessageForm::CloseClick);
    connect(m_center, &QCheckBox::clicked, this, &TMessageForm::CenterClick);
    m_line->installEventFilter(this);
    m_center->installEventFilter(this);
}

void TMessageForm::Open() {
    show();
    raise();
    activateWindow();
    m_line->setFocus();
}

void TMessageForm::CenterClick(bool checked) {
    m_line->setText(CenterThanksText(m_line->text(), checked));
}

void TMessageForm::WriteClick() {
    if (!m_sequence || m_writing)
        return;
    // An empty line erases the register's thanks message: asked first.
    if (m_line->text().trimmed().isEmpty() &&
        MessageBoxes::Show(this, {QString::fromLatin1(ProgramTitle),
                                  HeaderMessages::EraseThanks.Text(),
                                  QMessageBox::Question,
                                  QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No,
                                  {{QMessageBox::Yes, HeaderMessages::Yes.Text()},
                                   {QMessageBox::No, HeaderMessages::No.Text()}}}) != QMessageBox::Yes)
        return;
    m_writing = true;
    m_write->setEnabled(false);
    const HeaderSequence::Outcome outcome = m_sequence->WriteThanks(m_line->text(), Shell().RegisterCharset);
    m_writing = false;
    m_write->setEnabled(true);
    if (outcome.Done || m_closing) {
        CloseClick();
        return;
    }
    if (!outcome.Message.isEmpty())
        MessageBoxes::Plain(this, outcome.Message);
}

void TMessageForm::CloseClick() {
    // A write still waiting for its answer ends first; its text is not sent again.
    if (m_writing) {
        m_closing = true;
        m_sequence->CancelThanks();
        return;
    }
    m_closing = false;
    m_line->clear();
    m_center->setChecked(false);
    hide();
    if (parentWidget()) {
        parentWidget()->setEnabled(true);
        parentWidget()->show();
    }
}

void TMessageForm::reject() {
    CloseClick();
}

void TMessageForm::closeEvent(QCloseEvent* event) {
    event->ignore();
    CloseClick();
}

bool TMessageForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = TypedText(key);
    if (watched == m_center) {
        // Escape closes and Enter writes as they do in the line, Space
        // toggles the box; other typing does nothing here, so a letter meant
        // for the line loses neither the editor nor its text.
        const int code = key->key();
        if (code == Qt::Key_Escape || code == Qt::Key_Return || code == Qt::Key_Enter)
            return LineKey(key);
        return !text.isEmpty() && text != QStringLiteral(" ");
    }
    return LineKey(key);
}

bool TMessageForm::LineKey(const QKeyEvent* key) {
    const QString text = TypedText(key);
    if (key->key() == Qt::Key_Escape) {
        CloseClick();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (!m_line->text().isEmpty())
            WriteClick();
        return true;
    }
    if (text.isEmpty())
        return false;
    const QString upper = text.toUpper();
    for (const QChar c : upper) {
        if (c != QLatin1Char(' ') &&
            RegisterTextKeyRejected(c, Shell().RegisterCharset, m_line->font().family()))
            return true;
    }
    if (upper != text) {
        m_line->insert(upper);
        return true;
    }
    return false;
}
