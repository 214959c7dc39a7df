// The embedded sound effects (their wave files) and the sound output that plays them.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "assets/sounds.h"
#include "platform/sound.h"

namespace {

struct Expected {
    int id, rate, bits;
    double seconds;
};
constexpr Expected kEffects[] = {
    {10, 22050, 16, 0.72}, {11, 11025, 8, 0.90}, {12, 11025, 8, 0.99}, {13, 22050, 16, 0.75}, {14, 22050, 16, 0.12},
    {15, 22050, 8, 2.34},  {16, 22050, 8, 1.65}, {19, 8000, 8, 0.28},  {20, 8000, 8, 0.10},   {21, 11025, 8, 1.01},
    {22, 11025, 8, 1.34},  {23, 8000, 8, 0.95},  {24, 11025, 8, 0.21}, {26, 22050, 16, 0.07}, {28, 11025, 8, 2.25},
    {29, 11025, 8, 3.00},  {32, 11025, 8, 0.70},
};

const Expected* expectedFor(int id) {
    for (const Expected& e : kEffects)
        if (e.id == id) return &e;
    return nullptr;
}

// ---- a strict little wave reader ----

struct Wave {
    unsigned format = 0, channels = 0, rate = 0, byteRate = 0, blockAlign = 0, bits = 0;
    std::vector<int> codes;       // the raw sample values as stored
    std::vector<double> samples;  // the same in [-1, 1)
    double seconds() const { return rate ? double(samples.size()) / rate : 0; }
};

unsigned le16(std::span<const std::uint8_t> b, std::size_t at) { return unsigned(b[at]) | unsigned(b[at + 1]) << 8; }
unsigned le32(std::span<const std::uint8_t> b, std::size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }
bool tagAt(std::span<const std::uint8_t> b, std::size_t at, const char* tag) {
    return std::equal(tag, tag + 4, b.begin() + std::ptrdiff_t(at));
}

// Empty on success, else what is wrong with the file.
std::string parseWave(std::span<const std::uint8_t> b, Wave& w) {
    if (b.size() < 12 || !tagAt(b, 0, "RIFF") || !tagAt(b, 8, "WAVE")) return "not a RIFF WAVE file";
    if (le32(b, 4) + 8 != b.size()) return "RIFF size " + std::to_string(le32(b, 4)) + " does not match the file";
    bool haveFormat = false, haveData = false;
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::size_t len = le32(b, at + 4), body = at + 8;
        if (body + len > b.size()) return "a chunk runs past the end";
        if (tagAt(b, at, "fmt ")) {
            if (len < 16) return "short fmt chunk";
            w.format = le16(b, body), w.channels = le16(b, body + 2), w.rate = le32(b, body + 4);
            w.byteRate = le32(b, body + 8), w.blockAlign = le16(b, body + 12), w.bits = le16(b, body + 14);
            haveFormat = true;
        } else if (tagAt(b, at, "data")) {
            if (!haveFormat) return "data before fmt";
            if (w.bits != 8 && w.bits != 16) return "unexpected sample size";
            for (std::size_t i = body; i + w.bits / 8 <= body + len; i += w.bits / 8) {
                const int code = w.bits == 8 ? int(b[i]) : int(std::int16_t(le16(b, i)));
                w.codes.push_back(code);
                w.samples.push_back(w.bits == 8 ? (code - 128) / 128.0 : code / 32768.0);
            }
            haveData = true;
        }
        at = body + len + (len & 1);
    }
    if (at != b.size()) return "trailing bytes after the last chunk";
    return haveData ? "" : "no data chunk";
}

Wave waveOf(int id) {
    Wave w;
    const std::string error = parseWave(gv::assets::sound(id), w);
    EXPECT_EQ("", error) << "effect " << id;
    return w;
}

// Sign changes a second, ignoring wiggles within 1/64 of full scale around the centre.
double crossingsPerSecond(const Wave& w) {
    int crossings = 0, side = 0;
    for (double x : w.samples) {
        if (std::abs(x) < 1.0 / 64) continue;
        const int s = x > 0 ? 1 : -1;
        if (side && s != side) ++crossings;
        side = s;
    }
    return crossings / 2.0 / w.seconds();
}

