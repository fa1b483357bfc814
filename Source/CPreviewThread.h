// CPreviewThread: the preview of a mailing window's message, built for the sender and sent
// through the server on a cooperative thread of its own (BuildPreview), so the window stays
// live while the server answers. The window adopts it: closing the window waits for it.
#pragma once

#include "CThread.h"

class CBrevantoWindow;

class CPreviewThread : public CThread {
public:
    explicit CPreviewThread(CBrevantoWindow& inWindow);
    void* Run() override;

private:
    CBrevantoWindow& mWindow;
};
