#include "database/TDataForm.h"

#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "database/DatabaseMessages.h"
#include "database/PluSearch.h"
#include "database/PluSettings.h"
#include "database/PluTableModel.h"
#include "protocol/ConversionError.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"
#include "toolkit/CharacterFilter.h"
#include "toolkit/DecimalSeparator.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/LimitMark.h"
#include "toolkit/MessageBoxes.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

using FieldBuilders::Button;
using FieldBuilders::Edit;
using FieldBuilders::Label;
using FieldBuilders::Named;

namespace {

constexpr int SearchRowHeight = 18;

// Keeps an edit to the characters its key rule allows, typed or pasted. Text
// put in by the program (a description copied from the grid) may hold other
// characters; only an edit that adds refused ones is undone.
void KeepToRule(QLineEdit* field, CharacterFilter::Refused rejected) {
    CharacterFilter::Install(field, std::move(rejected), CharacterFilter::Baseline::Accepted);
}

QTableView* GridView(QWidget* parent, const char* name, PluTableModel* model) {
    auto* view = Named(new QTableView(parent), name);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    // Fixed rows keep 10000 of them cheap: nothing is measured row by row.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(SearchRowHeight);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    for (int c = 0; c < PluCells::ColumnCount; ++c)
        view->setColumnWidth(c, PluCells::ColumnWidths[size_t(c)]);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QFont font(QString::fromLatin1(PlainFontName));
    font.setStyleHint(QFont::TypeWriter);
    view->setFont(font);
    return view;
}

// The text a control of this window rests at, as its caption table gives it.
QString RestingCaption(const char* control, int lang) {
    for (const ControlCaption& row : Captions::DataFormCaptions()) {
        if (qstrcmp(row.Form, "TDataForm") == 0 && qstrcmp(row.Control, control) == 0)
            return row.Text.Text(lang);
    }
    return {};
}

enum FieldIndex { FDepartment, FDeactivate, FPrice, FNetPrice, FUnit, FStock, FInitialise };

} // namespace

TDataForm::TDataForm(PluTable& table, QWidget* parent) : QDialog(parent), m_table(table) {
    setObjectName(QStringLiteral("TDataForm"));
    setWindowTitle(QStringLiteral("PLU Data Form"));
    // The main window waits while this one is up.
    setWindowModality(Qt::ApplicationModal);
    m_gridModel = new PluTableModel(m_table, this);
    m_searchModel = new PluTableModel(m_table, this);
    m_searchModel->ShowOnly({});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_pages = Named(new QStackedWidget(this), "DataPages");
    m_gridPage = BuildGridPage();
    m_searchPage = BuildSearchPage();
    m_pages->addWidget(m_gridPage);
    m_pages->addWidget(m_searchPage);
    layout->addWidget(m_pages, 1);
    layout->addWidget(BuildStandardBar());
    BuildPopup();
    ConnectControls();
    m_gridModel->SetStyle(CurrentStyle());
    m_searchModel->SetStyle(CurrentStyle());
    m_fieldCombo->addItems(Captions::PluSettingsFields(Language()));
    resize(1180, 620);
}

TDataForm::~TDataForm() = default;

QWidget* TDataForm::BuildGridPage() {
    auto* page = Named(new QWidget(this), "DataFSets");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    m_grid = GridView(page, "Grid", m_gridModel);
    layout->addWidget(m_grid, 1);
    layout->addWidget(BuildSetsPanel());
    return page;
}

