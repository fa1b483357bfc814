#include "SoundPlayer.h"

#include "LMainContext.h"
#include "LThread.h"

#include <QFile>
#include <QGuiApplication>

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <chrono>
#include <thread>

namespace {

SoundPlayer::OutputFactory gFactory;
std::function<bool()> gStopCheck;

bool OnCooperativeThread()
{
    return LMainContext::OnGuiThread() && !LThread::InMainContext();
}

// A short wait that never blocks a cooperative thread.
void WaitBriefly()
{
    if (OnCooperativeThread()) {
        LThread::Yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

bool MouseButtonDown()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
        && QGuiApplication::mouseButtons() != Qt::NoButton;
}

void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

class AlsaOutput : public SoundOutput {
public:
    ~AlsaOutput() override { Close(); }

    OSErr Open(int sampleRate, int channels) override
    {
        snd_lib_error_set_handler(&SilentAlsaErrors);
        if (snd_pcm_open(&mPCM, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            mPCM = nullptr;
            return SoundPlayer::kNoSoundDeviceErr;
        }
        mFrameBytes = 2 * channels;
        const long framesPerBuffer = SoundPlayer::kBufferBytes / mFrameBytes;
        const unsigned latency = unsigned(2 * framesPerBuffer * 1000000LL / std::max(1, sampleRate));
        if (snd_pcm_set_params(mPCM, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(channels),
                               unsigned(sampleRate), 1, latency) < 0) {
            Close();
            return SoundPlayer::kNoSoundDeviceErr;
        }
        return noErr;
    }

    OSErr Write(const QByteArray& samples) override
    {
        const char* bytes = samples.constData();
        snd_pcm_uframes_t left = snd_pcm_uframes_t(samples.size() / mFrameBytes);
        while (left > 0) {
            const snd_pcm_sframes_t written = snd_pcm_writei(mPCM, bytes, left);
            if (written == -EAGAIN) {
                WaitBriefly();
                continue;
            }
            if (written < 0) {
                if (snd_pcm_recover(mPCM, int(written), 1) < 0)
                    return ioErr;
                continue;
            }
            bytes += written * mFrameBytes;
            left -= snd_pcm_uframes_t(written);
        }
        return noErr;
    }

    void Drain() override
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            snd_pcm_sframes_t delay = 0;
            if (snd_pcm_state(mPCM) != SND_PCM_STATE_RUNNING || snd_pcm_delay(mPCM, &delay) < 0 || delay <= 0)
                return;
            WaitBriefly();
        }
    }

    void Close() override
    {
        if (mPCM)
            snd_pcm_close(mPCM);
        mPCM = nullptr;
    }

private:
    snd_pcm_t* mPCM = nullptr;
    int mFrameBytes = 4;
};

// libsndfile reading a Qt file (compiled-in resources have no path of their own).
sf_count_t DeviceLength(void* device) { return static_cast<QFile*>(device)->size(); }
sf_count_t DeviceSeek(sf_count_t offset, int whence, void* device)
{
    auto* file = static_cast<QFile*>(device);
    const sf_count_t base = whence == SEEK_CUR ? file->pos() : whence == SEEK_END ? file->size() : 0;
    return file->seek(base + offset) ? file->pos() : -1;
}
sf_count_t DeviceRead(void* buffer, sf_count_t count, void* device)
{
    return static_cast<QFile*>(device)->read(static_cast<char*>(buffer), count);
}
sf_count_t DeviceWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t DeviceTell(void* device) { return static_cast<QFile*>(device)->pos(); }

OSErr Stream(SNDFILE* sound, const SF_INFO& info, SoundOutput& output)
{
    if (OSErr err = output.Open(info.samplerate, info.channels))
        return err;
    const int samplesPerBuffer = (SoundPlayer::kBufferBytes / 2 / info.channels) * info.channels;
    QByteArray buffer(samplesPerBuffer * 2, '\0');
    const std::function<bool()> stop = gStopCheck ? gStopCheck : MouseButtonDown;
    OSErr result = noErr;
    bool stopped = false;
    for (;;) {
        if (stop()) {
            stopped = true;
            break;
        }
        const sf_count_t read = sf_read_short(sound, reinterpret_cast<short*>(buffer.data()), samplesPerBuffer);
        if (read <= 0)
            break;
        if ((result = output.Write(buffer.left(int(read) * 2))) != noErr)
            break;
    }
    if (!stopped && result == noErr)
        output.Drain();
    output.Close();
    return result;
}

} // namespace

OSErr SoundPlayer::Play(const QString& pathOrResource)
{
    QFile file(pathOrResource);
    if (!file.exists())
        return fnfErr;
    if (!file.open(QIODevice::ReadOnly))
        return permErr;
    SF_VIRTUAL_IO io {DeviceLength, DeviceSeek, DeviceRead, DeviceWrite, DeviceTell};
    SF_INFO info {};
    SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (!sound)
        return kInvalidSoundErr;
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames <= 0) {
        sf_close(sound);
        return kInvalidSoundErr;
    }
    std::unique_ptr<SoundOutput> output = gFactory ? gFactory() : std::make_unique<AlsaOutput>();
    const OSErr result = output ? Stream(sound, info, *output) : kNoSoundDeviceErr;
    sf_close(sound);
    return result;
}

void SoundPlayer::SetOutputFactory(OutputFactory factory)
{
    gFactory = std::move(factory);
}

void SoundPlayer::SetStopCheck(std::function<bool()> check)
{
    gStopCheck = std::move(check);
}
