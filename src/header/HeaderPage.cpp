#include "header/HeaderPage.h"

#include "common/ShellSettings.h"
#include "header/HeaderMessages.h"
#include "header/HeaderSequence.h"
#include "header/RegisterLineFilter.h"
#include "protocol/RegisterCharset.h"
#include "toolkit/CharacterFilter.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/MessageBoxes.h"
#include "toolkit/TypedKeys.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using FieldBuilders::Button;
using FieldBuilders::Label;

HeaderPage::HeaderPage(QWidget* parent)
    : ModePage(QStringLiteral("CompanySheet"), QStringLiteral("CloseHdrSheet"), HeaderMessages::PageTitle,
               parent) {
    auto* box = new QGroupBox(QStringLiteral("Header Lines"), this);
    box->setObjectName(QStringLiteral("Lines"));
    auto* grid = new QGridLayout(box);
    grid->addWidget(Label(box, "DoubleHeightLbl", "Double Height"), 0, 3);
    grid->addWidget(Label(box, "DoubleWidthLbl", "Double Width"), 0, 4);
    grid->addWidget(Label(box, "CenterLbl", "Center"), 0, 5);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int n = 1; n <= HeaderLineCount; ++n) {
        const size_t i = size_t(n - 1);
        grid->addWidget(Label(box, QStringLiteral("LLine%1").arg(n), QStringLiteral("Line")), n, 0);
        grid->addWidget(Label(box, QStringLiteral("Number%1").arg(n), QString::number(n)), n, 1);
        QLineEdit* line = m_lines[i] = new QLineEdit(box);
        line->setObjectName(QStringLiteral("Line%1").arg(n));
        line->setFont(fixed);
        line->setMaxLength(HeaderLineWidth);
        line->setReadOnly(n > WritableHeaderLines);
        FilterRegisterLine(line)->SetLengthLimit([this, n] { return Limit(n); });
        line->installEventFilter(this);
        auto* holder = new QHBoxLayout;
        holder->addWidget(line);
        holder->addStretch(1);
        grid->addLayout(holder, n, 2);
        const auto makeBox = [&](const char* name, std::array<QCheckBox*, HeaderLineCount>& boxes,
                                 int column) {
            QCheckBox* check = boxes[i] = new QCheckBox(box);
            check->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(n));
            // Lines 6 to 8 carry no attributes the user can set.
            check->setVisible(n <= WritableHeaderLines);
            grid->addWidget(check, n, column, Qt::AlignCenter);
        };
        makeBox("DoubleHeight", m_doubleHeight, 3);
        makeBox("DoubleWidth", m_doubleWidth, 4);
        makeBox("Center", m_center, 5);
        if (n <= WritableHeaderLines) {
            connect(m_center[i], &QCheckBox::clicked, this, [this, n] { CenterClick(n); });
            connect(m_doubleWidth[i], &QCheckBox::clicked, this, [this, n] { DoubleWidthClick(n); });
        }
        SetLimit(n);
    }
    Body()->addWidget(box);
    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char*> names[] = {
        {"DescRead", "Read"}, {"DescCommit", "Write"}, {"ClearHeaderLines", "Clear Lines"}};
    for (const auto& [name, text] : names) {
        buttons->addWidget(Button(this, name, text));
    }
    buttons->addStretch(1);
    Body()->addLayout(buttons);
    m_status = Label(this, QStringLiteral("HeaderStatus"), QString());
    m_status->setWordWrap(true);
    Body()->addWidget(m_status);
    Body()->addStretch(1);
    connect(findChild<QPushButton*>(QStringLiteral("DescRead")), &QPushButton::clicked, this,
            &HeaderPage::DescReadClick);
    connect(findChild<QPushButton*>(QStringLiteral("DescCommit")), &QPushButton::clicked, this,
            &HeaderPage::DescCommitClick);
    connect(findChild<QPushButton*>(QStringLiteral("ClearHeaderLines")), &QPushButton::clicked, this,
            &HeaderPage::ClearHeaderLinesClick);
}

void HeaderPage::Attach(HeaderSequence& sequence) {
    m_sequence = &sequence;
    connect(&sequence, &HeaderSequence::LineReceived, this, &HeaderPage::ShowLine);
}

void HeaderPage::SetExchangeButtons(bool enabled) {
    // A read or write waits for the register for seconds; clicks meanwhile,
    // a mashed Read among them, must not start or refuse another one.
    for (const char* name : {"DescRead", "DescCommit"})
        findChild<QPushButton*>(QString::fromLatin1(name))->setEnabled(enabled);
}

int HeaderPage::Limit(int n) const {
    return m_doubleWidth[size_t(n - 1)]->isChecked() ? DoubleWidthLineWidth : HeaderLineWidth;
}

void HeaderPage::SetLimit(int n) {
    QLineEdit* line = Line(n);
    const int chars = n <= WritableHeaderLines ? Limit(n) : HeaderLineWidth;
    line->setFixedWidth(line->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('W'))) + 12);
}

void HeaderPage::PageShow() {
    Line(1)->setFocus();
}

