#include "printing/TPLUPrintForm.h"

#include "common/Captions.h"
#include "common/SafeFile.h"
#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "printing/PagedTextPrint.h"
#include "printing/PrintMessages.h"
#include "printing/TRepStatusForm.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"
#include "toolkit/CharacterFilter.h"
#include "toolkit/DecimalSeparator.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

const QString TPLUPrintForm::PrintFailed = QStringLiteral("Could not print file !");

using FieldBuilders::AutoDefault;
using FieldBuilders::Button;
using FieldBuilders::Check;
using FieldBuilders::Label;
using FieldBuilders::Named;
using FieldBuilders::Radio;

namespace {

// Pending events run at least this often while a listing is built.
constexpr qint64 SliceMs = 5;

// The whole number of a text's leading digits, 0 when there are none.
int LeadingNumber(const QString& text) {
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    return int(std::min<qlonglong>(text.left(digits).toLongLong(), PluTable::Size - 1));
}

// The resolution the printed text's margins are given in (see PagedTextPrint).
qreal SourceDpi() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return qRound(screen->logicalDotsPerInchX());
    return 96;
}

// Whether lines of chars characters fit the printer's page across.
bool LinesFit(QPrinter& printer, const QFont& font, int chars) {
    const qreal margin = 2 / 2.54 * SourceDpi();
    const qreal width = QFontMetricsF(font, &printer).horizontalAdvance(QString(chars, QLatin1Char('W')));
    return width <= printer.width() - 2 * margin;
}

QString MinutesSeconds(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

const char* const LayoutPictures[] = {"COD.  DESCRIPTION   PRICE\n"
                                      "--------------------------\n"
                                      "   1  MILK        1.20\n"
                                      "   2  BREAD       0.90",
                                      "____________________\n"
                                      "Code        :   1\n"
                                      "Description :MILK\n"
                                      "Price       :1.20"};

} // namespace

TPLUPrintForm::TPLUPrintForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPLUPrintForm"));
    setWindowTitle(QStringLiteral("PLUs Printing Form"));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    m_pages = Named(new QStackedWidget(this), "PrintPages");
    m_pages->addWidget(BuildFieldsPage());
    m_pages->addWidget(BuildFinalPage());
    m_pages->addWidget(BuildPreviewPage());
    layout->addWidget(m_pages);
    QTextOption wrapping = m_printFormats.defaultTextOption();
    // A line wider than the page goes on below rather than off the paper.
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_printFormats.setDefaultTextOption(wrapping);
    ConnectControls();
    ResetPrintWizard();
    resize(720, 480);
}

TPLUPrintForm::~TPLUPrintForm() = default;

void TPLUPrintForm::Attach(const PluTable& table, TRepStatusForm& status) {
    m_table = &table;
    m_status = &status;
}