QWidget* TDataForm::BuildSetsPanel() {
    m_setsPanel = Named(new QFrame(this), "SetsPanel");
    m_setsPanel->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(m_setsPanel);
    grid->setContentsMargins(6, 4, 6, 4);
    auto* title = new QVBoxLayout;
    title->addWidget(Label(m_setsPanel, "ModPLULabel", "PLU settings"));
    title->addWidget(Label(m_setsPanel, "ModPLULabel2", ""));
    grid->addLayout(title, 0, 0, 2, 1);
    m_fromPlu = Edit(m_setsPanel, "FromPLU", 4, 56);
    m_fromPlu->setText(QStringLiteral("0"));
    m_toPlu = Edit(m_setsPanel, "ToPLU", 4, 56);
    m_toPlu->setText(QStringLiteral("9999"));
    grid->addWidget(Label(m_setsPanel, "FromLabel", "From:"), 0, 1);
    grid->addWidget(m_fromPlu, 0, 2);
    grid->addWidget(Label(m_setsPanel, "ToLabel", "To:"), 1, 1);
    grid->addWidget(m_toPlu, 1, 2);
    m_fieldCombo = Named(new QComboBox(m_setsPanel), "FieldComboBox");
    m_fieldCombo->setMinimumWidth(160);
    grid->addWidget(Label(m_setsPanel, "FieldLabel", "Field"), 0, 3);
    grid->addWidget(m_fieldCombo, 1, 3);
    m_valueLabel = Label(m_setsPanel, "ValueLabel", "Value");
    m_valueCombo = Named(new QComboBox(m_setsPanel), "ValueComboBox");
    m_valueCombo->setMinimumWidth(160);
    // Stands in for the arrow of the value box while a value is typed.
    m_hidePanel = Named(new QFrame(m_setsPanel), "HidePanel");
    m_hidePanel->hide();
    grid->addWidget(m_valueLabel, 0, 4);
    grid->addWidget(m_valueCombo, 1, 4);
    grid->addWidget(m_hidePanel, 1, 5);
    m_mwrActive = Named(new QRadioButton(QStringLiteral("Active"), m_setsPanel), "MWRActive");
    m_mwrAll = Named(new QRadioButton(QStringLiteral("All"), m_setsPanel), "MWRAll");
    m_mwrAll->setChecked(true);
    auto* filter = new QButtonGroup(m_setsPanel);
    filter->addButton(m_mwrActive);
    filter->addButton(m_mwrAll);
    grid->addWidget(m_mwrActive, 0, 6);
    grid->addWidget(m_mwrAll, 1, 6);
    m_okButton = Button(m_setsPanel, "OKButton", "OK");
    grid->addWidget(m_okButton, 0, 7, 2, 1);
    grid->setColumnStretch(8, 1);
    m_setsPanel->hide();
    return m_setsPanel;
}

QWidget* TDataForm::BuildSearchPage() {
    auto* page = Named(new QWidget(this), "DataFSearch");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    m_searchDescr = Edit(page, "SearchDescrEdit", DescriptionLength, 130);
    m_searchBarcd = Edit(page, "SearchBarcdEdit", BarcodeLength, 190);
    m_searchBtn = Button(page, "SearchBtn", "");
    m_searchBtn->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    m_searchAnimate = Named(new QProgressBar(page), "SearchAnimate");
    m_searchAnimate->setRange(0, 0);
    m_searchAnimate->setMaximumWidth(120);
    m_searchAnimate->hide();
    row->addWidget(Label(page, "SearchDescr", "Description"));
    row->addWidget(m_searchDescr);
    row->addWidget(Label(page, "SearchBarcd", "Barcode"));
    row->addWidget(m_searchBarcd);
    row->addWidget(m_searchBtn);
    row->addWidget(m_searchAnimate);
    row->addStretch(1);
    layout->addLayout(row);
    m_searchGrid = GridView(page, "SearchGrid", m_searchModel);
    layout->addWidget(m_searchGrid, 1);
    return page;
}

QWidget* TDataForm::BuildStandardBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_standardPanel = Named(new QFrame(bar), "StandardPanel");
    auto* panel = new QHBoxLayout(m_standardPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    m_pluCode = Edit(m_standardPanel, "PLUCode", 4, 56);
    m_gridDescr = Edit(m_standardPanel, "GridDescr", DescriptionLength, 130);
    QFont font(QString::fromLatin1(PlainFontName));
    font.setStyleHint(QFont::TypeWriter);
    m_gridDescr->setFont(font);
    m_goToPlu = Button(m_standardPanel, "GoToPLU", "Go");
    m_goToPlu->setEnabled(false);
    m_goToPlu->hide();
    m_showSets = Button(m_standardPanel, "ShowSets", "Show PLU settings");
    panel->addWidget(Label(m_standardPanel, "DataCode", "PLU Code"));
    panel->addWidget(m_pluCode);
    panel->addWidget(m_goToPlu);
    panel->addWidget(Label(m_standardPanel, "DescrLabel", "Description"));
    panel->addWidget(m_gridDescr);
    panel->addWidget(m_showSets);
    m_findPlus = Button(bar, "FindPLUs", "Search...");
    m_dataClose = Button(bar, "DataClose", "Close");
    m_dataClose->setAutoDefault(false);
    for (QPushButton* button : {m_goToPlu, m_showSets, m_findPlus, m_okButton, m_searchBtn})
        button->setAutoDefault(false);
    row->addWidget(m_standardPanel);
    row->addStretch(1);
    row->addWidget(m_findPlus);
    row->addWidget(m_dataClose);
    return bar;
}

