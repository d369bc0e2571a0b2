#include "monitor/MonitorPage.h"

#include "monitor/JournalMonitor.h"
#include "monitor/MonitorMessages.h"
#include "protocol/RegisterCharset.h"
#include "toolkit/CharsetSwitch.h"
#include "toolkit/FieldBuilders.h"
#include "viewer/LineView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

using FieldBuilders::Button;
using FieldBuilders::Edit;
using FieldBuilders::Label;

MonitorPage::MonitorPage(QWidget* parent)
    : ModePage(QStringLiteral("MonitorSheet"), QStringLiteral("CloseSheets"), MonitorMessages::PageTitle,
               parent) {
    m_monListBox = new LineView(this);
    m_monListBox->setObjectName(QStringLiteral("MonListBox"));
    m_monListBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_monListBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QString::fromLatin1(PlainFontName));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(12);
    m_monListBox->setFont(font);
    m_monListBox->setProperty(CharsetSwitch::CharsetProperty, RegisterCharsets::Cyrillic);
    Body()->addWidget(m_monListBox, 1);

    auto* row = new QHBoxLayout;
    m_byteCountLabel = Label(this, "Byte_Count", "Number of Bytes:");
    m_byteCount = Edit(this, "ByteCount");
    m_byteCount->setText(QStringLiteral("0"));
    m_byteCount->setReadOnly(true);
    m_byteCount->setFrame(false);
    m_byteCount->setFocusPolicy(Qt::NoFocus);
    m_reset = Button(this, "Reset", "Reset");
    m_reset->setEnabled(false);
    m_clear = Button(this, "Clear", "Clear");
    m_clear->setEnabled(false);
    row->addWidget(m_byteCountLabel);
    row->addWidget(m_byteCount, 1);
    row->addWidget(m_reset);
    row->addWidget(m_clear);
    Body()->addLayout(row);

    connect(m_reset, &QPushButton::clicked, this, &MonitorPage::ResetClick);
    connect(m_clear, &QPushButton::clicked, this, &MonitorPage::ClearClick);
}

void MonitorPage::Attach(JournalMonitor& journal) {
    m_journal = &journal;
    journal.SetRegisterFontQuery([this] { return RegisterFont(); });
    connect(&journal, &JournalMonitor::LineDecoded, this, &MonitorPage::AppendLine);
    connect(&journal, &JournalMonitor::ByteCountChanged, this, &MonitorPage::ShowByteCount);
    ShowByteCount(journal.ByteCount());
}

void MonitorPage::SetCloseVisible(bool visible) {
    CloseButton()->setVisible(visible);
}

bool MonitorPage::RegisterFont() const {
    return m_monListBox->font().family() == QLatin1String(RegisterFontName) &&
           m_monListBox->property(CharsetSwitch::CharsetProperty).toInt() == RegisterCharsets::Cyrillic;
}

QList<QWidget*> MonitorPage::TextViews() const {
    return {m_monListBox};
}

bool MonitorPage::HasText() const {
    return !m_monListBox->IsEmpty();
}

void MonitorPage::PageShow() {
    // Showing the view scrolls it to its caret, the end of the newest line;
    // the columns the user looked at before come back instead. A view that
    // followed the newest line before it was hidden follows it again: lines
    // that came meanwhile did not move a hidden view.
    if (m_following) {
        QScrollBar* rows = m_monListBox->verticalScrollBar();
        rows->setValue(rows->maximum());
    }
    m_monListBox->horizontalScrollBar()->setValue(m_column);
    m_shown = true;
    m_clear->setEnabled(HasText());
    m_textCommandsOn = HasText();
}

void MonitorPage::PageHide() {
    m_column = m_monListBox->horizontalScrollBar()->value();
    const QScrollBar* rows = m_monListBox->verticalScrollBar();
    m_following = rows->value() == rows->maximum();
    m_shown = false;
    m_textCommandsOn = false;
}

void MonitorPage::AppendLine(const QString& line) {
    // New lines follow at the bottom while the view is on the newest; the
    // view stays on the columns the user looks at.
    m_monListBox->AppendLine(line);
    TextChanged();
}

// Only the page on show switches Clear and the file commands; a page shown
// later takes its state from the text then.
void MonitorPage::TextChanged() {
    if (!m_shown)
        return;
    const bool on = HasText();
    // A busy day appends a line every few moments; the commands switch only
    // when the text turns empty or non-empty.
    if (on == m_textCommandsOn)
        return;
    m_textCommandsOn = on;
    m_clear->setEnabled(on);
    emit FileCommandsRequested(on);
}

void MonitorPage::ShowByteCount(qint64 count) {
    m_byteCount->setText(QString::number(count));
    m_reset->setEnabled(m_byteCount->text() != QLatin1String("0"));
}

void MonitorPage::ResetClick() {
    if (m_journal)
        m_journal->ResetByteCount();
    else
        ShowByteCount(0);
}

void MonitorPage::ClearClick() {
    m_monListBox->Clear();
    ResetClick();
    m_clear->setEnabled(false);
    if (m_shown && m_textCommandsOn) {
        m_textCommandsOn = false;
        emit FileCommandsRequested(false);
    }
}
