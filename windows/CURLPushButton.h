// CURLPushButton: a text-only push button that looks and acts like a link. It draws its title
// (underlined, in the palette's link colour), shows the pointing hand, draws the title in the
// hot colour while pressed with the mouse inside, and broadcasts its value message (value 0)
// when released inside. A shift-press drags the link text out as plain text instead. Nibs name
// it by class (CURLPushButton, class ID 'URpb') with the properties `title`, `url` and
// `valueMessage` (four characters). GUI thread only.
#pragma once

#include "LBroadcaster.h"
#include "MacTypes.h"
#include "UITypes.h"

#include <QColor>
#include <QPushButton>
#include <QString>

class CURLPushButton : public QPushButton, public LBroadcaster {
    Q_OBJECT
    Q_PROPERTY(QString title READ Title WRITE SetDescriptor)
    Q_PROPERTY(QString url READ URL WRITE SetURL)
    Q_PROPERTY(QString valueMessage READ ValueMessageText WRITE SetValueMessageText)

public:
    static constexpr ClassIDT class_ID = 'URpb';
    // The 16-bit colour the title takes while pressed (cyan).
    static constexpr UInt16 kHotRed = 0, kHotGreen = 65535, kHotBlue = 65535;

    explicit CURLPushButton(QWidget* inParent = nullptr);

    static void Register();

    // The URL when it is not empty, else the title.
    QString GetLinkText() const;
    QString Title() const { return mTitle; }
    void SetDescriptor(const QString& inTitle);
    QString URL() const { return mURL; }
    void SetURL(const QString& inURL) { mURL = inURL; }
    MessageT GetValueMessage() const { return mValueMessage; }
    void SetValueMessage(MessageT inMessage) { mValueMessage = inMessage; }
    QString ValueMessageText() const;
    void SetValueMessageText(const QString& inCode);
    // The value stays 0 whatever is set, and nothing is broadcast.
    void SetValue(SInt32) {}
    SInt32 GetValue() const { return 0; }
    bool GetDraggable() const { return mDraggable; }
    void SetDraggable(bool inDraggable) { mDraggable = inDraggable; }

    // The text a drag carries: the link text without one pair of enclosing angle brackets.
    static QString DragText(const QString& inLinkText);
    // Each component halfway to white: the look of a title that is hidden or inactive.
    static QColor Lightened(QColor inColor);
    // The colour the title is drawn in now.
    QColor TitleColor() const;
    // How often the pressed look changed (drawn hot or normal again), for tests.
    int HotChanges() const { return mHotChanges; }

protected:
    void paintEvent(QPaintEvent* inEvent) override;
    void mousePressEvent(QMouseEvent* inEvent) override;
    void mouseMoveEvent(QMouseEvent* inEvent) override;
    void mouseReleaseEvent(QMouseEvent* inEvent) override;
    void changeEvent(QEvent* inEvent) override;
    QSize sizeHint() const override;

private:
    void SetHot(bool inHot);
    void DragLink();

    QString mTitle;
    QString mURL;
    MessageT mValueMessage = 0;
    bool mDraggable = true;
    bool mTracking = false;
    bool mHot = false;
    int mHotChanges = 0;
};