void TDataForm::BuildPopup() {
    m_langPopup = Named(new QMenu(this), "LangPopupMenu");
    auto* group = new QActionGroup(m_langPopup);
    const std::pair<const char*, const char*> items[] = {{"MnDefault", "Default"},
                                                         {"MnCyrilic", "Cyrillic"},
                                                         {"MnLatin", "Latin"},
                                                         {"MnCRAsciiletters", "CR Ascii letters"}};
    for (const auto& [name, text] : items) {
        QAction* item = m_langPopup->addAction(QString::fromLatin1(text));
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        group->addAction(item);
        m_charsetItems << item;
    }
    m_charsetItems[1]->setChecked(true);
    connect(m_charsetItems[0], &QAction::triggered, this,
            [this] { SetGridCharset(RegisterCharsets::Default, false, m_charsetItems[0]); });
    connect(m_charsetItems[1], &QAction::triggered, this,
            [this] { SetGridCharset(RegisterCharsets::Cyrillic, false, m_charsetItems[1]); });
    connect(m_charsetItems[2], &QAction::triggered, this,
            [this] { SetGridCharset(RegisterCharsets::Latin, false, m_charsetItems[2]); });
    connect(m_charsetItems[3], &QAction::triggered, this,
            [this] { SetGridCharset(RegisterCharsets::Cyrillic, true, m_charsetItems[3]); });
    for (QTableView* view : {m_grid, m_searchGrid}) {
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { m_langPopup->popup(view->viewport()->mapToGlobal(at)); });
    }
}

void TDataForm::ConnectControls() {
    KeepToRule(m_pluCode, [](QChar c) { return CodeKeyRejected(c); });
    KeepToRule(m_fromPlu, [](QChar c) { return CodeKeyRejected(c); });
    KeepToRule(m_toPlu, [](QChar c) { return CodeKeyRejected(c); });
    const auto registerText = [this](QLineEdit* field) {
        return [this, field](QChar c) {
            // What the register shows under every charset, and what the charset adds.
            const std::optional<uint8_t> b = CodePageByte(c, m_gridCharset);
            if (b && *b >= 0x20 && *b <= 0x5A)
                return false;
            return RegisterTextKeyRejected(c, m_gridCharset, field->font().family());
        };
    };
    KeepToRule(m_gridDescr, registerText(m_gridDescr));
    KeepToRule(m_searchDescr, registerText(m_searchDescr));
    KeepToRule(m_searchBarcd, [](QChar c) { return TextKeyRejected(c); });

    connect(m_pluCode, &QLineEdit::textChanged, this, &TDataForm::PLUCodeChange);
    connect(m_gridDescr, &QLineEdit::textChanged, this, &TDataForm::GridDescrChange);
    connect(m_pluCode, &QLineEdit::returnPressed, this, &TDataForm::GoToPLUClick);
    connect(m_goToPlu, &QPushButton::clicked, this, &TDataForm::GoToPLUClick);
    connect(m_showSets, &QPushButton::clicked, this, &TDataForm::ShowSetsClick);
    connect(m_findPlus, &QPushButton::clicked, this, &TDataForm::FindPLUsClick);
    connect(m_dataClose, &QPushButton::clicked, this, &TDataForm::DataCloseClick);
    // The field the user works in is the one searched by.
    connect(m_searchDescr, &QLineEdit::textEdited, this, [this] { m_searchByBarcode = false; });
    connect(m_searchBarcd, &QLineEdit::textEdited, this, [this] { m_searchByBarcode = true; });
    connect(m_searchBtn, &QPushButton::clicked, this, &TDataForm::SearchBtnClick);
    connect(m_searchDescr, &QLineEdit::returnPressed, this, &TDataForm::SearchBtnClick);
    connect(m_searchBarcd, &QLineEdit::returnPressed, this, &TDataForm::SearchBtnClick);
    connect(m_okButton, &QPushButton::clicked, this, &TDataForm::OKButtonClick);
    connect(m_fieldCombo, &QComboBox::currentIndexChanged, this, &TDataForm::FieldComboBoxChange);
    for (QLineEdit* field : {m_fromPlu, m_toPlu}) {
        connect(field, &QLineEdit::textEdited, this, [this, field] { RangeKeyUp(field); });
        connect(field, &QLineEdit::editingFinished, this, [this, field] { RangeExit(field); });
    }
    for (QWidget* field : std::initializer_list<QWidget*>{m_searchDescr, m_searchBarcd, m_pluCode})
        field->installEventFilter(this);
}

