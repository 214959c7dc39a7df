// The embedded sound effects (their wave files) and the sound output that plays them.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/program.h"
#include "assets/sounds.h"
#include "platform/eventloop.h"
#include "platform/sound.h"

namespace {

// An effect as SDL's wave loader reads it.
struct Wave {
    SDL_AudioSpec audio{};
    std::vector<int> codes;       // the raw sample values as stored
    std::vector<double> samples;  // the same in [-1, 1)
    double seconds() const { return double(samples.size()) / audio.freq; }
};

Wave waveOf(int id) {
    const auto file = gv::assets::sound(id);
    Wave w;
    Uint8* buf = nullptr;
    Uint32 len = 0;
    if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(file.data(), int(file.size())), 1, &w.audio, &buf, &len)) {
        ADD_FAILURE() << "effect " << id << ": " << SDL_GetError();
        return w;
    }
    const bool wide = SDL_AUDIO_BITSIZE(w.audio.format) == 16;
    for (Uint32 i = 0; i + 1 + wide <= len; i += 1 + wide) {
        const int code = wide ? int(std::int16_t(buf[i] | buf[i + 1] << 8)) : int(buf[i]);
        w.codes.push_back(code);
        w.samples.push_back(wide ? code / 32768.0 : (code - 128) / 128.0);
    }
    SDL_FreeWAV(buf);
    return w;
}

// ---- the waves ----

// The seventeen effects the game plays.
const std::vector<int> kEffects = {10, 11, 12, 13, 14, 15, 16, 19, 20, 21, 22, 23, 24, 26, 28, 29, 32};

TEST(SoundAssets, EveryEffectIsCleanMonoPcm) {
    EXPECT_EQ(kEffects, gv::assets::soundIds());
    for (int id : kEffects) {
        SCOPED_TRACE("effect " + std::to_string(id));
        const Wave w = waveOf(id);
        const bool wide = w.audio.format == AUDIO_S16LSB;
        EXPECT_TRUE(w.audio.channels == 1 && (wide || w.audio.format == AUDIO_U8) && w.seconds() > 0.05);
        ASSERT_GT(w.samples.size(), 100u);

        // Audible, centred, and not clipped: a clipped wave sits on the end codes for samples in a row.
        double peak = 0, power = 0, mean = 0;
        for (double x : w.samples) peak = std::max(peak, std::abs(x)), power += x * x, mean += x;
        EXPECT_TRUE(peak > 0.4 && std::sqrt(power / double(w.samples.size())) > 0.03 &&
                    std::fabs(mean / double(w.samples.size())) < 0.01)
            << peak << " " << power << " " << mean;
        const int lowest = wide ? -32768 : 0, highest = wide ? 32767 : 255;
        int run = 0, longest = 0;
        for (int c : w.codes) longest = std::max(longest, run = (c == lowest || c == highest) ? run + 1 : 0);
        EXPECT_LT(longest, 2);

        // No click: a bang may rise fast, but from silence; every effect dies away to silence.
        const std::size_t rate = std::size_t(w.audio.freq);
        const std::size_t start = std::max<std::size_t>(2, rate / 5000), end = rate / 500;  // 0.2 ms and 2 ms
        for (std::size_t i = 0; i < start; ++i) EXPECT_LT(std::abs(w.samples[i]), 0.1) << "sample " << i;
        for (std::size_t i = 0; i < end; ++i)
            EXPECT_LT(std::abs(w.samples[w.samples.size() - 1 - i]), 0.05) << "sample " << i << " from the end";
    }
}

// ---- the output ----

// Plays effect `id` of the game's sounds, as the game does.
void play(gv::SoundOutput& out, int id) { out.PlayEffect(id, gv::assets::sound(id)); }

// Sets an environment variable for one test and puts back what was there.
struct ScopedEnv {
    std::string name;
    std::optional<std::string> old;
    ScopedEnv(std::string n, const std::string& value) : name(std::move(n)) {
        if (const char* was = std::getenv(name.c_str())) old = was;
        gv::SetEnvironment(name.c_str(), value.c_str());
    }
    ~ScopedEnv() { gv::SetEnvironment(name.c_str(), old ? old->c_str() : nullptr); }
};

// The driver can only be chosen while nobody else holds SDL's audio.
#define SKIP_IF_AUDIO_TAKEN() \
    if (SDL_WasInit(SDL_INIT_AUDIO)) GTEST_SKIP() << "SDL audio is already open elsewhere in this process"

TEST(SoundOutput, WithoutAnAudioDeviceEverythingIsSkipped) {
    SKIP_IF_AUDIO_TAKEN();
    ScopedEnv env("SDL_AUDIODRIVER", "no-such-driver");
    {
        gv::SoundOutput out;
        play(out, 29);
        out.StopEffect();
        EXPECT_TRUE(!out.open() && !out.available() && out.playingId() == 0);
    }
    EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_AUDIO));
}

