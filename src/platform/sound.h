#pragma once
// Sound effects through the desktop's sound card (SDL's own audio): one effect at a time, mixed by us into
// the device's stream from memory in the background.
// Without an audio device (no sound card, SDL cannot open one, or no window module) every call quietly does
// nothing, so the game never depends on sound.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace gv {

class AudioStream;
class EventLoop;
class Timer;

class SoundOutput {
public:
    // The mixed stream the device is given: 16-bit signed samples in native byte order, interleaved.
    // The device's side converts it if it must, so it is always exactly this.
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
    // on. An id always names the same wave: it is converted for the device on its first play while open.
    void PlayEffect(int id, std::span<const std::uint8_t> wave);
    // Stops whatever plays. The bytes of the last effect stay in the buffer.
    void StopEffect();
    // A silent output plays nothing and never opens the device (for work computed without anyone listening).
    void setSilent(bool silent) { silent_ = silent; }
    // How loud every effect plays from its start, in per cent (0 to 100).
    void setVolume(int percent) { volume_ = percent < 0 ? 0 : percent > 100 ? 100 : percent; }
    int volume() const { return volume_; }

    // Whether the effect last started is still sounding (asks the audio thread), and which one it is
    // (0 when nothing plays).
    bool playing() const;
    int playingId() const { return playing() ? id_ : 0; }
    // The wave file of the effect last started.
    const std::vector<std::uint8_t>& buffer() const { return SoundBuffer; }

private:
    using Samples = std::vector<std::int16_t>;
    // The audio thread's call for the next stretch of the stream: what is left of our effect, at its volume.
    static void Fill(void* self, std::uint8_t* stream, int bytes);
    const Samples* convert(int id);  // the effect in the device's format, or null
    void release();                  // stop our effect
    void close();
    void closeIfSilent();

    std::vector<std::uint8_t> SoundBuffer;
    // Each effect converted to the device's rate and sample format (one channel) on its first play while
    // the device is open; forgotten when it closes.
    std::map<int, Samples> converted_;
    // Read by the audio thread, changed only under the device's lock.
    const Samples* current_ = nullptr;
    std::size_t position_ = 0;  // samples of current_ already given to the device
    int gain_ = 128;            // of 128, fixed when the effect starts
    std::unique_ptr<AudioStream> device_;
    int id_ = 0;
    std::unique_ptr<Timer> silence_;                    // closes the device once nothing has played for a while
    std::chrono::steady_clock::time_point silentFrom_;  // when the last effect ends
    bool failed_ = false;
    bool everOpen_ = false;
    bool open_ = false;
    bool silent_ = false;
    int volume_ = 100;
};

}  // namespace gv
