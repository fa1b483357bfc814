#include "NibRegistrar.h"

#include "DataBrowser.h"
#include "IconWell.h"
#include "LAttachment.h"
#include "RadioGroup.h"
#include "SearchField.h"
#include "TextPane.h"
#include "UserPane.h"

#include <QTabBar>

NibRegistrar& NibRegistrar::Get()
{
    static NibRegistrar sRegistrar;
    return sRegistrar;
}

NibRegistrar::NibRegistrar()
{
    RegisterWidget("DataBrowser", 0, [](QWidget* parent) { return new DataBrowser(parent); });
    RegisterWidget("TextPane", 0, [](QWidget* parent) { return new TextPane(parent); });
    RegisterWidget("IconWell", 0, [](QWidget* parent) { return new IconWell(parent); });
    RegisterWidget("UserPane", 0, [](QWidget* parent) { return new UserPane(parent); });
    RegisterWidget("SearchField", 0, [](QWidget* parent) { return new SearchField(parent); });
    RegisterWidget("RadioGroup", 0, [](QWidget* parent) { return new RadioGroup(parent); });
    // Tab controls are bare tab bars over panes that code shows and hides; Designer's loader
    // cannot make one on its own.
    RegisterWidget("QTabBar", 0, [](QWidget* parent) { return new QTabBar(parent); });
}

void NibRegistrar::RegisterWidget(const QString& inClassName, ClassIDT inClassID, WidgetFactory inFactory)
{
    mWidgets.insert(inClassName, std::move(inFactory));
    if (inClassID != 0)
        mNamesByID.insert(inClassID, inClassName);
}

void NibRegistrar::RegisterAttachment(ClassIDT inClassID, AttachmentFactory inFactory)
{
    mAttachments.insert(inClassID, std::move(inFactory));
}

void NibRegistrar::UnregisterWidget(const QString& inClassName)
{
    mWidgets.remove(inClassName);
    for (auto it = mNamesByID.begin(); it != mNamesByID.end();) {
        if (it.value() == inClassName)
            it = mNamesByID.erase(it);
        else
            ++it;
    }
}

bool NibRegistrar::IsRegistered(const QString& inClassName) const { return mWidgets.contains(inClassName); }

QString NibRegistrar::ClassNameOf(ClassIDT inClassID) const { return mNamesByID.value(inClassID); }

QWidget* NibRegistrar::CreateWidget(const QString& inClassName, QWidget* inParent) const
{
    const auto found = mWidgets.constFind(inClassName);
    if (found == mWidgets.cend())
        return nullptr;
    return (*found)(inParent);
}

QWidget* NibRegistrar::CreateWidget(ClassIDT inClassID, QWidget* inParent) const
{
    const QString name = ClassNameOf(inClassID);
    return name.isEmpty() ? nullptr : CreateWidget(name, inParent);
}

std::unique_ptr<LAttachment> NibRegistrar::CreateAttachment(ClassIDT inClassID) const
{
    const auto found = mAttachments.constFind(inClassID);
    if (found == mAttachments.cend())
        return nullptr;
    return (*found)();
}
