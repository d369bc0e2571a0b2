#include "shell/TIntroForm.h"

#include "shell/Browser.h"
#include "toolkit/MessageBoxes.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPixmap Banner(int width, int height, const QString& text, QColor from, QColor to, int pointSize) {
    QPixmap pixmap(width, height);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(pixmap.rect(), gradient);
    QFont font = painter.font();
    font.setBold(true);
    font.setPointSize(pointSize);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return pixmap;
}

QLabel* CentredLine(const QString& text, bool bold, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace

TIntroForm::TIntroForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TIntroForm"));
    setWindowTitle(QStringLiteral("About Orvex Commander"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(365, 291);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    auto* title = new QLabel(this);
    title->setObjectName(QStringLiteral("TitleImage"));
    title->setPixmap(Banner(330, 44, QStringLiteral("ORVEX COMMANDER"), QColor(0x00, 0x20, 0x70),
                            QColor(0x30, 0x80, 0xD0), 16));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    layout->addWidget(CentredLine(QStringLiteral("Orvex electronic cash registers"), true, this));
    layout->addWidget(CentredLine(QStringLiteral("The register's companion on the PC"), true, this));
    layout->addWidget(
        CentredLine(QStringLiteral("Sales monitor, fiscal printer, PLUs and reports"), false, this));
    auto* version = CentredLine(QStringLiteral("Orvex Commander <b><font color=\"#FF0000\">v1.90</font></b>"),
                                false, this);
    version->setObjectName(QStringLiteral("VersionLabel"));
    layout->addWidget(version);

    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("Strip"));
    strip->setFixedHeight(49);
    const QPixmap picture = Banner(ImageWidth, 45, QStringLiteral("ORVEX  *  ELECTRONIC CASH REGISTERS"),
                                   QColor(0x80, 0x00, 0x00), QColor(0xE0, 0x60, 0x20), 10);
    m_image1 = new QLabel(strip);
    m_image1->setObjectName(QStringLiteral("SMImage1"));
    m_image2 = new QLabel(strip);
    m_image2->setObjectName(QStringLiteral("SMImage2"));
    for (QLabel* image : {m_image1, m_image2}) {
        image->setPixmap(picture);
        image->resize(ImageWidth, 45);
    }
    layout->addWidget(strip);

    m_siteLink = new QLabel(QString::fromLatin1(SiteAddress), this);
    m_siteLink->setObjectName(QStringLiteral("SiteLink"));
    m_siteLink->setAlignment(Qt::AlignCenter);
    m_siteLink->setCursor(Qt::PointingHandCursor);
    QFont linkFont = m_siteLink->font();
    linkFont.setUnderline(true);
    m_siteLink->setFont(linkFont);
    QPalette linkPalette = m_siteLink->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    m_siteLink->setPalette(linkPalette);
    m_siteLink->installEventFilter(this);
    layout->addWidget(m_siteLink);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OKIntroBtn"));
    layout->addWidget(m_ok, 0, Qt::AlignCenter);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_startTimer.setObjectName(QStringLiteral("StartTimer"));
    m_startTimer.setInterval(3000);
    m_startTimer.setSingleShot(true);
    m_motionTimer.setObjectName(QStringLiteral("MotionTimer"));
    m_motionTimer.setInterval(2);
    connect(&m_startTimer, &QTimer::timeout, this, [this] { m_motionTimer.start(); });
    connect(&m_motionTimer, &QTimer::timeout, this, &TIntroForm::MotionTick);
    ResetStrip();
}

void TIntroForm::ShowAbout(QWidget* owner) {
    m_owner = owner;
    if (m_owner)
        m_owner->setEnabled(false);
    show();
    raise();
}

void TIntroForm::ResetStrip() {
    m_image1->move(StartLeft, 2);
    m_image2->move(m_image1->x() + m_image1->width() + Gap, 2);
}

void TIntroForm::MotionTick() {
    if (m_image1->x() < -325)
        m_image1->move(m_image2->x() + m_image1->width() + Gap, m_image1->y());
    if (m_image2->x() < -325)
        m_image2->move(m_image1->x() + m_image1->width() + Gap, m_image2->y());
    m_image1->move(m_image1->x() - 1, m_image1->y());
    m_image2->move(m_image2->x() - 1, m_image2->y());
}

void TIntroForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_startTimer.start();
}

void TIntroForm::Closed() {
    m_startTimer.stop();
    m_motionTimer.stop();
    ResetStrip();
    if (m_owner)
        m_owner->setEnabled(true);
    m_owner = nullptr;
}

void TIntroForm::closeEvent(QCloseEvent* event) {
    Closed();
    QDialog::closeEvent(event);
}

void TIntroForm::done(int result) {
    Closed();
    QDialog::done(result);
}

bool TIntroForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_siteLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        SiteLinkClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TIntroForm::SiteLinkClick() {
    if (!Browser::Open(QUrl(m_siteLink->text())))
        MessageBoxes::Plain(this, QStringLiteral("Cannot open Internet Explorer"));
}