QWidget* TPLUPrintForm::BuildFieldsPage() {
    auto* page = Named(new QWidget(this), "FieldsPage");
    auto* layout = new QVBoxLayout(page);
    auto* group = Named(new QGroupBox(QStringLiteral("Fields to print"), page), "Fields");
    auto* grid = new QGridLayout(group);
    m_pluCode = Check(group, "PLUCode", "Code");
    m_pluDesc = Check(group, "PLUDesc", "Description");
    for (QCheckBox* fixed : {m_pluCode, m_pluDesc}) {
        fixed->setChecked(true);
        fixed->setEnabled(false);
    }
    m_description2 = Check(group, "Description2", "Description 2");
    m_pluPrice = Check(group, "PLUPrice", "Price");
    m_pluCost = Check(group, "PLUCost", "Net Price");
    m_pluDept = Check(group, "PLUDept", "Department");
    m_pluWp = Check(group, "PLUWP", "Meas. Unit");
    m_pluA = Check(group, "PLUA", "Active / Inactive");
    m_pluPr = Check(group, "PLUPr", "Progr. / UnProg. Stock");
    m_pluBarcode = Check(group, "PLUBarcode", "Barcode");
    m_pluStock = Check(group, "PLUStock", "Stock");
    const QCheckBox* shown[] = {m_pluCode, m_pluDesc, m_description2, m_pluPrice,   m_pluCost, m_pluDept,
                                m_pluWp,   m_pluA,    m_pluPr,        m_pluBarcode, m_pluStock};
    for (int i = 0; i < int(std::size(shown)); ++i)
        grid->addWidget(const_cast<QCheckBox*>(shown[i]), i % 6, i / 6);
    // The listing has no room for these; they keep their captions but stay hidden.
    for (const char* unused : {"PLUFF", "PLUQuantity", "PLUTotal"})
        Check(group, unused, "")->hide();
    layout->addWidget(group);
    auto* row = new QHBoxLayout;
    m_fontSzBox = Named(new QComboBox(page), "FontSzBox");
    m_fontSzBox->setEditable(true);
    m_fontSzBox->addItems({QStringLiteral("6"), QStringLiteral("8"), QStringLiteral("10"),
                           QStringLiteral("12"), QStringLiteral("14")});
    m_fontSzBox->lineEdit()->setMaxLength(2);
    m_fontSzBox->lineEdit()->setValidator(new QIntValidator(0, 99, m_fontSzBox));
    row->addWidget(Label(page, "FontSizeLabel", "Font Size"));
    row->addWidget(m_fontSzBox);
    row->addStretch(1);
    m_printCancel = Button(page, "PrintCancel", "Cancel", AutoDefault::Off);
    m_choiceNext = Button(page, "ChoiceNext", "Next  >", AutoDefault::Off);
    row->addWidget(m_printCancel);
    row->addWidget(m_choiceNext);
    layout->addLayout(row);
    return page;
}

QWidget* TPLUPrintForm::BuildFinalPage() {
    auto* page = Named(new QWidget(this), "FinalPage");
    auto* layout = new QVBoxLayout(page);
    auto* groups = new QHBoxLayout;
    auto* choice = Named(new QGroupBox(QStringLiteral("PLUs Choice"), page), "PLUsChoiceBox");
    auto* choiceLayout = new QVBoxLayout(choice);
    m_fromTo = Radio(choice, "FromTo", "From  --> To   -- (Active)");
    m_allActive = Radio(choice, "AllActive", "All active PLUs");
    m_fromToAll = Radio(choice, "FromToAll", "From  --> To   -- (All)");
    m_all = Radio(choice, "All", "All  PLUs");
    for (QRadioButton* button : {m_fromTo, m_allActive, m_fromToAll, m_all})
        choiceLayout->addWidget(button);
    m_fromToPanel = Named(new QFrame(choice), "FromToPanel");
    auto* range = new QHBoxLayout(m_fromToPanel);
    m_from = Named(new QLineEdit(m_fromToPanel), "From");
    m_to = Named(new QLineEdit(m_fromToPanel), "To");
    for (QLineEdit* field : {m_from, m_to}) {
        field->setMaxLength(4);
        field->setFixedWidth(56);
        // Refuses what CodeKeyRejected refuses, typed or pasted.
        CharacterFilter::Install(
            field, [](QChar c) { return CodeKeyRejected(c); }, CharacterFilter::Baseline::None);
    }
    range->addWidget(Label(m_fromToPanel, "FromLabel", "From:"));
    range->addWidget(m_from);
    range->addWidget(Label(m_fromToPanel, "ToLabel", "To:"));
    range->addWidget(m_to);
    range->addStretch(1);
    choiceLayout->addWidget(m_fromToPanel);
    choiceLayout->addStretch(1);
    groups->addWidget(choice);

    auto* type = Named(new QGroupBox(QStringLiteral("Printing Type"), page), "PrintTypeBox");
    auto* typeLayout = new QVBoxLayout(type);
    m_matrix = Radio(type, "Matrix", "Matrix");
    m_horizontal = Radio(type, "Horizontal", "Horizontal");
    m_layoutPicture = Label(type, "LayoutPicture", "");
    QFont small(QString::fromLatin1(PlainFontName), 7);
    small.setStyleHint(QFont::TypeWriter);
    m_layoutPicture->setFont(small);
    m_layoutPicture->setFrameShape(QFrame::Box);
    typeLayout->addWidget(m_matrix);
    typeLayout->addWidget(m_horizontal);
    m_layoutPicture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    typeLayout->addWidget(m_layoutPicture);
    typeLayout->addStretch(1);
    groups->addWidget(type);
    layout->addLayout(groups);

    auto* buttons = new QHBoxLayout;
    m_preview = Button(page, "Preview", "Preview...", AutoDefault::Off);
    m_back = Button(page, "Back", "<  Back", AutoDefault::Off);
    m_cancelFinal = Button(page, "CancelFinal", "Cancel", AutoDefault::Off);
    m_finalNext = Button(page, "FinalNext", "Next  >", AutoDefault::Off);
    buttons->addWidget(m_preview);
    buttons->addStretch(1);
    for (QPushButton* button : {m_back, m_cancelFinal, m_finalNext})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    return page;
}