// SDL's disk driver writes everything the mixer outputs to a file, silence included: what a listener hears.
TEST(SoundOutput, OneEffectAtATimeReachesTheSpeakersAndStopSilencesThem) {
    SKIP_IF_AUDIO_TAKEN();
    if (std::string(SDL_GetPlatform()) == "Windows") GTEST_SKIP() << "SDL's disk driver leaves its file empty under Wine";
    // A file of this run's own: two test runs at once must not write into each other's.
    const std::string path = ::testing::TempDir() + "gorvath_disk_audio_" + std::to_string(::getpid()) + ".raw";
    // The disk driver's own pace (no SDL_DISKAUDIODELAY: SDL on Windows reads it over the file's name).
    ScopedEnv driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", path);
    // The loudest sample written after byte `from`, as a share of full scale.
    auto loudest = [&](std::size_t from) {
        std::ifstream in(path, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        double peak = 0;
        for (std::size_t i = from & ~std::size_t(1); i + 1 < bytes.size(); i += 2) {
            std::int16_t v;
            std::memcpy(&v, &bytes[i], 2);
            peak = std::max(peak, std::abs(v / 32768.0));
        }
        return std::pair{peak, bytes.size()};
    };
    {
        gv::SoundOutput out;
        for (int id : {-1, 0, 17, 101}) {
            play(out, id);
            EXPECT_TRUE(out.buffer().empty() && !out.playing()) << id;
        }
        // Each new effect cuts off the one before.
        for (int id : kEffects) {
            play(out, id);
            EXPECT_TRUE(id == out.playingId() && out.playing()) << "effect " << id;
        }
        const Uint32 before = SDL_GetTicks();
        play(out, 29);  // the quake: three seconds of rumble, from a buffer of its own
        EXPECT_LT(SDL_GetTicks() - before, 1000u) << "playing waits for the sound";
        ASSERT_TRUE(out.available());
        EXPECT_NE(gv::assets::sound(29).data(), out.buffer().data());
        play(out, 17);  // nothing to play: the quake goes on
        EXPECT_EQ(29, out.playingId());
        SDL_Delay(400);
        EXPECT_GT(loudest(0).first, 0.05) << "the rumble is not in the output";
        // The volume scales every effect from its start: half gives about half the amplitude, 0 silence.
        // Each is measured over the same stretch of the rumble, after what the mixer had already buffered.
        auto peakAt = [&](int volume) {
            out.setVolume(volume);
            play(out, 29);
            SDL_Delay(250);
            const std::size_t from = loudest(0).second;
            SDL_Delay(400);
            return loudest(from).first;
        };
        const double loud = peakAt(100);
        for (auto [volume, low, high] : {std::tuple{50, 0.4, 0.6}, std::tuple{0, 0.0, 0.002}}) {
            const double share = peakAt(volume) / loud;
            EXPECT_TRUE(share >= low && share <= high) << "volume " << volume << " gave " << share;
        }
        // At full volume an effect plays as it was made: effect 14 is one channel of 16-bit samples at the
        // output's own rate, so its loudest sample comes out unchanged.
        out.setVolume(100);
        const std::span<const std::uint8_t> made = gv::assets::sound(14);
        const auto data = std::search(made.begin(), made.end(), std::begin("data"), std::end("data") - 1) + 8;
        double madePeak = 0;
        for (auto p = data; p + 1 < made.end(); p += 2)
            madePeak = std::max(madePeak, std::abs(std::int16_t(p[0] | p[1] << 8) / 32768.0));
        const std::size_t before14 = loudest(0).second;
        play(out, 14);
        SDL_Delay(400);
        EXPECT_NEAR(loudest(before14).first, madePeak, 0.001) << "full volume is not the effect as it was made";
        play(out, 29);
        out.StopEffect();
        SDL_Delay(300);  // what the mixer had already buffered
        const std::size_t stopped = loudest(0).second;
        SDL_Delay(300);
        EXPECT_TRUE(loudest(stopped).first < 0.002 && out.playingId() == 0 && !out.playing()) << "it goes on after the stop";
        EXPECT_TRUE(std::ranges::equal(gv::assets::sound(29), out.buffer())) << "the buffer lost its bytes";
    }
    {
        // Two seconds after an effect has ended the device is closed, so no audio thread wakes in silence;
        // the next effect opens it again.
        gv::RealDriver clock;
        gv::EventLoop loop(&clock);
        gv::SoundOutput out(&loop);
        const Uint32 start = SDL_GetTicks();
        play(out, 20);  // a tenth of a second
        loop.waitUntil([&] { return !out.available(); });
        EXPECT_TRUE(SDL_GetTicks() - start >= 2000 && SDL_WasInit(SDL_INIT_AUDIO) == 0);
        play(out, 14);
        EXPECT_TRUE(out.available() && out.playingId() == 14);
    }
    EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_AUDIO)) << "the audio subsystem is left open";
    std::remove(path.c_str());
}

}  // namespace
