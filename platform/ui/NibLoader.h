// NibLoader: one nib, a folder of Qt Designer files (<folder>/<nib>/<window>.ui), open for
// making windows and menus by name. The folder is the compiled-in ":/nib" unless a test points
// elsewhere. A nib that does not exist is -43 (fnfErr) at CreateNibReference; a window or menu
// that is missing or fails to load gives null and an error text, and the caller goes on.
// Promoted classes are made through NibRegistrar: an unregistered class fails the load.
//
// After loading, the loader finishes what a .ui file cannot say:
//   - the window remembers its nib window name (property kWindowNameProperty);
//   - popups (QComboBox) take item commands from the string-list property `itemCommands`;
//   - bevel buttons (QToolButton) and search fields take a menu from `menuItems`
//     ("Text|CODE" entries, "-" for a separator), which makes a bevel button a pull-down;
//   - Data Browsers take their columns from `columns` (see DataBrowser);
//   - buttons, check boxes, popups and pull-down items are wired to the CommandRouter.
// A top-level QMenu .ui is a nib menu. GUI thread only.
#pragma once

#include "UITypes.h"

#include <QString>

#include <memory>

class NibLoader {
public:
    static constexpr const char* kWindowNameProperty = "nibWindow";

    // The folder that holds the nibs; ":/nib" by default.
    static QString NibFolder();
    static void SetNibFolder(const QString& inFolder); // empty restores the default

    // noErr and the nib, or fnfErr when no such nib exists.
    static OSStatus CreateNibReference(const QString& inNibName, std::unique_ptr<NibLoader>& outNib);

    explicit NibLoader(const QString& inNibPath);

    // A new top-level window (no parent), or null with LastError set.
    WindowRef CreateWindow(const QString& inWindowName);
    // A new menu from a top-level QMenu .ui, or null with LastError set.
    MenuRef CreateMenu(const QString& inMenuName);

    QString LastError() const { return mLastError; }
    QString Path() const { return mPath; }

    // Applies the properties above to a loaded widget tree (also for windows made by code).
    static void FinishLoadedWidgets(QWidget* inRoot);

private:
    QWidget* Load(const QString& inName);

    QString mPath;
    QString mLastError;
};