// --- showing and closing ------------------------------------------------------

int TDataForm::Language() const {
    return Shell().UiLanguage;
}

PluCells::Style TDataForm::CurrentStyle() const {
    return {Language(), DecimalSeparator(), m_gridCharset, m_gridRegisterFont};
}

void TDataForm::showEvent(QShowEvent* event) {
    if (m_gridStale) {
        FormFill();
        m_gridStale = false;
    }
    QDialog::showEvent(event);
    m_pluCode->setFocus();
}

void TDataForm::closeEvent(QCloseEvent* event) {
    DataFSearchShow();
    m_findPlus->setText(RestingCaption("FindPLUs", Language()));
    m_pages->setCurrentWidget(m_gridPage);
    m_standardPanel->show();
    QDialog::closeEvent(event);
}

void TDataForm::DataCloseClick() {
    close();
}

void TDataForm::FormFill() {
    m_gridModel->SetStyle(CurrentStyle());
    m_searchModel->SetStyle(CurrentStyle());
}

void TDataForm::SetGridStale() {
    if (isVisible())
        FormFill();
    else
        m_gridStale = true;
}

void TDataForm::RefreshRows(int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, PluTable::Size - 1);
    if (from > to)
        return;
    m_gridModel->RefreshPlus(from, to);
    m_searchModel->RefreshAll();
}

void TDataForm::SetLanguage(int lang) {
    Q_UNUSED(lang);
    // The caption tables give these their resting texts; they follow the state.
    m_showSets->setText(m_setsPanel->isVisibleTo(this) ? Captions::Database::HidePluSettings.Text(Language())
                                                       : RestingCaption("ShowSets", Language()));
    m_findPlus->setText(m_pages->currentWidget() == m_searchPage
                            ? Captions::Database::HideSearch.Text(Language())
                            : RestingCaption("FindPLUs", Language()));
    FormFill();
}

int TDataForm::CurrentPlu() const {
    return m_gridModel->PluOfRow(m_grid->currentIndex().row());
}

void TDataForm::SelectPlu(int n) {
    const int row = m_gridModel->RowOfPlu(n);
    if (row < 0)
        return;
    const QModelIndex index = m_gridModel->index(row, PluCells::Description);
    m_grid->setCurrentIndex(index);
    m_grid->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

// --- jumping ------------------------------------------------------------------

void TDataForm::PLUCodeChange() {
    const QString text = m_pluCode->text();
    if (text.isEmpty())
        return;
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || !PluTable::Contains(n))
        return;
    SelectPlu(n);
    // The copy must not start a jump by description of its own.
    m_copyingDescription = true;
    m_gridDescr->setText(PluCells::Text(m_table[n], n, PluCells::Description, CurrentStyle()));
    m_copyingDescription = false;
}

void TDataForm::GoToPLUClick() {
    const QString text = m_pluCode->text();
    if (text.isEmpty())
        return;
    m_goToPlu->setEnabled(false);
    bool ok = false;
    const int n = text.toInt(&ok);
    if (ok && PluTable::Contains(n))
        SelectPlu(n);
    const QSignalBlocker blocker(m_pluCode);
    m_pluCode->clear();
}

