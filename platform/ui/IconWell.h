// IconWell: a square well that shows one icon (a browser, a mail program, a site), centred and
// scaled to fit; clicks reach the control's handlers. An empty icon leaves the well blank.
// GUI thread only.
#pragma once

#include <QIcon>
#include <QWidget>

class IconWell : public QWidget {
    Q_OBJECT

public:
    explicit IconWell(QWidget* inParent = nullptr);

    void SetIcon(const QIcon& inIcon);
    QIcon Icon() const { return mIcon; }
    QSize sizeHint() const override { return QSize(32, 32); }

protected:
    void paintEvent(QPaintEvent* inEvent) override;

private:
    QIcon mIcon;
};
