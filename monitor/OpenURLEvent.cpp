#include "OpenURLEvent.h"

#include "AppleEvent.h"
#include "LDocApplication.h"
#include "RunOnMainContext.h"

void SendOpenURLEvent(const QString& urlText)
{
    RunOnMainContext([urlText] {
        if (LDocApplication* application = LDocApplication::GetDocApplication())
            application->DispatchAppleEvent(AppleEvent::Make(kInternetEventClass, kAEGetURL, {urlText}));
    });
}