// ---- the waves ----

TEST(SoundAssets, EveryEffectOfTheTableAndNoOther) {
    std::vector<int> ids;
    for (const Expected& e : kEffects) ids.push_back(e.id);
    EXPECT_EQ(ids, gv::assets::soundIds());
    for (int id = -5; id <= 100; ++id)
        EXPECT_EQ(expectedFor(id) != nullptr, !gv::assets::sound(id).empty()) << "effect " << id;
    // Each effect is its own sound, not a copy of another.
    for (std::size_t i = 0; i < ids.size(); ++i)
        for (std::size_t j = i + 1; j < ids.size(); ++j)
            EXPECT_FALSE(std::ranges::equal(gv::assets::sound(ids[i]), gv::assets::sound(ids[j])))
                << ids[i] << " and " << ids[j];
}

TEST(SoundAssets, WavesAreMonoPcmInTheirOwnFormatAndLength) {
    for (const Expected& e : kEffects) {
        SCOPED_TRACE("effect " + std::to_string(e.id));
        const Wave w = waveOf(e.id);
        EXPECT_EQ(1u, w.format);
        EXPECT_EQ(1u, w.channels);
        EXPECT_EQ(unsigned(e.rate), w.rate);
        EXPECT_EQ(unsigned(e.bits), w.bits);
        EXPECT_EQ(unsigned(e.bits / 8), w.blockAlign);
        EXPECT_EQ(unsigned(e.rate * e.bits / 8), w.byteRate);
        EXPECT_NEAR(e.seconds, w.seconds(), 0.2 * e.seconds);
    }
}

