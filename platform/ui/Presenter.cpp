#include "Presenter.h"

#include "DialogPresenter.h"

namespace {
Presenter*& Installed()
{
    static Presenter* sPresenter = nullptr;
    return sPresenter;
}
} // namespace

Presenter::~Presenter()
{
    if (Installed() == this)
        Installed() = nullptr;
}

Presenter& Presenter::Get()
{
    if (Installed())
        return *Installed();
    static DialogPresenter sDefault;
    return sDefault;
}

Presenter* Presenter::Install(Presenter* inPresenter)
{
    Presenter* previous = Installed();
    Installed() = inPresenter;
    return previous;
}