QWidget* TPLUPrintForm::BuildPreviewPage() {
    auto* page = Named(new QWidget(this), "PreviewPage");
    auto* layout = new QVBoxLayout(page);
    m_repRichEdit = Named(new QPlainTextEdit(page), "RepRichEdit");
    m_repRichEdit->setReadOnly(true);
    m_repRichEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_repRichEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_repRichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_repRichEdit->document()->setUndoRedoEnabled(false);
    QFont font(QString::fromLatin1(PlainFontName), 8);
    font.setStyleHint(QFont::TypeWriter);
    m_repRichEdit->setFont(font);
    m_repRichEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_repRichEdit, 1);
    m_closePrevBtn = Button(page, "ClosePrevBtn", "Close", AutoDefault::Off);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_closePrevBtn);
    layout->addLayout(row);

    m_fontMenu = Named(new QMenu(this), "RepFontMenu");
    auto* group = new QActionGroup(m_fontMenu);
    const std::pair<const char*, const char*> items[] = {{"MnDefault", "Default"},
                                                         {"MnCyrilic", "Cyrillic"},
                                                         {"MnLatin", "Latin"},
                                                         {"MnCRAsciiletters", "Orvex Ascii letters"}};
    for (const auto& [name, text] : items) {
        QAction* item = m_fontMenu->addAction(QString::fromLatin1(text));
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        group->addAction(item);
        m_fontItems << item;
    }
    m_fontItems[1]->setChecked(true);
    return page;
}

