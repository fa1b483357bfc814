#include "CAboutBox.h"

#include "CInternetConfig.h"
#include "CURLPushButton.h"
#include "ControlLookup.h"
#include "ControlValues.h"
#include "NibRegistrar.h"

namespace {
constexpr OSType kLinkSignature = 'KWRD';
constexpr PaneIDT kMailPane = 1;
constexpr PaneIDT kWebPane = 2;
constexpr PaneIDT kVersionPane = 'VERS';
} // namespace

CAboutBox::CAboutBox(QWidget* inParent)
    : QDialog(inParent)
{
}

CAboutBox::~CAboutBox() = default;

void CAboutBox::Register()
{
    NibRegistrar::Get().RegisterWidget(QStringLiteral("CAboutBox"), class_ID,
                                       [](QWidget* inParent) { return new CAboutBox(inParent); });
}

void CAboutBox::FinishCreateSelf(const QString& inVersion)
{
    for (PaneIDT pane : {kWebPane, kMailPane}) {
        if (auto* link = qobject_cast<CURLPushButton*>(ControlLookup::FindPaneByID(this, pane)))
            link->AddListener(this);
    }
    mInternetConfig = std::make_unique<CInternetConfig>(kLinkSignature);
    mInstanceStarted = mInternetConfig->Start() == noErr;
    SetControlTitleWithCFString(ControlLookup::FindPaneByID(this, kVersionPane),
                                QStringLiteral("Version: ") + inVersion);
}

void CAboutBox::ListenToMessage(MessageT inMessage, void*)
{
    if (!mInstanceStarted)
        return;
    QString link;
    if (inMessage == kWebMessage)
        link = LinkTextOfPane(kWebPane);
    else if (inMessage == kMailMessage)
        link = LinkTextOfPane(kMailPane);
    if (!link.isEmpty())
        mInternetConfig->LaunchURL(link.toUtf8().constData());
}

QString CAboutBox::LinkTextOfPane(PaneIDT inPane) const
{
    auto* link = qobject_cast<CURLPushButton*>(ControlLookup::FindPaneByID(const_cast<CAboutBox*>(this), inPane));
    return link ? link->GetLinkText() : QString();
}
