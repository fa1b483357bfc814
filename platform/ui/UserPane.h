// UserPane: an empty pane whose contents a draw callback paints (the progress sheet's icon
// pane). Without a callback it paints nothing. GUI thread only.
#pragma once

#include <QWidget>

#include <functional>

class QPainter;

class UserPane : public QWidget {
    Q_OBJECT

public:
    using DrawProc = std::function<void(UserPane* inPane, QPainter& ioPainter)>;

    explicit UserPane(QWidget* inParent = nullptr);

    void SetDrawProc(DrawProc inProc);

protected:
    void paintEvent(QPaintEvent* inEvent) override;

private:
    DrawProc mDraw;
};
