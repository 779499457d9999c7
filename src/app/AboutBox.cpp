#include "app/AboutBox.h"

#include "app/LogoWindow.h"
#include "platform/DialogSupport.h"
#include "platform/HelpViewer.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace netrova {

TAboutBox::TAboutBox(HelpViewer& help, QWidget* parent) : QDialog(parent), help_(help) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("PictureFrame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ProgramIcon = new QLabel(frame);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(LogoPicture(devicePixelRatio()));
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(4, 4, 4, 4);
    frameLayout->addWidget(ProgramIcon);

    const DialogButtons buttons =
        MakeButtonRow(*this, {.cancel = false, .form = false, .centred = true});
    OKButton = buttons.ok;
    HelpButton = buttons.help;

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addWidget(frame);
    main->addLayout(buttons.row);

    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::accept);
    connect(HelpButton, &QPushButton::clicked, this, &TAboutBox::HelpClick);
    FitOnScreen(*this);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::HelpClick() {
    help_.ShowContext(HelpContext::About);
}

} // namespace netrova
