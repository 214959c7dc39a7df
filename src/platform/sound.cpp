#include "platform/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include "platform/eventloop.h"

namespace gv {

namespace {
constexpr int kChunkFrames = 512;  // about 23 ms: short enough that an effect starts with its event
constexpr int kSilenceMs = 2000;   // how long the device stays open after the last effect ended
}  // namespace

SoundOutput::SoundOutput(EventLoop* loop) {
    if (!loop) return;
    silence_ = std::make_unique<Timer>(*loop, "silence", kSilenceMs);
    silence_->onTimer = [this] { closeIfSilent(); };
}

SoundOutput::~SoundOutput() {
    release();
    // A chunk may be freed only once the mixer no longer reads it: every channel is halted first.
    if (open_) Mix_HaltChannel(-1);
    for (auto& [id, chunk] : converted_) Mix_FreeChunk(chunk);
    if (open_) Mix_CloseAudio();
    // Only our own use of the audio subsystem is given back; SDL itself belongs to the rest of the program.
    if (audioInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SoundOutput::open() {
    if (open_ || failed_) return open_;
    if (!audioInit_ && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "no sound: %s", SDL_GetError());
        failed_ = !everOpen_;
        return false;
    }
    audioInit_ = true;
    // The same format every time, so effects converted for an earlier opening still fit.
    if (Mix_OpenAudioDevice(kOutputRate, AUDIO_S16SYS, kOutputChannels, kChunkFrames, nullptr, 0) != 0) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "no sound: %s", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioInit_ = false;
        failed_ = !everOpen_;
        return false;
    }
    open_ = everOpen_ = true;
    return true;
}

void SoundOutput::closeIfSilent() {
    // Silence is real time: a test's virtual clock races through minutes without closing and opening.
    if (open_ && std::chrono::steady_clock::now() < silentFrom_ + std::chrono::milliseconds(kSilenceMs)) return;
    silence_->setEnabled(false);
    if (!open_) return;
    release();
    Mix_CloseAudio();
    open_ = false;
}

bool SoundOutput::ours() const { return open_ && chunk_ && channel_ >= 0 && Mix_GetChunk(channel_) == chunk_; }

bool SoundOutput::playing() const { return ours() && Mix_Playing(channel_) != 0; }

void SoundOutput::release() {
    if (ours()) Mix_HaltChannel(channel_);
    chunk_ = nullptr;
    channel_ = -1;
    id_ = 0;
}

void SoundOutput::PlayEffect(int id, std::span<const std::uint8_t> wave) {
    if (silent_) return;
    if (volume_ == 0) return release();  // it still cuts off the effect before it, as a silent one
    if (wave.empty() || !open()) return;
    release();
    SoundBuffer.assign(wave.begin(), wave.end());
    Mix_Chunk*& chunk = converted_[id];
    if (!chunk) {
        SDL_RWops* rw = SDL_RWFromConstMem(SoundBuffer.data(), int(SoundBuffer.size()));
        if (rw) chunk = Mix_LoadWAV_RW(rw, 1);
        if (!chunk) {
            SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "effect %d: %s", id, Mix_GetError());
            converted_.erase(id);
            return;
        }
    }
    chunk_ = chunk;
    Mix_VolumeChunk(chunk_, volume_ * MIX_MAX_VOLUME / 100);
    channel_ = Mix_PlayChannel(-1, chunk_, 0);
    if (channel_ >= 0) id_ = id;
    if (!silence_) return;
    const auto bytesPerSecond = std::uint64_t(kOutputRate) * kOutputChannels * 2;
    const int lengthMs = int(std::uint64_t(chunk_->alen) * 1000 / bytesPerSecond);
    silentFrom_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(lengthMs);
    silence_->setInterval(lengthMs + kSilenceMs);
    silence_->setEnabled(false), silence_->setEnabled(true);  // counts from this effect
}

void SoundOutput::StopEffect() {
    if (ours()) Mix_HaltChannel(channel_);
}

}  // namespace gv