void HeaderPage::ShowOutcome(const QString& text) {
    m_status->setText(text);
}

void HeaderPage::ClearHeaderLinesClick() {
    for (int n = 1; n <= HeaderLineCount; ++n) {
        const size_t i = size_t(n - 1);
        m_lines[i]->clear();
        m_doubleHeight[i]->setChecked(false);
        m_doubleWidth[i]->setChecked(false);
        m_center[i]->setChecked(false);
        SetLimit(n);
    }
    m_readComplete = false;
}

void HeaderPage::CenterClick(int n) {
    Line(n)->setText(CenterHeaderText(Line(n)->text(), Limit(n), m_center[size_t(n - 1)]->isChecked()));
}

void HeaderPage::DoubleWidthClick(int n) {
    SetLimit(n);
    if (!m_reading)
        CenterClick(n);
}

void HeaderPage::ShowLine(const HeaderLine& line) {
    if (line.Number < 1 || line.Number > HeaderLineCount)
        return;
    const int n = line.Number;
    const size_t i = size_t(n - 1);
    // The register fills a line to 21 places with blanks: held with them, a
    // double-width line counts 21 characters and is refused when written
    // back, and its field scrolls to the blanks and looks empty.
    Line(n)->setText(WithoutTrailingBlanks(line.Text));
    Line(n)->setCursorPosition(0);
    if (n > WritableHeaderLines)
        return;
    if (const std::optional<HeaderAttributes> a = AttributesOf(line.Attribute)) {
        m_doubleHeight[i]->setChecked(a->DoubleHeight);
        if (m_doubleWidth[i]->isChecked() != a->DoubleWidth) {
            m_doubleWidth[i]->setChecked(a->DoubleWidth);
            DoubleWidthClick(n);
        }
    }
    const bool centred = IsHeaderCentred(line.Text, Limit(n));
    if (m_center[i]->isChecked() != centred) {
        m_center[i]->setChecked(centred);
        if (centred)
            CenterClick(n);
    }
    Line(n)->setCursorPosition(0);
}

void HeaderPage::DescReadClick() {
    if (!m_sequence)
        return;
    // The page is emptied only for a read that can run.
    if (!m_sequence->CanStart()) {
        MessageBoxes::Plain(this, HeaderMessages::Busy.Text());
        return;
    }
    ClearHeaderLinesClick();
    m_reading = true;
    ShowOutcome(QString());
    SetExchangeButtons(false);
    const HeaderSequence::Outcome outcome = m_sequence->Read(Shell().RegisterCharset);
    SetExchangeButtons(true);
    m_reading = false;
    m_readComplete = outcome.Done;
    ShowOutcome(outcome.Done ? HeaderMessages::ReadDone.Text() : outcome.Message);
    if (!outcome.Done && !outcome.Message.isEmpty())
        MessageBoxes::Plain(this, outcome.Message);
}

void HeaderPage::DescCommitClick() {
    if (!m_sequence)
        return;
    // Lines 1 to 5 replace what the register holds: without a read first the
    // page may hold nothing the user meant to write.
    if (!m_readComplete &&
        MessageBoxes::Show(this, {QString::fromLatin1(ProgramTitle), HeaderMessages::ReadFirst.Text(),
                                  QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No}) != QMessageBox::Yes)
        return;
    std::array<HeaderSequence::LineContent, WritableHeaderLines> lines;
    for (int n = 1; n <= WritableHeaderLines; ++n) {
        const size_t i = size_t(n - 1);
        lines[i] = {m_lines[i]->text(), {m_doubleWidth[i]->isChecked(), m_doubleHeight[i]->isChecked()}};
    }
    ShowOutcome(QString());
    SetExchangeButtons(false);
    const HeaderSequence::Outcome outcome = m_sequence->Write(lines, Shell().RegisterCharset);
    SetExchangeButtons(true);
    ShowOutcome(outcome.Done ? HeaderMessages::WriteDone.Text() : outcome.Message);
    if (!outcome.Done && !outcome.Message.isEmpty())
        MessageBoxes::Plain(this, outcome.Message);
}

bool HeaderPage::eventFilter(QObject* watched, QEvent* event) {
    auto* line = qobject_cast<QLineEdit*>(watched);
    if (!line || event->type() != QEvent::KeyPress || line->isReadOnly())
        return ModePage::eventFilter(watched, event);
    const QString text = TypedText(static_cast<QKeyEvent*>(event));
    if (text.isEmpty())
        return ModePage::eventFilter(watched, event);
    // Register texts are typed in capitals, as with Caps Lock on.
    const QString upper = text.toUpper();
    // What the field would hold: typed text replaces the selection.
    int pos = 0;
    QString probe = line->text();
    int at = line->cursorPosition();
    if (line->hasSelectedText()) {
        at = line->selectionStart();
        probe.remove(at, line->selectedText().size());
    }
    probe.insert(at, upper);
    if (line->validator()->validate(probe, pos) == QValidator::Invalid)
        return true;
    if (upper != text) {
        line->insert(upper);
        return true;
    }
    return ModePage::eventFilter(watched, event);
}
