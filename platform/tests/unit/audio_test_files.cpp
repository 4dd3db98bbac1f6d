// Loading audio files: what a good WAV or MP3 gives, what the decoder reads,
// and the zeroed handle plus single warning for every kind of bad file.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "audio_test_helpers.h"

namespace {

using namespace audio_test;

// Loading tests: an open output and a scratch directory for the files.
class AudioFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(EnsureDevice(false)); }
    TempDir dir;
};

TEST_F(AudioFiles, WavLoadsAsSoundAndMusicWithItsFormatAndLength)
{
    const std::string wav = dir.File("tone.wav");
    WriteToneWav(wav, 5513, 22050, 2);
    const Sound sound = LoadSound(wav.c_str());
    ASSERT_TRUE(IsSoundValid(sound));
    EXPECT_EQ(sound.frameCount, 5513u);
    EXPECT_EQ(sound.stream.sampleRate, 22050u);
    EXPECT_EQ(sound.stream.sampleSize, 16u);
    EXPECT_EQ(sound.stream.channels, 2u);
    EXPECT_EQ(sound.stream.processor, nullptr);
    UnloadSound(sound);

    const Music music = LoadMusicStream(wav.c_str());
    ASSERT_TRUE(IsMusicValid(music));
    EXPECT_EQ(music.frameCount, 5513u);
    EXPECT_TRUE(music.looping);
    EXPECT_EQ(music.ctxType, 1);  // MUSIC_AUDIO_WAV
    EXPECT_NE(music.ctxData, nullptr);
    EXPECT_EQ(music.stream.sampleRate, 22050u);
    EXPECT_EQ(music.stream.channels, 2u);
    EXPECT_EQ(music.stream.processor, nullptr);
    EXPECT_FLOAT_EQ(GetMusicTimeLength(music), 5513.0f / 22050.0f);
    EXPECT_FALSE(IsMusicStreamPlaying(music));
    UnloadMusicStream(music);
}

TEST_F(AudioFiles, Mp3LoadsAsSoundAndMusicWithItsLengthWithinPadding)
{
    const Sound sound = LoadSound(kMp3.c_str());
    ASSERT_TRUE(IsSoundValid(sound));
    EXPECT_NEAR(double(sound.frameCount), double(kMp3Frames), double(kMp3Padding));
    EXPECT_EQ(sound.stream.sampleRate, 44100u);
    EXPECT_EQ(sound.stream.channels, 2u);
    UnloadSound(sound);

    const Music music = LoadMusicStream(kMp3.c_str());
    ASSERT_TRUE(IsMusicValid(music));
    EXPECT_NEAR(double(music.frameCount), double(kMp3Frames), double(kMp3Padding));
    EXPECT_EQ(music.ctxType, 4);  // MUSIC_AUDIO_MP3
    EXPECT_TRUE(music.looping);
    EXPECT_NEAR(GetMusicTimeLength(music), 1.0f, 1152.0f / 44100.0f);
    UnloadMusicStream(music);
}

TEST_F(AudioFiles, WavCutInsideItsDataLoadsTheFramesThatArePresent)
{
    const std::string whole = dir.File("whole.wav"), cut = dir.File("cut.wav");
    WriteToneWav(whole, 1000);
    const std::string bytes = ReadBytes(whole);
    ASSERT_EQ(bytes.size(), 44u + 2000u);  // canonical header, then 16-bit mono
    WriteBytes(cut, bytes.substr(0, 44 + 2 * 400));
    const Sound sound = LoadSound(cut.c_str());
    EXPECT_EQ(sound.frameCount, 400u);
    UnloadSound(sound);
    const Music music = LoadMusicStream(cut.c_str());
    EXPECT_EQ(music.frameCount, 400u);
    UnloadMusicStream(music);
}

TEST_F(AudioFiles, DecoderScalesFloatSamplesAndKeepsTheFirstTwoOfManyChannels)
{
    const std::string path = dir.File("quad.wav");
    // Four channels at distinct constant levels, stored as 32-bit float.
    std::vector<float> samples;
    for (int f = 0; f < 100; ++f)
        samples.insert(samples.end(), {0.5f, -0.25f, 0.75f, -1.0f});
    WriteWav(path, 8000, 4, samples, SF_FORMAT_FLOAT);

    auto decoder = rlp::audio::Decoder::Open(path.c_str(), rlp::audio::DecodeFor::Sound);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(decoder->Channels(), 2);
    EXPECT_EQ(decoder->SampleRate(), 8000);
    EXPECT_EQ(decoder->Frames(), 100u);
    std::vector<short> pcm(2 * 100, 0);
    ASSERT_EQ(decoder->Read(pcm.data(), 100), 100u);
    EXPECT_EQ(decoder->Read(pcm.data(), 100), 0u);  // at the end
    for (int f = 0; f < 100; f += 33) {
        EXPECT_NEAR(pcm[2 * f], 16384, 2) << "frame " << f;
        EXPECT_NEAR(pcm[2 * f + 1], -8192, 2) << "frame " << f;
    }
    ASSERT_TRUE(decoder->Rewind());
    EXPECT_EQ(decoder->Read(pcm.data(), 100), 100u);

    const Sound sound = LoadSound(path.c_str());
    EXPECT_EQ(sound.stream.channels, 2u);
    EXPECT_EQ(sound.frameCount, 100u);
    UnloadSound(sound);
}

