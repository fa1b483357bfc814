#include "SoundPlayback.h"

#include "SoundPlayer.h"

OSErr PlaySoundFile(const FSSpec& file)
{
    if (file.IsEmpty())
        return paramErr;
    return SoundPlayer::Play(QString::fromStdString(file.Path()));
}

OSErr PlaySoundFile(const QString& pathOrResource)
{
    return SoundPlayer::Play(pathOrResource);
}
