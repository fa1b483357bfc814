// SoundPlayer: plays a short sound file (WAV, AIFF and whatever else libsndfile reads) from a
// path or a compiled-in resource (":/..."), to the end or until the user presses a mouse
// button (checked before each buffer). The samples are decoded to 16-bit PCM and written in
// buffers of 64 KB, two in flight, to the output: ALSA's "default" device, opened
// non-blocking; while the device is full the player yields on a cooperative thread and waits
// briefly elsewhere. Standing in for the system's sound converter and sound channel.
// The output and the stop check are replaceable (tests capture the buffers).
// GUI thread or cooperative threads. Result codes: fnfErr (-43) for a missing file,
// kInvalidSoundErr (-2009) for a file that holds no sound (nothing plays), kNoSoundDeviceErr
// (-201) when the device cannot be opened, ioErr when writing fails.
#pragma once

#include "MacTypes.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// Where decoded samples go: interleaved signed 16-bit, native byte order.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual OSErr Open(int sampleRate, int channels) = 0;
    // Queues one buffer; returns once it is queued (at most two buffers wait to be played).
    virtual OSErr Write(const QByteArray& samples) = 0;
    // Returns once everything queued has played (or at once when stopping early).
    virtual void Drain() = 0;
    virtual void Close() = 0;
};

class SoundPlayer {
public:
    static constexpr int kBufferBytes = 65536;
    static constexpr OSErr kInvalidSoundErr = -2009;
    static constexpr OSErr kNoSoundDeviceErr = -201;

    static OSErr Play(const QString& pathOrResource);

    using OutputFactory = std::function<std::unique_ptr<SoundOutput>()>;
    // An empty factory restores the ALSA output.
    static void SetOutputFactory(OutputFactory factory);
    // True stops the sound before the next buffer; empty restores the mouse-button check.
    static void SetStopCheck(std::function<bool()> check);
};
