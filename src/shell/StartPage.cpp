#include "shell/StartPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int PictureSize = 72;

// The register, the line between them and the PC.
QPixmap Picture(int which) {
    QPixmap pixmap(PictureSize, PictureSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x20, 0x40), 2));
    if (which == 0) {
        p.setBrush(QColor(0xD8, 0xD8, 0xE0));
        p.drawRoundedRect(6, 30, 60, 36, 4, 4);
        p.setBrush(QColor(0x30, 0x60, 0x30));
        p.drawRect(14, 10, 30, 16);
        p.setBrush(QColor(0x40, 0x40, 0x60));
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 5; ++col)
                p.drawRect(12 + col * 10, 36 + row * 9, 6, 5);
        }
    } else if (which == 1) {
        p.setPen(QPen(QColor(0x00, 0x00, 0x80), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(10, 28, 62, 28);
        p.drawLine(10, 46, 62, 46);
        QPainterPath right;
        right.moveTo(62, 28);
        right.lineTo(52, 20);
        right.moveTo(62, 28);
        right.lineTo(52, 36);
        QPainterPath left;
        left.moveTo(10, 46);
        left.lineTo(20, 38);
        left.moveTo(10, 46);
        left.lineTo(20, 54);
        p.setBrush(Qt::NoBrush);
        p.drawPath(right);
        p.drawPath(left);
    } else {
        p.setBrush(QColor(0xD8, 0xD8, 0xE0));
        p.drawRoundedRect(6, 8, 60, 42, 3, 3);
        p.setBrush(QColor(0x30, 0x50, 0x90));
        p.drawRect(12, 14, 48, 30);
        p.setBrush(QColor(0xD8, 0xD8, 0xE0));
        p.drawRect(30, 50, 12, 8);
        p.drawRoundedRect(16, 58, 40, 7, 2, 2);
    }
    return pixmap;
}

} // namespace

StartPage::StartPage(QWidget* parent)
    : ModePage(QStringLiteral("StartSheet"), QString(), Caption{"", ""}, parent) {
    auto* title = new QLabel(QStringLiteral("Orvex Commander"), this);
    title->setObjectName(QStringLiteral("TitleLabel"));
    QFont titleFont = title->font();
    titleFont.setPointSize(26);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    title->setPalette(titlePalette);

    auto* cashRegister = new QLabel(QStringLiteral("ELECTRONIC CASH REGISTER"), this);
    cashRegister->setObjectName(QStringLiteral("EngCashReg"));
    QFont cashFont = cashRegister->font();
    cashFont.setPointSize(12);
    cashFont.setBold(true);
    cashRegister->setFont(cashFont);
    cashRegister->setAlignment(Qt::AlignCenter);

    auto* pictures = new QHBoxLayout;
    pictures->addStretch(1);
    for (int n = 0; n < 3; ++n) {
        auto* picture = new QLabel(this);
        picture->setObjectName(QStringLiteral("Image%1").arg(n + 1));
        picture->setPixmap(Picture(n));
        if (n > 0)
            pictures->addSpacing(24);
        pictures->addWidget(picture);
    }
    pictures->addStretch(1);

    m_exit = new QPushButton(QStringLiteral("Exit Commander"), this);
    m_exit->setObjectName(QStringLiteral("ExitCommander"));
    m_exit->setMinimumWidth(140);
    auto* exitRow = new QHBoxLayout;
    exitRow->addStretch(1);
    exitRow->addWidget(m_exit);
    exitRow->addStretch(1);

    Body()->addStretch(1);
    Body()->addWidget(title);
    Body()->addSpacing(8);
    Body()->addWidget(cashRegister);
    Body()->addSpacing(24);
    Body()->addLayout(pictures);
    Body()->addStretch(1);
    Body()->addLayout(exitRow);
    Body()->addSpacing(12);

    // Not in the layout: it lies beyond the page's visible area.
    m_terminate = new QPushButton(QStringLiteral("Terminate"), this);
    m_terminate->setObjectName(QStringLiteral("Terminate"));
    m_terminate->setGeometry(4000, 4000, 80, 25);

    connect(m_exit, &QPushButton::clicked, this, &StartPage::ExitCommanderClicked);
    connect(m_terminate, &QPushButton::clicked, this, &StartPage::TerminateClicked);
}
