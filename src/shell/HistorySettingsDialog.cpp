#include "shell/HistorySettingsDialog.h"

#include "history/HistoryMessages.h"
#include "history/HistoryTarget.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The history keeps the name as text; a page of it helps nobody.
constexpr int ShopNameLength = 80;
constexpr int UrlLength = 1000;
} // namespace

HistorySettingsDialog::HistorySettingsDialog(const QString& shop, const QString& url, const QString& dataDir,
                                             int lang, QWidget* parent)
    : QDialog(parent), m_dataDir(dataDir), m_lang(lang) {
    using namespace HistoryMessages;
    setObjectName(QStringLiteral("HistorySettingsDialog"));
    setWindowTitle(HistorySettingsTitle.Text(lang));
    auto* layout = new QVBoxLayout(this);
    const auto field = [&](const Caption& caption, const char* labelName, const char* editName,
                           const QString& text, int length) {
        auto* label = new QLabel(caption.Text(lang), this);
        label->setObjectName(QLatin1String(labelName));
        label->setWordWrap(true);
        layout->addWidget(label);
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(QLatin1String(editName));
        edit->setMaxLength(length);
        edit->setMinimumWidth(420);
        label->setBuddy(edit);
        layout->addWidget(edit);
        return edit;
    };
    m_shop = field(ShopNameLabel, "ShopNameLabel", "ShopNameEdit", shop, ShopNameLength);
    m_url = field(PlaceLabel, "HistoryPlaceLabel", "HistoryPlaceEdit", url, UrlLength);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("HistoryPlaceRefusal"));
    m_refusal->setWordWrap(true);
    m_refusal->setStyleSheet(QStringLiteral("color: #b00000"));
    m_refusal->hide();
    layout->addWidget(m_refusal);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Ok.Text(lang), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("HistorySettingsOk"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(Cancel.Text(lang), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("HistorySettingsCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString HistorySettingsDialog::Shop() const {
    return m_shop->text().trimmed();
}

QString HistorySettingsDialog::Url() const {
    return m_url->text().trimmed();
}

void HistorySettingsDialog::accept() {
    HistoryTarget target;
    QString error;
    if (!ParseHistoryTarget(Url(), m_dataDir, target, error)) {
        m_refusal->setText(HistoryMessages::PlaceRefused.Text(m_lang).arg(error));
        m_refusal->show();
        adjustSize();
        m_url->setFocus();
        return;
    }
    QDialog::accept();
}
