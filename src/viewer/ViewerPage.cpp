#include "viewer/ViewerPage.h"

#include "protocol/RegisterCharset.h"
#include "toolkit/CharsetSwitch.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/FieldBuilders.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"
#include "viewer/ViewerMessages.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using FieldBuilders::Button;

ViewerPage::ViewerPage(QWidget* parent)
    : ModePage(QStringLiteral("ViewerSheet"), QStringLiteral("CloseViewerSheet"), ViewerMessages::PageTitle,
               parent) {
    m_view = new LineView(this);
    m_view->setObjectName(QStringLiteral("ViewRich"));
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QString::fromLatin1(PlainFontName));
    font.setStyleHint(QFont::TypeWriter);
    m_view->setFont(font);
    m_view->setProperty(CharsetSwitch::CharsetProperty, RegisterCharsets::Cyrillic);
    Body()->addWidget(m_view, 1);

    m_progress = new ElidedLabel(this);
    m_progress->setObjectName(QStringLiteral("ViewProgress"));
    m_progress->hide();
    m_clear = Button(this, "ClearViewer", "Clear");
    m_clear->setEnabled(false);
    // Beside the page's Close button.
    auto* row = new QHBoxLayout;
    row->addWidget(m_progress, 1);
    row->addStretch(1);
    row->addWidget(m_clear);
    Body()->addLayout(row);

    connect(m_view, &LineView::TextChanged, this, &ViewerPage::ViewRichChange);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
        const auto* file = qobject_cast<const FileLineStore*>(m_view->Store().get());
        if (!file || m_shortened || QFileInfo(path).size() >= file->FileBytes())
            return;
        m_shortened = true;
        ShowProgress();
    });
    connect(m_clear, &QPushButton::clicked, this, &ViewerPage::ClearViewerClick);
}

QList<QWidget*> ViewerPage::TextViews() const {
    return {m_view};
}

bool ViewerPage::HasText() const {
    return !m_view->IsEmpty();
}

QString ViewerPage::ShowFile(const QString& path, int charset) {
    auto store = std::make_shared<FileLineStore>(path, charset);
    if (!store->Error().isEmpty())
        return store->Error();
    Unwatch();
    m_view->SetStore(store);
    m_watcher.addPath(path);
    ShowProgress();
    return {};
}

void ViewerPage::Unwatch() {
    m_shortened = false;
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
}

void ViewerPage::ShowText(const QString& text) {
    Unwatch();
    m_view->SetPlainText(text);
    ShowProgress();
}

QString ViewerPage::Text() const {
    return m_view->PlainText();
}

bool ViewerPage::Complete() const {
    return m_view->Store()->Complete();
}

void ViewerPage::SetWordWrap(bool on) {
    m_view->SetWordWrap(on);
}

void ViewerPage::ShowProgress() {
    const auto* file = qobject_cast<const FileLineStore*>(m_view->Store().get());
    if (file && m_shortened) {
        m_progress->setText(ViewerMessages::FileShortened.Text());
        m_progress->show();
        return;
    }
    if (!file || file->Complete()) {
        m_progress->hide();
        return;
    }
    const auto megaBytes = [](qint64 bytes) {
        return QString::number(double(bytes) / (1024 * 1024), 'f', 1);
    };
    m_progress->setText(ViewerMessages::ViewProgressText.Text()
                            .arg(megaBytes(file->IndexedBytes()), megaBytes(file->FileBytes()))
                            .arg(file->RowCount()));
    m_progress->show();
}

void ViewerPage::ViewRichChange() {
    ShowProgress();
    const bool on = HasText();
    if (on == m_hadText && m_clear->isEnabled() == on)
        return;
    m_hadText = on;
    m_clear->setEnabled(on);
    emit FileCommandsRequested(on);
}

void ViewerPage::ClearViewerClick() {
    Unwatch();
    m_view->Clear();
}