TEST(SoundAssets, WavesAreAudibleAndNotClippedFlat) {
    for (const Expected& e : kEffects) {
        SCOPED_TRACE("effect " + std::to_string(e.id));
        const Wave w = waveOf(e.id);
        ASSERT_FALSE(w.samples.empty());
        double peak = 0, power = 0;
        for (double x : w.samples) peak = std::max(peak, std::abs(x)), power += x * x;
        EXPECT_GT(peak, 0.4);
        EXPECT_GT(std::sqrt(power / double(w.samples.size())), 0.03);

        // A clipped wave sits on the end codes for several samples in a row.
        const int lowest = e.bits == 8 ? 0 : -32768, highest = e.bits == 8 ? 255 : 32767;
        int run = 0, longest = 0;
        for (int c : w.codes) {
            run = (c == lowest || c == highest) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        EXPECT_LT(longest, 2);
    }
}

TEST(SoundAssets, WavesAreCentredAndStartAndEndWithoutAClick) {
    for (const Expected& e : kEffects) {
        SCOPED_TRACE("effect " + std::to_string(e.id));
        const Wave w = waveOf(e.id);
        ASSERT_GT(w.samples.size(), 100u);
        double mean = 0;
        for (double x : w.samples) mean += x;
        EXPECT_NEAR(0.0, mean / double(w.samples.size()), 0.01);
        // A bang may rise fast, but from silence; every effect dies away to silence.
        const std::size_t start = std::max(2u, w.rate / 5000), end = w.rate / 500;  // 0.2 ms and 2 ms
        for (std::size_t i = 0; i < start; ++i) EXPECT_LT(std::abs(w.samples[i]), 0.1) << "sample " << i;
        for (std::size_t i = 0; i < end; ++i)
            EXPECT_LT(std::abs(w.samples[w.samples.size() - 1 - i]), 0.05) << "sample " << i << " from the end";
    }
}

TEST(SoundAssets, BoomsAndRumblesSitLowerThanBellsAndWhistles) {
    for (int deep : {15, 22, 28, 29}) EXPECT_LT(crossingsPerSecond(waveOf(deep)), 500) << "effect " << deep;
    for (int bright : {12, 13, 14}) EXPECT_GT(crossingsPerSecond(waveOf(bright)), 1200) << "effect " << bright;
}

// ---- the output ----

// Sets environment variables for one test and puts back what was there.
class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const std::string& name, const std::string& value) { set(name, value); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    void set(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv() {
        for (auto& [name, old] : saved_) old ? setenv(name.c_str(), old->c_str(), 1) : unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The driver can only be chosen while nobody else holds SDL's audio.
#define SKIP_IF_AUDIO_TAKEN() \
    if (SDL_WasInit(SDL_INIT_AUDIO)) GTEST_SKIP() << "SDL audio is already open elsewhere in this process"

using Clock = std::chrono::steady_clock;

bool waitFor(const std::function<bool()>& done, double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// SDL's disk driver writes everything the mixer outputs to a file, silence included, so the file's
// length is the output's clock and its contents are what a listener would have heard.
class DiskRecording {
public:
    DiskRecording()
        : path_(std::filesystem::temp_directory_path() /
                ("gorvath_sound_" + std::to_string(getpid()) + "_" + std::to_string(++count_) + ".raw")) {
        env_.set("SDL_AUDIODRIVER", "disk");
        env_.set("SDL_DISKAUDIOFILE", path_.string());
        env_.set("SDL_DISKAUDIODELAY", "5");  // milliseconds between buffers: faster than real time
    }
    ~DiskRecording() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }

    // Once the output is open: waits for the device to run.
    void start() { ASSERT_TRUE(waitForMore(0, 0.1)) << "the disk driver writes nothing"; }
    long frames() const {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path_, ec);
        return ec ? 0 : long(size / (2 * unsigned(channels_)));
    }
    long framesOf(double seconds) const { return long(seconds * rate_); }
    // Waits until `seconds` more of output than at frame `from` have been written.
    bool waitForMore(long from, double seconds) const {
        return waitFor([&] { return frames() >= from + framesOf(seconds); }, 20);
    }
    // Loudest sample, as a fraction of full scale, between two moments of the output.
    double peak(long from, long to) const {
        std::ifstream in(path_, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const long n = long(bytes.size() / 2);
        double loudest = 0;
        for (long i = std::max(0L, from * channels_); i < std::min(n, to * channels_); ++i) {
            std::int16_t v;
            std::memcpy(&v, &bytes[std::size_t(i) * 2], 2);
            loudest = std::max(loudest, std::abs(v / 32768.0));
        }
        return loudest;
    }

private:
    static constexpr int rate_ = gv::SoundOutput::kOutputRate;
    static constexpr int channels_ = gv::SoundOutput::kOutputChannels;
    static inline int count_ = 0;
    std::filesystem::path path_;
    ScopedEnv env_;
};

constexpr double kSilent = 0.002;
constexpr double kLatency = 0.15;  // the mixer's buffer and the file's write buffer, in seconds of output

TEST(SoundOutput, WithoutAnAudioDeviceEverythingIsSkipped) {
    SKIP_IF_AUDIO_TAKEN();
    ScopedEnv env("SDL_AUDIODRIVER", "no-such-driver");
    {
        gv::SoundOutput out;
        out.PlayEffect(29);
        out.PlayEffect(10);
        out.StopEffect();
        EXPECT_FALSE(out.open());
        EXPECT_FALSE(out.available());
        EXPECT_FALSE(out.playing());
        EXPECT_EQ(0, out.playingId());
    }
    EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_AUDIO));
}

TEST(SoundOutput, UnknownIdsAreIgnored) {
    SKIP_IF_AUDIO_TAKEN();
    ScopedEnv env("SDL_AUDIODRIVER", "dummy");
    gv::SoundOutput out;
    for (int id : {-1, 0, 17, 18, 25, 27, 30, 31, 101}) {
        out.PlayEffect(id);
        EXPECT_FALSE(out.playing()) << id;
        EXPECT_TRUE(out.buffer().empty()) << id;
    }
    out.PlayEffect(29);
    ASSERT_TRUE(out.available());
    out.PlayEffect(17);  // nothing to play: the quake goes on
    EXPECT_TRUE(out.playing());
    EXPECT_EQ(29, out.playingId());
}

TEST(SoundOutput, PlaysFromItsOwnBufferInTheBackground) {
    SKIP_IF_AUDIO_TAKEN();
    ScopedEnv env("SDL_AUDIODRIVER", "dummy");
    {
        gv::SoundOutput out;
        const auto before = Clock::now();
        out.PlayEffect(14);
        ASSERT_TRUE(out.available());
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - before).count(), 1.0);
        EXPECT_TRUE(out.playing());
        EXPECT_EQ(14, out.playingId());
        const auto wave = gv::assets::sound(14);
        EXPECT_TRUE(std::ranges::equal(wave, out.buffer()));
        EXPECT_NE(wave.data(), out.buffer().data());