void TPLUPrintForm::ConnectControls() {
    connect(m_fontSzBox, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (ok)
            m_printFontSize = size;
    });
    connect(m_fontSzBox->lineEdit(), &QLineEdit::textEdited, this, &TPLUPrintForm::FontSzBoxKeyUp);
    connect(m_choiceNext, &QPushButton::clicked, this, &TPLUPrintForm::ChoiceNextClick);
    connect(m_printCancel, &QPushButton::clicked, this, &TPLUPrintForm::PrintCancelClick);
    connect(m_fromTo, &QRadioButton::clicked, this, [this] { RangeChoiceClick(true, false); });
    connect(m_fromToAll, &QRadioButton::clicked, this, [this] { RangeChoiceClick(true, true); });
    connect(m_allActive, &QRadioButton::clicked, this, [this] { RangeChoiceClick(false, false); });
    connect(m_all, &QRadioButton::clicked, this, [this] { RangeChoiceClick(false, true); });
    connect(m_from, &QLineEdit::textChanged, this, &TPLUPrintForm::FromChange);
    connect(m_to, &QLineEdit::textChanged, this, &TPLUPrintForm::ToChange);
    connect(m_matrix, &QRadioButton::clicked, this, [this] { LayoutClick(PluPrintout::Layout::Matrix); });
    connect(m_horizontal, &QRadioButton::clicked, this,
            [this] { LayoutClick(PluPrintout::Layout::Horizontal); });
    connect(m_finalNext, &QPushButton::clicked, this, &TPLUPrintForm::FinalNextClick);
    connect(m_preview, &QPushButton::clicked, this, &TPLUPrintForm::PreviewClick);
    connect(m_back, &QPushButton::clicked, this, &TPLUPrintForm::BackClick);
    connect(m_cancelFinal, &QPushButton::clicked, this, &TPLUPrintForm::CancelFinalClick);
    connect(m_closePrevBtn, &QPushButton::clicked, this, &TPLUPrintForm::ClosePrevBtnClick);
    connect(m_repRichEdit, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_fontMenu->popup(m_repRichEdit->viewport()->mapToGlobal(at)); });
    const std::pair<int, bool> charsets[] = {{RegisterCharsets::Default, false},
                                             {RegisterCharsets::Cyrillic, false},
                                             {RegisterCharsets::Latin, false},
                                             {RegisterCharsets::Cyrillic, true}};
    for (int i = 0; i < 4; ++i) {
        QAction* item = m_fontItems[i];
        const auto [charset, registerFont] = charsets[i];
        connect(item, &QAction::triggered, this,
                [this, item, charset, registerFont] { SetPreviewCharset(charset, registerFont, item); });
    }
}

int TPLUPrintForm::PageIndex() const {
    return m_pages->currentIndex();
}

// --- wizard state --------------------------------------------------------------

void TPLUPrintForm::ResetPrintWizard() {
    m_printFontSize = 8;
    m_printAllPlus = false;
    m_printLayout = PluPrintout::Layout::Matrix;
    m_printFrom = 0;
    m_printTo = 0;
    m_printCancelled = false;
    m_fontSzBox->setCurrentText(QStringLiteral("8"));
    m_choiceNext->setEnabled(true);
    m_fromTo->setChecked(true);
    m_matrix->setChecked(true);
    m_layoutPicture->setText(QString::fromLatin1(LayoutPictures[0]));
    // Description 2 keeps its state through a reset; the others start from the kept choices.
    for (QCheckBox* box : OptionalFields()) {
        if (box != m_description2)
            box->setChecked(m_fieldChoices.contains(box->objectName()));
    }
    m_from->setText(QStringLiteral("0"));
    m_to->clear();
    RangeChoiceClick(true, false);
}

void TPLUPrintForm::FontSzBoxKeyUp() {
    bool ok = false;
    const int size = m_fontSzBox->currentText().toInt(&ok);
    if (ok && size < 15) {
        m_choiceNext->setEnabled(true);
        return;
    }
    if (!m_fontSzBox->currentText().isEmpty())
        m_fontSzBox->setCurrentText(QString());
    m_choiceNext->setEnabled(false);
}

QList<QCheckBox*> TPLUPrintForm::OptionalFields() const {
    return {m_description2, m_pluPrice, m_pluCost,    m_pluDept, m_pluWp,
            m_pluA,         m_pluPr,    m_pluBarcode, m_pluStock};
}

void TPLUPrintForm::SetFieldChoices(const QStringList& names) {
    m_fieldChoices = names;
    for (QCheckBox* box : OptionalFields())
        box->setChecked(m_fieldChoices.contains(box->objectName()));
}

void TPLUPrintForm::ChoiceNextClick() {
    bool ok = false;
    const int size = m_fontSzBox->currentText().toInt(&ok);
    if (ok && size > 5 && size < 15) {
        m_printFontSize = size;
        m_fieldChoices.clear();
        for (const QCheckBox* box : OptionalFields()) {
            if (box->isChecked())
                m_fieldChoices << box->objectName();
        }
        m_pages->setCurrentIndex(1);
        return;
    }
    m_fontSzBox->setCurrentText(QString());
    m_fontSzBox->setFocus();
    m_choiceNext->setEnabled(false);
}

