#include "platform/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include "assets/sounds.h"

namespace gv {

namespace {
constexpr int kChunkFrames = 512;  // about 23 ms: short enough that an effect starts with its event
}  // namespace

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
    if (tried_) return open_;
    tried_ = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "no sound: %s", SDL_GetError());
        return false;
    }
    audioInit_ = true;
    if (Mix_OpenAudioDevice(kOutputRate, AUDIO_S16SYS, kOutputChannels, kChunkFrames, nullptr, 0) != 0) {
        SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "no sound: %s", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioInit_ = false;
        return false;
    }
    open_ = true;
    return true;
}

bool SoundOutput::ours() const { return open_ && chunk_ && channel_ >= 0 && Mix_GetChunk(channel_) == chunk_; }

bool SoundOutput::playing() const { return ours() && Mix_Playing(channel_) != 0; }

void SoundOutput::release() {
    if (ours()) Mix_HaltChannel(channel_);
    chunk_ = nullptr;
    channel_ = -1;
    id_ = 0;
}

void SoundOutput::PlayEffect(int id) {
    const std::span<const std::uint8_t> wave = assets::sound(id);
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
    channel_ = Mix_PlayChannel(-1, chunk_, 0);
    if (channel_ >= 0) id_ = id;
}

void SoundOutput::StopEffect() {
    if (ours()) Mix_HaltChannel(channel_);
}

}  // namespace gv
