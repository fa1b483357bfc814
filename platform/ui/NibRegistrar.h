// NibRegistrar: the classes a nib may name beyond Qt's own widgets. A promoted widget in a .ui
// file names its class; the registrar makes it, so the kind is always the one the nib asked for
// (an unknown class is a load error, never Qt's silent fall-back to the base class). Classes may
// also carry a four-character class ID ('URpb', 'CDDT', 'Abot'); attachments ('RSiz') are made
// by ID only. The layer's own kinds (DataBrowser, TextPane, IconWell, UserPane, SearchField,
// RadioGroup) are registered on first use, and so is QTabBar, which Qt's loader cannot make.
// GUI thread only; registering a name twice replaces it.
#pragma once

#include "UITypes.h"

#include <QMap>
#include <QString>

#include <functional>
#include <memory>

class LAttachment;

class NibRegistrar {
public:
    using WidgetFactory = std::function<QWidget*(QWidget* inParent)>;
    using AttachmentFactory = std::function<std::unique_ptr<LAttachment>()>;

    static NibRegistrar& Get();

    void RegisterWidget(const QString& inClassName, ClassIDT inClassID, WidgetFactory inFactory);
    void RegisterAttachment(ClassIDT inClassID, AttachmentFactory inFactory);
    void UnregisterWidget(const QString& inClassName);

    bool IsRegistered(const QString& inClassName) const;
    QString ClassNameOf(ClassIDT inClassID) const; // empty when unknown
    // Null when the class is unknown.
    QWidget* CreateWidget(const QString& inClassName, QWidget* inParent) const;
    QWidget* CreateWidget(ClassIDT inClassID, QWidget* inParent) const;
    std::unique_ptr<LAttachment> CreateAttachment(ClassIDT inClassID) const;

private:
    NibRegistrar();
    QMap<QString, WidgetFactory> mWidgets;
    QMap<ClassIDT, QString> mNamesByID;
    QMap<ClassIDT, AttachmentFactory> mAttachments;
};
