// SoundPlayer with files written by libsndfile and a capturing output; the ALSA output
// without a device.
#include "SoundPlayer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sndfile.h>

#include <vector>

namespace {

struct Captured {
    int rate = 0;
    int channels = 0;
    std::vector<QByteArray> buffers;
    bool drained = false;
    bool closed = false;
};

class CapturingOutput : public SoundOutput {
public:
    explicit CapturingOutput(Captured* into) : mInto(into) {}
    OSErr Open(int rate, int channels) override
    {
        mInto->rate = rate;
        mInto->channels = channels;
        return noErr;
    }
    OSErr Write(const QByteArray& samples) override
    {
        mInto->buffers.push_back(samples);
        return noErr;
    }
    void Drain() override { mInto->drained = true; }
    void Close() override { mInto->closed = true; }

private:
    Captured* mInto;
};

// A stereo sine-ish ramp of `frames` frames in the given container.
std::vector<short> WriteSound(const QString& path, int format, int frames)
{
    std::vector<short> samples(size_t(frames) * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = short((i * 37) % 20000 - 10000);
    SF_INFO info {};
    info.samplerate = 22050;
    info.channels = 2;
    info.format = format | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr);
    sf_write_short(file, samples.data(), sf_count_t(samples.size()));
    sf_close(file);
    return samples;
}

class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SoundPlayer::SetOutputFactory([this] { return std::make_unique<CapturingOutput>(&captured); });
        SoundPlayer::SetStopCheck([] { return false; });
    }
    void TearDown() override
    {
        SoundPlayer::SetOutputFactory({});
        SoundPlayer::SetStopCheck({});
    }
    QByteArray Joined() const
    {
        QByteArray all;
        for (const QByteArray& buffer : captured.buffers)
            all += buffer;
        return all;
    }

    QTemporaryDir dir;
    Captured captured;
};

TEST_F(SoundPlayerTest, WavAndAiffArriveWholeInBuffersOfAtMost64K)
{
    for (const auto& [name, format] : {std::pair {"a.wav", SF_FORMAT_WAV}, std::pair {"a.aiff", SF_FORMAT_AIFF}}) {
        captured = {};
        const QString path = dir.path() + "/" + name;
        const std::vector<short> samples = WriteSound(path, format, 50000);
        ASSERT_EQ(SoundPlayer::Play(path), noErr) << name;
        EXPECT_EQ(captured.rate, 22050);
        EXPECT_EQ(captured.channels, 2);
        ASSERT_GE(captured.buffers.size(), 3u);
        for (const QByteArray& buffer : captured.buffers)
            EXPECT_LE(buffer.size(), SoundPlayer::kBufferBytes);
        const QByteArray all = Joined();
        ASSERT_EQ(all.size(), qsizetype(samples.size() * 2)) << name;
        EXPECT_EQ(std::memcmp(all.constData(), samples.data(), size_t(all.size())), 0) << name;
        EXPECT_TRUE(captured.drained);
        EXPECT_TRUE(captured.closed);
    }
}

TEST_F(SoundPlayerTest, APressStopsAtTheNextBuffer)
{
    const QString path = dir.path() + "/long.wav";
    WriteSound(path, SF_FORMAT_WAV, 200000);
    int checks = 0;
    SoundPlayer::SetStopCheck([&] { return ++checks > 2; });
    EXPECT_EQ(SoundPlayer::Play(path), noErr);
    EXPECT_EQ(captured.buffers.size(), 2u);
    EXPECT_FALSE(captured.drained);
    EXPECT_TRUE(captured.closed);
}

TEST_F(SoundPlayerTest, NonSoundAndMissingFilesPlayNothing)
{
    const QString text = dir.path() + "/notes.txt";
    QFile file(text);
    file.open(QIODevice::WriteOnly);
    file.write("this is not a sound file at all, just some words\n");
    file.close();
    EXPECT_EQ(SoundPlayer::Play(text), SoundPlayer::kInvalidSoundErr);
    EXPECT_EQ(SoundPlayer::Play(dir.path() + "/missing.wav"), fnfErr);
    EXPECT_EQ(captured.rate, 0) << "the output was never opened";
    EXPECT_TRUE(captured.buffers.empty());
}

TEST(SoundPlayerDevice, NoDeviceIsAnErrorCode)
{
    QTemporaryDir dir;
    QFile empty(dir.path() + "/asound.conf");
    empty.open(QIODevice::WriteOnly);
    empty.close();
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(empty.fileName()));
    const QString path = dir.path() + "/a.wav";
    WriteSound(path, SF_FORMAT_WAV, 1000);
    const OSErr result = SoundPlayer::Play(path);
    qunsetenv("ALSA_CONFIG_PATH");
    EXPECT_EQ(result, SoundPlayer::kNoSoundDeviceErr);
}

} // namespace