void TDataForm::GridDescrChange() {
    if (m_copyingDescription)
        return;
    const QString text = m_gridDescr->text();
    if (text.isEmpty()) {
        SelectPlu(0);
        return;
    }
    const std::optional<int> n =
        PluSearch::First(m_table, PluSearch::Field::Description, PluCells::TypedBytes(text, CurrentStyle()));
    if (n)
        SelectPlu(*n);
}

// --- settings panel and search page -------------------------------------------

void TDataForm::ShowSetsClick() {
    const bool show = !m_setsPanel->isVisibleTo(this);
    m_setsPanel->setVisible(show);
    m_showSets->setText(show ? Captions::Database::HidePluSettings.Text(Language())
                             : RestingCaption("ShowSets", Language()));
}

void TDataForm::FindPLUsClick() {
    if (m_pages->currentWidget() == m_gridPage) {
        m_pages->setCurrentWidget(m_searchPage);
        m_standardPanel->hide();
        m_findPlus->setText(Captions::Database::HideSearch.Text(Language()));
        m_searchDescr->setFocus();
    } else {
        m_pages->setCurrentWidget(m_gridPage);
        m_standardPanel->show();
        m_findPlus->setText(RestingCaption("FindPLUs", Language()));
    }
}

void TDataForm::DataFSearchShow() {
    m_searchModel->ShowOnly({});
    m_searchDescr->clear();
    m_searchBarcd->clear();
}

void TDataForm::SearchBtnClick() {
    const QString text = m_searchByBarcode ? m_searchBarcd->text() : m_searchDescr->text();
    if (text.isEmpty())
        return;
    m_searchAnimate->show();
    const QList<int> found =
        PluSearch::All(m_table, m_searchByBarcode ? PluSearch::Field::Barcode : PluSearch::Field::Description,
                       PluCells::TypedBytes(text, CurrentStyle()));
    m_searchModel->ShowOnly(found);
    m_searchAnimate->hide();
    const int lang = Language();
    MessageBoxes::Plain(this, found.isEmpty()
                                  ? DatabaseMessages::NotFound.Text(lang)
                                  : QString::number(found.size()) + DatabaseMessages::Found.Text(lang));
}

void TDataForm::FieldComboBoxChange() {
    const int field = m_fieldCombo->currentIndex();
    const QSignalBlocker blocker(m_valueCombo);
    m_valueCombo->clear();
    bool visible = true;
    switch (field) {
    case FDepartment:
    case FUnit:
        m_valueCombo->setEditable(false);
        if (field == FDepartment) {
            for (int d = 1; d <= 9; ++d)
                m_valueCombo->addItem(QString::number(d));
        } else {
            m_valueCombo->addItems(Captions::UnitNames(Language()));
        }
        m_valueCombo->setCurrentIndex(-1);
        m_hidePanel->hide();
        break;
    case FPrice:
    case FNetPrice:
    case FStock:
        m_valueCombo->setEditable(true);
        m_valueCombo->lineEdit()->setMaxLength(10);
        KeepToRule(m_valueCombo->lineEdit(),
                   [](QChar c) { return DecimalKeyRejected(c, DecimalSeparator()); });
        connect(m_valueCombo->lineEdit(), &QLineEdit::textChanged, this, &TDataForm::ValueComboBoxKeyUp,
                Qt::UniqueConnection);
        ValueComboBoxKeyUp();
        m_hidePanel->show();
        break;
    default:
        visible = false;
        m_hidePanel->hide();
        break;
    }
    m_valueCombo->setVisible(visible);
    m_valueLabel->setEnabled(visible);
    if (visible && isVisible())
        m_valueCombo->setFocus();
}

// A value above the field's limit is kept as typed and marked; OK refuses it.
// Cut to the limit, a slip of one digit too many would become the price of
// the whole range.
void TDataForm::ValueComboBoxKeyUp() {
    QLineEdit* edit = m_valueCombo->lineEdit();
    if (!edit)
        return;
    bool ok = false;
    const double value = QLocale::system().toDouble(edit->text(), &ok);
    const QChar separator = DecimalSeparator();
    const int field = m_fieldCombo->currentIndex();
    QString limit;
    if ((field == FPrice || field == FNetPrice) && ok && value > PluSettings::MaxPrice + 1e-9)
        limit = FormatAmount(PluSettings::MaxPrice, separator);
    else if (field == FStock && ok && value > PluSettings::MaxDecimalStock + 1e-9)
        limit = QString::number(PluSettings::MaxDecimalStock, 'f', 3).replace(QLatin1Char('.'), separator);
    if (limit.isEmpty())
        LimitMark::Clear(edit);
    else
        LimitMark::Set(edit, DatabaseMessages::ValueOverLimit.Text(Language()).arg(edit->text(), limit));
}