// Every format plays at the level its file holds, as raylib's decoders play
// it: a tone peaking at -6 dBFS peaks there as read, not lifted to full scale.
TEST_F(AudioFiles, EachFormatIsReadAtItsRecordedLevel)
{
    const struct {
        const char *name;
        int format;
        double tolerance;  // lossy formats wander a little around the peak
    } formats[] = {{"pcm16.wav", SF_FORMAT_PCM_16, 0.001},
                   {"float.wav", SF_FORMAT_FLOAT, 0.001},
                   {"vorbis.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.03},
                   {"layer3.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0.03}};
    std::vector<float> tone(44100);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = 0.5f * float(std::sin(2.0 * 3.141592653589793 * 441.0 * double(i) / 44100.0));
    for (const auto &f : formats) {
        SCOPED_TRACE(f.name);
        const std::string path = dir.File(f.name);
        WriteWav(path, 44100, 1, tone, f.format);
        auto decoder = rlp::audio::Decoder::Open(path.c_str(), rlp::audio::DecodeFor::Sound);
        ASSERT_NE(decoder, nullptr);
        std::vector<short> pcm(2 * 50000);
        const std::uint64_t got = decoder->Read(pcm.data(), 50000);
        ASSERT_GT(got, 40000u);
        int peak = 0;
        for (std::size_t i = 0; i < got * decoder->Channels(); ++i)
            peak = std::max(peak, std::abs(int(pcm[i])));
        EXPECT_NEAR(peak / 32767.0, 0.5, f.tolerance);
    }
}

// One kind of unusable file and the start of the warning it must give.
struct BadFile {
    const char *name;
    std::string bytes;
    bool exists;
    const char *soundWarning;  // prefix, before the path
    const char *musicWarning;
};

std::string RandomBytes(std::size_t count)
{
    std::mt19937 generator(1234);  // fixed, so the bytes are the same every run
    std::string bytes(count, '\0');
    for (char &byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

TEST_F(AudioFiles, BadFilesGiveAZeroedHandleAndExactlyOneWarning)
{
    const std::string wavPath = dir.File("good.wav");
    WriteToneWav(wavPath, 4410);
    const std::string wav = ReadBytes(wavPath), mp3 = ReadBytes(kMp3);
    ASSERT_GT(mp3.size(), 1000u);
    const char *kOpen = "WARNING: FILEIO: [", *kSound = "WARNING: SOUND: [", *kStream = "WARNING: STREAM: [";
    const std::vector<BadFile> cases = {
        {"missing.wav", "", false, kOpen, kOpen},
        {"missing.mp3", "", false, kOpen, kOpen},
        {"empty.wav", "", true, kOpen, kOpen},
        {"empty.mp3", "", true, kOpen, kOpen},
        {"cut_in_header.wav", wav.substr(0, 30), true, kSound, kStream},
        {"header_only.wav", wav.substr(0, 44), true, kSound, kStream},
        {"cut_in_first_frame.mp3", mp3.substr(0, 100), true, kSound, kStream},
        {"random.wav", RandomBytes(4096), true, kSound, kStream},
        {"random.mp3", RandomBytes(4096), true, kSound, kStream},
        {"text.mp3", "this is not audio at all\n", true, kSound, kStream},
    };
    for (const BadFile &bad : cases) {
        SCOPED_TRACE(bad.name);
        const std::string path = dir.File(bad.name);
        if (bad.exists) WriteBytes(path, bad.bytes);
        Sound sound{};
        Music music{};
        const auto soundLines = LogLinesFrom([&] { sound = LoadSound(path.c_str()); });
        const auto musicLines = LogLinesFrom([&] { music = LoadMusicStream(path.c_str()); });
        EXPECT_FALSE(IsSoundValid(sound));
        EXPECT_FALSE(IsMusicValid(music));
        EXPECT_EQ(sound.stream.buffer, nullptr);
        EXPECT_EQ(sound.frameCount, 0u);
        EXPECT_EQ(music.stream.buffer, nullptr);
        EXPECT_EQ(music.ctxData, nullptr);
        EXPECT_EQ(music.frameCount, 0u);
        EXPECT_FALSE(music.looping);
        ASSERT_EQ(Warnings(soundLines).size(), 1u);
        ASSERT_EQ(Warnings(musicLines).size(), 1u);
        EXPECT_EQ(Warnings(soundLines)[0].rfind(std::string(bad.soundWarning) + path + "]", 0), 0u)
            << Warnings(soundLines)[0];
        EXPECT_EQ(Warnings(musicLines)[0].rfind(std::string(bad.musicWarning) + path + "]", 0), 0u)
            << Warnings(musicLines)[0];
        // The zeroed handles are safe to use and to unload.
        PlaySound(sound);
        PlayMusicStream(music);
        UpdateMusicStream(music);
        UnloadSound(sound);
        UnloadMusicStream(music);
    }
}

TEST_F(AudioFiles, NullEmptyAndDirectoryNamesGiveOneWarning)
{
    const std::string directory = dir.File("");
    const struct {
        const char *path;
        const char *warning;
    } cases[] = {
        {nullptr, "WARNING: FILEIO: File name provided is not valid"},
        {"", "WARNING: FILEIO: File name provided is not valid"},
        {directory.c_str(), "WARNING: FILEIO: ["},
    };
    for (const auto &bad : cases) {
        SCOPED_TRACE(bad.path == nullptr ? "(null)" : bad.path);
        Sound sound{};
        Music music{};
        const auto lines = LogLinesFrom([&] {
            sound = LoadSound(bad.path);
            music = LoadMusicStream(bad.path);
        });
        EXPECT_FALSE(IsSoundValid(sound));
        EXPECT_FALSE(IsMusicValid(music));
        ASSERT_EQ(Warnings(lines).size(), 2u);  // one per load
        for (const std::string &warning : Warnings(lines))
            EXPECT_EQ(warning.rfind(bad.warning, 0), 0u) << warning;
    }
}

}  // namespace
