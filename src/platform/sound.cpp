#include "platform/sound.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/eventloop.h"

namespace gv {

namespace {
constexpr int kChunkFrames = 512;  // about 23 ms: short enough that an effect starts with its event
constexpr int kSilenceMs = 2000;   // how long the device stays open after the last effect ended

// Holds the audio thread off our effect while it lives.
class DeviceLock {
public:
    explicit DeviceLock(SDL_AudioDeviceID d) : d_(d) {
        if (d_) SDL_LockAudioDevice(d_);
    }
    ~DeviceLock() {
        if (d_) SDL_UnlockAudioDevice(d_);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    SDL_AudioDeviceID d_;
};
}  // namespace

SoundOutput::SoundOutput(EventLoop* loop) {
    if (!loop) return;
    silence_ = std::make_unique<Timer>(*loop, "silence", kSilenceMs);
    silence_->onTimer = [this] { closeIfSilent(); };
}

SoundOutput::~SoundOutput() { close(); }

bool SoundOutput::open() {
    if (open_ || failed_) return open_;
    // Only our own use of the audio subsystem is taken and given back; SDL belongs to the rest of the program.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "no sound: %s", SDL_GetError());
        failed_ = !everOpen_;
        return false;
    }
    // The same format every time, so effects converted for an earlier opening still fit; SDL converts it
    // for the device if it must.
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = kChunkFrames;
    want.callback = Fill;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device_ == 0) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "no sound: %s", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        failed_ = !everOpen_;
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    open_ = everOpen_ = true;
    return true;
}

void SoundOutput::close() {
    if (!open_) return;
    release();
    SDL_CloseAudioDevice(device_);  // waits for the audio thread to leave Fill
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    converted_.clear();  // a silent game keeps no sound in memory
    device_ = 0;
    open_ = false;
}

void SoundOutput::closeIfSilent() {
    // Silence is real time: a test's virtual clock races through minutes without closing and opening.
    if (open_ && std::chrono::steady_clock::now() < silentFrom_ + std::chrono::milliseconds(kSilenceMs)) return;
    silence_->setEnabled(false);
    close();
}

void SoundOutput::Fill(void* self, std::uint8_t* stream, int bytes) {
    auto& out = *static_cast<SoundOutput*>(self);
    std::memset(stream, 0, std::size_t(bytes));
    if (!out.current_) return;
    // The effect is mono: each sample goes to both speakers, scaled as SDL's own mixer scales.
    auto* frames = reinterpret_cast<std::int16_t*>(stream);
    const std::size_t left = out.current_->size() - out.position_;
    const std::size_t n = std::min(left, std::size_t(bytes) / (sizeof(std::int16_t) * kOutputChannels));
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::int16_t>((*out.current_)[out.position_ + i] * out.gain_ / SDL_MIX_MAXVOLUME);
        for (int c = 0; c < kOutputChannels; ++c) frames[i * kOutputChannels + std::size_t(c)] = v;
    }
    out.position_ += n;
}

bool SoundOutput::playing() const {
    if (!open_) return false;
    DeviceLock lock(device_);
    return current_ && position_ < current_->size();
}

void SoundOutput::release() {
    {
        DeviceLock lock(open_ ? device_ : 0);
        current_ = nullptr;
        position_ = 0;
    }
    id_ = 0;
}

const SoundOutput::Samples* SoundOutput::convert(int id) {
    if (auto it = converted_.find(id); it != converted_.end()) return &it->second;
    SDL_AudioSpec wav{};
    Uint8* raw = nullptr;
    Uint32 length = 0;
    SDL_RWops* rw = SDL_RWFromConstMem(SoundBuffer.data(), int(SoundBuffer.size()));
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &wav, &raw, &length)) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "effect %d: %s", id, SDL_GetError());
        return nullptr;
    }
    SDL_AudioCVT cvt{};
    if (SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, AUDIO_S16SYS, 1, kOutputRate) < 0) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "effect %d: %s", id, SDL_GetError());
        SDL_FreeWAV(raw);
        return nullptr;
    }
    std::vector<Uint8> bytes(std::size_t(length) * std::size_t(std::max(1, cvt.len_mult)));
    std::memcpy(bytes.data(), raw, length);
    SDL_FreeWAV(raw);
    cvt.buf = bytes.data();
    cvt.len = int(length);
    if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "effect %d: %s", id, SDL_GetError());
        return nullptr;
    }
    const std::size_t converted = cvt.needed ? std::size_t(cvt.len_cvt) : std::size_t(length);
    Samples& samples = converted_[id];
    samples.resize(converted / sizeof(std::int16_t));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(std::int16_t));
    return &samples;
}

void SoundOutput::PlayEffect(int id, std::span<const std::uint8_t> wave) {
    if (silent_) return;
    if (volume_ == 0) return release();  // it still cuts off the effect before it, as a silent one
    if (wave.empty() || !open()) return;
    release();
    SoundBuffer.assign(wave.begin(), wave.end());
    const Samples* samples = convert(id);
    if (!samples) return;
    {
        DeviceLock lock(device_);
        current_ = samples;
        position_ = 0;
        gain_ = volume_ * SDL_MIX_MAXVOLUME / 100;
    }
    id_ = id;
    if (!silence_) return;
    const int lengthMs = int(std::uint64_t(samples->size()) * 1000 / kOutputRate);
    silentFrom_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(lengthMs);
    silence_->setInterval(lengthMs + kSilenceMs);
    silence_->setEnabled(false), silence_->setEnabled(true);  // counts from this effect
}

void SoundOutput::StopEffect() { release(); }

}  // namespace gv
