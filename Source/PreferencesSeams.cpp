#include "PreferencesSeams.h"

#include "Presenter.h"

QWidget* gPreferencesWindow = nullptr;

void OpenPreferencesWindow() {}

void ShowPreferencesWindow() {}

void OpenServersWindow() {}

void CheckForUpdates(bool) {}

SInt16 ShowCautionAlert(const QString& inMessage, const QString& inExplanation)
{
    Presenter::Get().Beep();
    return Presenter::Get().ShowAlert(AlertKind::caution, inMessage, inExplanation, AlertButtons::okCancel);
}