void TPLUPrintForm::PrintCancelClick() {
    ResetPrintWizard();
    hide();
}

void TPLUPrintForm::RangeChoiceClick(bool fromTo, bool all) {
    m_printAllPlus = all;
    m_fromToPanel->setEnabled(fromTo);
    if (fromTo) {
        m_finalNext->setEnabled(!m_from->text().isEmpty() && !m_to->text().isEmpty());
    } else {
        m_finalNext->setEnabled(true);
        m_printFrom = 0;
        m_printTo = PluTable::Size - 1;
    }
}

void TPLUPrintForm::FromChange() {
    const bool bothEmpty = m_from->text().isEmpty() && m_to->text().isEmpty();
    m_to->setEnabled(!bothEmpty);
    m_finalNext->setEnabled(!bothEmpty);
}

void TPLUPrintForm::ToChange() {
    m_finalNext->setEnabled(!m_to->text().isEmpty());
}

void TPLUPrintForm::LayoutClick(PluPrintout::Layout layout) {
    m_printLayout = layout;
    m_layoutPicture->setText(
        QString::fromLatin1(LayoutPictures[layout == PluPrintout::Layout::Matrix ? 0 : 1]));
}

void TPLUPrintForm::BackClick() {
    m_repRichEdit->clear();
    m_pages->setCurrentIndex(0);
}

void TPLUPrintForm::CancelFinalClick() {
    ResetPrintWizard();
    m_pages->setCurrentIndex(0);
    hide();
}

void TPLUPrintForm::ClosePrevBtnClick() {
    m_pages->setCurrentIndex(1);
}

void TPLUPrintForm::FinalNextClick() {
    m_repRichEdit->clear();
    BuildPluReport(Mode::Print);
}

void TPLUPrintForm::PreviewClick() {
    m_repRichEdit->clear();
    BuildPluReport(Mode::Preview);
}

void TPLUPrintForm::closeEvent(QCloseEvent* event) {
    // Not under a listing being built or printed: it ends first.
    if (m_building || m_printing) {
        event->ignore();
        return;
    }
    // Rejects, which resets and hides the wizard.
    QDialog::closeEvent(event);
}

// Escape and the window's close button end here. Calling close() from here
// would ask closeEvent, which rejects again while the close is under way, so
// the wizard stayed open: it hides itself instead.
void TPLUPrintForm::reject() {
    if (m_building || m_printing)
        return;
    ResetPrintWizard();
    m_repRichEdit->clear();
    m_pages->setCurrentIndex(0);
    QDialog::reject();
}

// --- building and printing --------------------------------------------------------

QFont TPLUPrintForm::ReportFont() const {
    QFont font = m_repRichEdit->font();
    font.setPointSize(m_printFontSize);
    return font;
}

PluPrintout::Choice TPLUPrintForm::CurrentChoice() const {
    PluPrintout::Choice choice;
    choice.Printed = {m_description2->isChecked(), m_pluPrice->isChecked(),   m_pluCost->isChecked(),
                      m_pluDept->isChecked(),      m_pluWp->isChecked(),      m_pluA->isChecked(),
                      m_pluPr->isChecked(),        m_pluBarcode->isChecked(), m_pluStock->isChecked()};
    choice.Form = m_printLayout;
    choice.From = m_printFrom;
    choice.To = m_printTo;
    choice.AllPlus = m_printAllPlus;
    choice.Style = {Shell().UiLanguage, DecimalSeparator(), m_previewCharset, m_previewRegisterFont};
    return choice;
}

