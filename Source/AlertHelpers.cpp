#include "AlertHelpers.h"

#include "Presenter.h"

OSStatus ShowStandardAlert(const QString& inMessage, const QString& inExplanation)
{
    Presenter& presenter = Presenter::Get();
    presenter.Beep();
    const SInt16 button = presenter.ShowAlert(AlertKind::stop, inMessage, inExplanation, AlertButtons::ok);
    return button == kAlertNotShown ? OSStatus(paramErr) : OSStatus(noErr);
}

std::optional<QStringList> ChooseFile(const QString& inDefaultLocation, const QString& inMessage)
{
    return Presenter::Get().ChooseFiles(inMessage, inDefaultLocation);
}

bool ChooseOneFile(OSType inFileType, QString& outPath) { return Presenter::Get().ChooseOneFile(inFileType, &outPath); }

SInt16 ShowCautionAlert(const QString& inMessage, const QString& inExplanation)
{
    Presenter::Get().Beep();
    return Presenter::Get().ShowAlert(AlertKind::caution, inMessage, inExplanation, AlertButtons::okCancel);
}
