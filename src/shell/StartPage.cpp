#include "shell/StartPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

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
    const QStyle::StandardPixmap icons[] = {QStyle::SP_ComputerIcon, QStyle::SP_DriveNetIcon,
                                            QStyle::SP_FileDialogDetailedView};
    int n = 1;
    for (const auto icon : icons) {
        auto* picture = new QLabel(this);
        picture->setObjectName(QStringLiteral("Image%1").arg(n++));
        picture->setPixmap(style()->standardIcon(icon).pixmap(64, 64));
        pictures->addWidget(picture);
        pictures->addSpacing(24);
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