void TPLUPrintForm::BuildPluReport(Mode mode) {
    if (!m_table || !m_status || m_building)
        return;
    if ((m_fromTo->isChecked() || m_fromToAll->isChecked()) && !m_to->text().isEmpty()) {
        const int from = LeadingNumber(m_from->text());
        const int to = LeadingNumber(m_to->text());
        if (to < from) {
            m_to->clear();
            m_to->setFocus();
            m_finalNext->setEnabled(false);
            return;
        }
        m_printFrom = from;
        m_printTo = to;
    }
    const PluPrintout::Choice choice = CurrentChoice();
    QStringList lines;
    const bool built = ListPlusForReport(choice, lines);
    m_printCancelled = !built;
    if (!built) {
        // The partial text is dropped; the wizard stays on its final page.
        m_repRichEdit->clear();
        m_printCancelled = false;
        return;
    }
    QFont font = ReportFont();
    m_repRichEdit->setFont(font);
    const QString text = lines.join(QLatin1Char('\n'));
    lines.clear();
    if (mode == Mode::Preview) {
        SetPreviewText(text);
        m_pages->setCurrentIndex(2);
        // The listing goes on the clipboard too, for pasting elsewhere.
        QApplication::clipboard()->setText(text);
        return;
    }
    if (PrintPluReport(text)) {
        m_repRichEdit->clear();
        m_pages->setCurrentIndex(0);
        ResetPrintWizard();
        hide();
    }
}

bool TPLUPrintForm::ListPlusForReport(const PluPrintout::Choice& choice, QStringList& lines) {
    m_building = true;
    const auto done = qScopeGuard([this] {
        m_building = false;
        m_status->Finish();
    });
    m_longestGapMs = 0;
    m_status->Start(choice.To - choice.From);
    if (choice.Form == PluPrintout::Layout::Matrix)
        lines << PluPrintout::MatrixHeader(choice.Printed, choice.Style);
    QElapsedTimer slice;
    slice.start();
    const auto runEvents = [&] {
        m_longestGapMs = std::max(m_longestGapMs, slice.elapsed());
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        slice.start();
    };
    runEvents();
    for (int n = choice.From; n <= choice.To; ++n) {
        if (slice.elapsed() >= SliceMs)
            runEvents();
        if (m_status->ReportCancel())
            return false;
        if (!PluPrintout::Listed(*m_table, n, choice))
            continue;
        if (n % 10 == 0 && n != 0)
            m_status->SetProgress(
                n - choice.From, QStringLiteral("%1 %").arg(PluPrintout::Percent(n, choice.From, choice.To)));
        PluPrintout::AppendPlu(*m_table, n, choice, lines);
    }
    runEvents();
    return !m_status->ReportCancel();
}

void TPLUPrintForm::SetPreviewText(const QString& text) {
    m_repRichEdit->clear();
    QElapsedTimer slice;
    slice.start();
    PagedTextPrint::AppendInPieces(*m_repRichEdit->document(), text, [&] {
        if (slice.elapsed() < SliceMs)
            return;
        m_longestGapMs = std::max(m_longestGapMs, slice.elapsed());
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        slice.start();
    });
    m_repRichEdit->moveCursor(QTextCursor::Start);
}

