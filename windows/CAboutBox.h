// CAboutBox: the about window's class, registered under 'Abot' so a design may name it; a plain
// dialog. GUI thread only.
#pragma once

#include "UITypes.h"

#include <QDialog>

class CAboutBox : public QDialog {
public:
    static constexpr ClassIDT class_ID = 'Abot';

    explicit CAboutBox(QWidget* inParent = nullptr);
    ~CAboutBox() override;

    static void Register();
};
