#include "app/AboutBox.h"

#include "app/LogoWindow.h"
#include "platform/DialogSupport.h"
#include "platform/HelpViewer.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace netrova {

TAboutBox::TAboutBox(HelpViewer& help, QWidget* parent) : QDialog(parent), help_(help) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(LogoPicture(devicePixelRatio()));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    panelLayout->addWidget(ProgramIcon);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(HelpBtn);
    buttons->addStretch(1);

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addWidget(panel);
    main->addLayout(buttons);

    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::accept);
    connect(HelpBtn, &QPushButton::clicked, this, &TAboutBox::HelpBtnClick);
    HelpKey(*this, *HelpBtn);
    FitOnScreen(*this);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::HelpBtnClick() {
    help_.ShowContext(HelpContext::About);
}

} // namespace netrova
