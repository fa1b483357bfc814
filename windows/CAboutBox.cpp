#include "CAboutBox.h"

#include "NibRegistrar.h"

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
