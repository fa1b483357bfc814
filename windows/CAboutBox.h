// CAboutBox: the about window (nib "Brevanto", window "About", class ID 'Abot'). It shows
// "Version: " and the application's version, and two link buttons: pane 1 writes mail
// (message 'Mail'), pane 2 opens the web site (message 'WWW '). A link is launched through an
// Internet settings session started when the window is finished; when the session does not
// start, the links do nothing. GUI thread only.
#pragma once

#include "LListener.h"
#include "UITypes.h"

#include <QDialog>

#include <memory>

class CInternetConfig;

class CAboutBox : public QDialog, public LListener {
public:
    static constexpr ClassIDT class_ID = 'Abot';
    static constexpr MessageT kMailMessage = 'Mail';
    static constexpr MessageT kWebMessage = 'WWW ';

    explicit CAboutBox(QWidget* inParent = nullptr);
    ~CAboutBox() override;

    static void Register();

    // After loading: listens to the two links, starts the session, fills in the version.
    void FinishCreateSelf(const QString& inVersion);
    void ListenToMessage(MessageT inMessage, void* ioParam) override;

private:
    QString LinkTextOfPane(PaneIDT inPane) const;

    std::unique_ptr<CInternetConfig> mInternetConfig;
    bool mInstanceStarted = false;
};
