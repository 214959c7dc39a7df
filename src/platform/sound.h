#pragma once
// Sound effects through SDL_mixer: one effect at a time, played from memory in the background.
// Without an audio device (no sound card, or SDL cannot open one) every call quietly does nothing,
// so the game never depends on sound.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

struct Mix_Chunk;

namespace gv {

class EventLoop;
class Timer;

class SoundOutput {
public:
    // The mixed stream the device is given: 16-bit signed samples in native byte order, interleaved.
    // SDL converts it for the device if it must, so it is always exactly this.
    static constexpr int kOutputRate = 22050;
    static constexpr int kOutputChannels = 2;

    // The device is opened on the first effect, or by open(). Given a loop, it is closed again after two
    // seconds of silence (an open device keeps SDL's audio thread waking even when nothing plays) and
    // opened again by the next effect.
    explicit SoundOutput(EventLoop* loop = nullptr);
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Opens the audio device now; true when sound works. A device that never opened is not tried again;
    // one that worked and was closed in a silence is tried again with every effect until it opens.
    bool open();
    bool available() const { return open_; }

    // Starts the effect `wave` (a whole RIFF wave file), known as `id`, and returns at once. The effect
    // playing is stopped first: at most one sounds at a time. An empty wave is ignored, and what plays goes
    // on. An id always names the same wave: it is converted for the device once, on its first play.
    void PlayEffect(int id, std::span<const std::uint8_t> wave);
    // Stops whatever plays. The bytes of the last effect stay in the buffer.
    void StopEffect();
    // A silent output plays nothing and never opens the device (for work computed without anyone listening).
    void setSilent(bool silent) { silent_ = silent; }
    // How loud every effect plays from its start, in per cent (0 to 100).
    void setVolume(int percent) { volume_ = percent < 0 ? 0 : percent > 100 ? 100 : percent; }
    int volume() const { return volume_; }

    // Whether the effect last started is still sounding (asks SDL_mixer), and which one it is
    // (0 when nothing plays).
    bool playing() const;
    int playingId() const { return playing() ? id_ : 0; }
    // The wave file of the effect last started.
    const std::vector<std::uint8_t>& buffer() const { return SoundBuffer; }

private:
    bool ours() const;  // our chunk is still the one on our channel
    void release();     // stop our effect
    void closeIfSilent();

    std::vector<std::uint8_t> SoundBuffer;
    // Each effect converted to the device's format once, on its first play (converting takes longer
    // than a whole shot of the game).
    std::map<int, Mix_Chunk*> converted_;
    Mix_Chunk* chunk_ = nullptr;
    int channel_ = -1;
    int id_ = 0;
    std::unique_ptr<Timer> silence_;                    // closes the device once nothing has played for a while
    std::chrono::steady_clock::time_point silentFrom_;  // when the last effect ends
    bool failed_ = false;
    bool everOpen_ = false;
    bool audioInit_ = false;
    bool open_ = false;
    bool silent_ = false;
    int volume_ = 100;
};

}  // namespace gv