        EXPECT_TRUE(waitFor([&] { return !out.playing(); }, 5)) << "the ding never ends";
        EXPECT_EQ(0, out.playingId());
        EXPECT_TRUE(std::ranges::equal(wave, out.buffer()));
    }
    EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_AUDIO)) << "the audio subsystem is left open";
}

TEST(SoundOutput, SdlMixerTakesEveryEffect) {
    SKIP_IF_AUDIO_TAKEN();
    ScopedEnv env("SDL_AUDIODRIVER", "dummy");
    gv::SoundOutput out;
    for (const Expected& e : kEffects) {
        out.PlayEffect(e.id);
        EXPECT_EQ(e.id, out.playingId()) << "SDL_mixer does not play effect " << e.id;
    }
}

TEST(SoundOutput, ANewEffectCutsOffThePlayingOne) {
    SKIP_IF_AUDIO_TAKEN();
    DiskRecording rec;
    gv::SoundOutput out;
    ASSERT_TRUE(out.open());
    rec.start();

    const long quake = rec.frames();
    out.PlayEffect(29);  // three seconds
    ASSERT_TRUE(rec.waitForMore(quake, 0.5));
    const long pop = rec.frames();
    out.PlayEffect(20);  // a tenth of a second
    EXPECT_EQ(20, out.playingId());
    ASSERT_TRUE(rec.waitForMore(pop, 1.2));

    EXPECT_GT(rec.peak(quake + rec.framesOf(kLatency), pop), 0.1) << "the quake was not heard";
    EXPECT_GT(rec.peak(pop, pop + rec.framesOf(0.1 + kLatency)), 0.1) << "the pop was not heard";
    EXPECT_LT(rec.peak(pop + rec.framesOf(0.1 + kLatency + 0.05), pop + rec.framesOf(1.2)), kSilent)
        << "the quake goes on under the pop";
    EXPECT_FALSE(out.playing());
}

TEST(SoundOutput, StopEffectSilencesTheOutput) {
    SKIP_IF_AUDIO_TAKEN();
    DiskRecording rec;
    gv::SoundOutput out;
    ASSERT_TRUE(out.open());
    rec.start();

    const long start = rec.frames();
    out.PlayEffect(29);
    ASSERT_TRUE(rec.waitForMore(start, 0.5));
    const long stop = rec.frames();
    out.StopEffect();
    EXPECT_FALSE(out.playing());
    EXPECT_EQ(0, out.playingId());
    ASSERT_TRUE(rec.waitForMore(stop, 0.8));
    EXPECT_GT(rec.peak(start + rec.framesOf(kLatency), stop), 0.1) << "the quake was not heard";
    EXPECT_LT(rec.peak(stop + rec.framesOf(kLatency), stop + rec.framesOf(0.8)), kSilent) << "still sounding";
    EXPECT_TRUE(std::ranges::equal(gv::assets::sound(29), out.buffer())) << "the buffer lost its bytes";

    // And sound comes back with the next effect.
    const long again = rec.frames();
    out.PlayEffect(20);
    ASSERT_TRUE(rec.waitForMore(again, 0.5));
    EXPECT_GT(rec.peak(again, again + rec.framesOf(0.1 + kLatency)), 0.1);
}

}  // namespace