bool TPLUPrintForm::PrintPluReport(const QString& text) {
    m_printing = true;
    m_pagesPrinted = 0;
    const auto finished = qScopeGuard([this] {
        m_printing = false;
        emit PrintFinished();
    });
    QPrinter printer;
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // No printer here: the listing goes to a PDF file the user names.
        const QString path = FileDialogs::SaveFileName(
            this, {true, QStringLiteral("PDF File  (*.pdf)"), QStringLiteral("pdf")});
        if (path.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
    } else if (!FileDialogs::RunPrintDialog(this, printer)) {
        return false;
    }
    const QFont font = ReportFont();
    int widest = 0;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = text.indexOf(QLatin1Char('\n'), from);
        if (to < 0)
            to = text.size();
        widest = std::max(widest, int(to - from));
        from = to + 1;
    }
    // Lines too wide for the page across go on a page turned on its side, if
    // they fit that; otherwise they wrap (the formats say so), never cut.
    if (!LinesFit(printer, font, widest)) {
        const QPageLayout::Orientation turned = printer.pageLayout().orientation() == QPageLayout::Portrait
                                                    ? QPageLayout::Landscape
                                                    : QPageLayout::Portrait;
        const QPageLayout::Orientation chosen = printer.pageLayout().orientation();
        printer.setPageOrientation(turned);
        if (!LinesFit(printer, font, widest) && turned == QPageLayout::Portrait)
            printer.setPageOrientation(chosen);
    }
    printer.setDocName(QString());
    // A file is written beside its target and put in its place only once whole:
    // a failed job leaves an earlier file of that name as it was.
    const QString chosen =
        printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    // Through a link to its file; a device or FIFO is never printed over.
    const WriteTarget resolved = chosen.isEmpty() ? WriteTarget{} : ResolveWriteTarget(chosen);
    if (!resolved.Ok()) {
        MessageBoxes::Plain(
            this,
            PrintFailed + QStringLiteral("\n%1: %2").arg(QDir::toNativeSeparators(chosen), resolved.Refusal));
        return false;
    }
    const QString target = resolved.Path;
    const QString partial = target.isEmpty() ? QString() : target + QStringLiteral(".part");
    if (!partial.isEmpty()) {
        QFile::remove(partial);
        // A target that cannot be written is said before the job, not after
        // thousands of pages, with the system's reason.
        QFile probe(partial);
        if (!probe.open(QIODevice::WriteOnly)) {
            MessageBoxes::Plain(
                this,
                PrintFailed +
                    QStringLiteral("\n%1: %2").arg(QDir::toNativeSeparators(target), probe.errorString()));
            return false;
        }
        probe.close();
        printer.setOutputFileName(partial);
    }
    // The job takes a while for a long listing: the status dialog shows the
    // pages done and the time left, and its Cancel stops the job.
    m_status->Start(0);
    m_status->Progress()->setRange(0, 0);
    PagedTextPrint job(text, m_printFormats, font);
    job.SetCancelCheck([this] { return m_status->ReportCancel(); });
    QElapsedTimer clock;
    clock.start();
    connect(&job, &PagedTextPrint::PagePainted, this, [this, &clock](int page, int pages) {
        m_pagesPrinted = page;
        const qint64 left = clock.elapsed() * (pages - page) / qMax(page, 1);
        m_status->Progress()->setRange(0, pages);
        m_status->SetProgress(
            page, PrintMessages::PrintingProgress.Text().arg(page).arg(pages).arg(MinutesSeconds(left)));
    });
    bool printed = job.Run(printer);
    const bool cancelled = job.WasCancelled();
    m_status->Finish();
    m_longestGapMs = std::max(m_longestGapMs, job.LongestSliceMs());
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        printed = false;
    QString renameError;
    if (!partial.isEmpty()) {
        if (printed && QFileInfo::exists(partial))
            renameError = RenameOverTarget(partial, target);
        else
            printed = false;
        if (!printed || !renameError.isEmpty()) {
            QFile::remove(partial);
            printed = false;
        }
    }
    // Stopped by the user: nothing to report, the wizard stays where it was.
    if (!printed && !cancelled)
        MessageBoxes::Plain(
            this, renameError.isEmpty()
                      ? PrintFailed
                      : PrintFailed +
                            QStringLiteral("\n%1: %2").arg(QDir::toNativeSeparators(target), renameError));
    return printed;
}

void TPLUPrintForm::SetPreviewCharset(int charset, bool registerFont, QAction* item) {
    m_previewCharset = charset;
    m_previewRegisterFont = registerFont;
    item->setChecked(true);
    QFont font = m_repRichEdit->font();
    font.setFamily(QString::fromLatin1(registerFont ? RegisterFontName : PlainFontName));
    m_repRichEdit->setFont(font);
    // The stored texts read differently in another code page: the shown
    // listing is made again.
    if (m_pages->currentIndex() == 2 && !m_repRichEdit->document()->isEmpty())
        BuildPluReport(Mode::Preview);
}
