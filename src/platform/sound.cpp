#include "platform/sound.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "platform/eventloop.h"
#include "platform/windowsystem.h"

namespace gv {

namespace {
constexpr int kChunkFrames = 512;  // about 23 ms: short enough that an effect starts with its event
constexpr int kSilenceMs = 2000;   // how long the device stays open after the last effect ended

constexpr int kFullGain = 128;  // a gain of 128 plays an effect as it was made

// Holds the audio thread off our effect while it lives.
class DeviceLock {
public:
    explicit DeviceLock(AudioStream* d) : d_(d) {
        if (d_) d_->lock();
    }
    ~DeviceLock() {
        if (d_) d_->unlock();
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    AudioStream* d_;
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
    // The same format every time, so effects converted for an earlier opening still fit.
    try {
        device_ = windowSystem().openAudio(kOutputRate, kOutputChannels, kChunkFrames, Fill, this);
    } catch (const std::runtime_error&) {
        device_ = nullptr;  // no desktop's parts: no sound
    }
    if (!device_) {
        failed_ = !everOpen_;
        return false;
    }
    open_ = everOpen_ = true;
    return true;
}

void SoundOutput::close() {
    if (!open_) return;
    release();
    device_.reset();
    converted_.clear();  // a silent game keeps no sound in memory
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
        const auto v = static_cast<std::int16_t>((*out.current_)[out.position_ + i] * out.gain_ / kFullGain);
        for (int c = 0; c < kOutputChannels; ++c) frames[i * kOutputChannels + std::size_t(c)] = v;
    }
    out.position_ += n;
}

bool SoundOutput::playing() const {
    if (!open_) return false;
    DeviceLock lock(device_.get());
    return current_ && position_ < current_->size();
}

void SoundOutput::release() {
    {
        DeviceLock lock(open_ ? device_.get() : nullptr);
        current_ = nullptr;
        position_ = 0;
    }
    id_ = 0;
}

const SoundOutput::Samples* SoundOutput::convert(int id) {
    if (auto it = converted_.find(id); it != converted_.end()) return &it->second;
    Samples samples;
    if (!windowSystem().monoSamples(SoundBuffer, kOutputRate, samples)) return nullptr;
    return &(converted_[id] = std::move(samples));
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
        DeviceLock lock(device_.get());
        current_ = samples;
        position_ = 0;
        gain_ = volume_ * kFullGain / 100;
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
