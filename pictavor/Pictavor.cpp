#include "Pictavor.h"

#include "WebViewController.h"

namespace pictavor {

Pictavor::Pictavor(WebViewController& controller) : fController(controller)
{
    fController.SetLoaded(false);
    fController.SetObserver(this);
    fRegistered = true;
}

Pictavor::~Pictavor()
{
    if (fRegistered)
        fController.SetObserver(nullptr);
}

void Pictavor::WebPageFinishedLoading()
{
    if (!fRegistered)
        return;
    fController.SetObserver(nullptr);
    fRegistered = false;
    fController.SetLoaded(true);
}

} // namespace pictavor
