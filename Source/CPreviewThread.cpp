#include "CPreviewThread.h"

#include "CBrevantoWindow.h"

CPreviewThread::CPreviewThread(CBrevantoWindow& inWindow) : mWindow(inWindow) {}

void* CPreviewThread::Run()
{
    mWindow.BuildPreview(false);
    return nullptr;
}
