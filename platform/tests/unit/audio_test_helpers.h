// Helpers shared by the audio tests: audio files written at test time,
// captured log lines, and an output device that is already consuming samples.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio_internal.h"
#include "raylib.h"

namespace audio_test {

// 1 s of 440/660 Hz at 44100 Hz stereo, made with
// `sox -n -r 44100 -c 2 -b 16 t.wav synth 1.0 sine 440 sine 660 vol 0.5`
// then `lame -b 64 --resample 44.1 t.wav audio_tone_1s_stereo.mp3`.
inline const std::string kMp3 = std::string(RLP_TEST_DATA) + "/audio_tone_1s_stereo.mp3";
constexpr unsigned int kMp3Frames = 44100;
// An MP3 decoder may add or drop up to one MPEG frame of padding.
constexpr unsigned int kMp3Padding = 1152;

// A fresh directory, removed with its contents when the test ends.
class TempDir {
public:
    TempDir()
    {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / ("tallowfen_audio_" + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string File(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes interleaved samples in [-1, 1] as a WAV of the given sample format,
// or as the file type `subFormat` names when it has one (SF_FORMAT_OGG | ...).
inline void WriteWav(const std::string &path, int rate, int channels, const std::vector<float> &samples,
                     int subFormat = SF_FORMAT_PCM_16)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = (subFormat & SF_FORMAT_TYPEMASK) != 0 ? subFormat : SF_FORMAT_WAV | subFormat;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    EXPECT_EQ(sf_writef_float(file, samples.data(), frames), frames);
    sf_close(file);
}

// A 440 Hz tone of `frames` frames, every channel alike.
inline void WriteToneWav(const std::string &path, int frames, int rate = 44100, int channels = 1)
{
    std::vector<float> samples(static_cast<std::size_t>(frames) * channels);
    for (int f = 0; f < frames; ++f) {
        const float value = 0.5f * std::sin(2.0f * 3.14159265f * 440.0f * static_cast<float>(f) / rate);
        for (int c = 0; c < channels; ++c)
            samples[static_cast<std::size_t>(f) * channels + c] = value;
    }
    WriteWav(path, rate, channels, samples);
}

inline void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Runs `fn` with standard output captured; returns the lines written.
template <class Fn> std::vector<std::string> LogLinesFrom(Fn &&fn)
{
    testing::internal::CaptureStdout();
    fn();
    std::fflush(stdout);
    std::istringstream text(testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

inline std::vector<std::string> Warnings(const std::vector<std::string> &lines)
{
    std::vector<std::string> warnings;
    for (const std::string &line : lines) {
        if (line.rfind("WARNING: ", 0) == 0) warnings.push_back(line);
    }
    return warnings;
}

inline void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

inline double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Feeds the stream as a game loop would, every 5 ms, for `seconds`.
inline void Feed(const Music &music, double seconds)
{
    const double end = Now() + seconds;
    while (Now() < end) {
        UpdateMusicStream(music);
        SleepMs(5);
    }
}

inline bool &DeviceWarm()
{
    static bool warm = false;
    return warm;
}

// Opens the output once for the whole test program. With `warm`, also waits
// until it consumes samples: a new PulseAudio stream on an idle null sink can
// take up to two seconds to start, which would otherwise skew every timing.
inline void EnsureDevice(bool warm)
{
    // Closes the device after the last test, as a well-behaved program does.
    static struct Closer {
        ~Closer()
        {
            if (IsAudioDeviceReady()) CloseAudioDevice();
        }
    } closer;
    SetTraceLogLevel(LOG_WARNING);
    if (!IsAudioDeviceReady()) {
        DeviceWarm() = false;
        InitAudioDevice();
    }
    ASSERT_TRUE(IsAudioDeviceReady()) << "no audio output: run the tests with a PulseAudio null sink";
    if (!warm || DeviceWarm()) return;
    TempDir dir;
    const std::string path = dir.File("warm.wav");
    WriteToneWav(path, 44100);
    Music music = LoadMusicStream(path.c_str());
    ASSERT_TRUE(IsMusicValid(music));
    PlayMusicStream(music);
    const double start = Now();
    while (GetMusicTimePlayed(music) == 0.0f && Now() - start < 10.0) {
        UpdateMusicStream(music);
        SleepMs(5);
    }
    const bool started = GetMusicTimePlayed(music) > 0.0f;
    UnloadMusicStream(music);
    ASSERT_TRUE(started) << "the audio device never consumed a sample in 10 s";
    std::printf("[ audio    ] device started consuming after %.0f ms\n", (Now() - start) * 1000.0);
    DeviceWarm() = true;
}

// Where the sound's voice is, in frames (white-box: read from its voice).
inline int SoundOffset(const Sound &sound)
{
    std::lock_guard<std::mutex> hold(rlp::audio::Lock());
    return static_cast<int>(sound.stream.buffer->cursor);
}

// Polls `done` every 2 ms for at most `seconds`; true once it holds.
template <class Pred> bool WaitFor(Pred &&done, double seconds)
{
    const double end = Now() + seconds;
    while (!done()) {
        if (Now() > end) return false;
        SleepMs(2);
    }
    return true;
}

}  // namespace audio_test