void TDataForm::RangeKeyUp(QLineEdit* field) {
    bool ok = false;
    if (field->text().toInt(&ok) > PluTable::Size - 1 && ok)
        field->setText(QStringLiteral("9999"));
}

void TDataForm::RangeExit(QLineEdit* field) {
    bool fromOk = false;
    bool toOk = false;
    const int from = m_fromPlu->text().toInt(&fromOk);
    const int to = m_toPlu->text().toInt(&toOk);
    if (!fromOk || !toOk || from <= to)
        return;
    if (field == m_fromPlu)
        m_fromPlu->setText(m_toPlu->text());
    else
        m_toPlu->setText(m_fromPlu->text());
}

void TDataForm::OKButtonClick() {
    const int lang = Language();
    try {
        PluSettings::Request request;
        request.Which = static_cast<PluSettings::Field>(m_fieldCombo->currentIndex());
        if (m_fieldCombo->currentIndex() < 0)
            return;
        request.From = PluSettings::RangeNumber(m_fromPlu->text());
        request.To = PluSettings::RangeNumber(m_toPlu->text());
        request.ActiveOnly = m_mwrActive->isChecked();
        request.Value = m_valueCombo->currentText();
        request.UnitIndex = m_valueCombo->currentIndex();
        request.DecimalSeparator = DecimalSeparator();
        if (request.Which == PluSettings::Field::Initialise ||
            request.Which == PluSettings::Field::Deactivate) {
            if (request.From > request.To) {
                MessageBoxes::Plain(
                    this, DatabaseMessages::RangeReversed.Text(lang).arg(request.From).arg(request.To));
                return;
            }
            const int count =
                PluSettings::CountAffected(m_table, request.From, request.To, request.ActiveOnly);
            if (count == 0) {
                MessageBoxes::Plain(
                    this, DatabaseMessages::NothingInRange.Text(lang).arg(request.From).arg(request.To));
                return;
            }
            const Caption& question = request.Which == PluSettings::Field::Initialise
                                          ? DatabaseMessages::ConfirmInitialise
                                          : DatabaseMessages::ConfirmDeactivate;
            const auto answer = MessageBoxes::Show(
                this, {QString::fromLatin1(ProgramTitle),
                       question.Text(lang).arg(count).arg(request.From).arg(request.To),
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No});
            if (answer != QMessageBox::Yes)
                return;
        }
        const PluSettings::Result result = PluSettings::Apply(m_table, request, lang);
        if (result.Refused()) {
            MessageBoxes::Plain(this, result.Refusal);
            return;
        }
        if (result.Changed > 0) {
            Shell().DatabaseChanged = true;
            emit TableChanged(request.From, request.To);
        }
        if (!result.KeptMessage.isEmpty())
            MessageBoxes::Plain(this, result.KeptMessage);
    } catch (const ConversionError& error) {
        MessageBoxes::Plain(this, error.Message());
    }
}

void TDataForm::SetGridCharset(int charset, bool registerFont, QAction* item) {
    m_gridCharset = charset;
    m_gridRegisterFont = registerFont;
    const QString face = QString::fromLatin1(registerFont ? RegisterFontName : PlainFontName);
    for (QWidget* control : std::initializer_list<QWidget*>{m_grid, m_gridDescr}) {
        QFont font = control->font();
        font.setFamily(face);
        control->setFont(font);
    }
    item->setChecked(true);
    m_gridModel->SetStyle(CurrentStyle());
    m_searchModel->SetStyle(CurrentStyle());
}

bool TDataForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_searchDescr)
            m_searchByBarcode = false;
        else if (watched == m_searchBarcd)
            m_searchByBarcode = true;
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            if (watched == m_searchDescr || watched == m_searchBarcd) {
                FindPLUsClick();
                return true;
            }
            if (watched == m_pluCode) {
                hide();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
