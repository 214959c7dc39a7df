// The desktop's parts as SDL (and, for the keyboard's layout, the X display or Windows) serve them.
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sdl/sdlbackend.h"

#if defined(_WIN32)
#include <windows.h>
#else
// Xlib's macros (Bool, None, ShiftMask...) after every header of ours.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace gv {

namespace {

#if defined(_WIN32)
// A keyboard layout's language as the layout names of the X display go ("cz", "sk", "us"...), for those
// the game tells apart; others by their language's ISO code.
std::string layoutName(HKL layout) {
    const LANGID language = LOWORD(reinterpret_cast<std::uintptr_t>(layout));
    switch (PRIMARYLANGID(language)) {
        case LANG_CZECH: return "cz";
        case LANG_SLOVAK: return "sk";
        case LANG_ENGLISH: return "us";
        default: break;
    }
    char name[16] = {};
    return GetLocaleInfoA(MAKELCID(language, SORT_DEFAULT), LOCALE_SISO639LANGNAME, name, sizeof name) > 0 ? name : "";
}

// The layouts set up, in their order, and the one the foreground window types with.
void readKeyboard(LanguageSettings& s) {
    HKL layouts[32];
    const int n = GetKeyboardLayoutList(32, layouts);
    const HKL now = GetKeyboardLayout(GetWindowThreadProcessId(GetForegroundWindow(), nullptr));
    for (int i = 0; i < n; ++i) {
        s.keyboardLayouts.push_back(layoutName(layouts[i]));
        if (layouts[i] == now) s.keyboardGroup = i;
    }
    if (n <= 0 && now) s.keyboardLayouts.push_back(layoutName(now));
    // The user's language, as a locale name ("cs-CZ" as "cs_CZ").
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
    if (GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH) > 0) {
        std::string name;
        for (const wchar_t* c = locale; *c; ++c) name += *c == L'-' ? '_' : char(*c & 0x7f);
        s.userLanguages.push_back(name);
    }
}
#else

// The X display's layouts and the keyboard's group, an index into them; nothing without a display.
void readXKeyboard(LanguageSettings& s) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    // The rules names property: rules, model, layouts, variants, options, each ending in a zero byte.
    Atom prop = XInternAtom(d, "_XKB_RULES_NAMES", True);
    if (prop != None) {
        Atom type;
        int format;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, DefaultRootWindow(d), prop, 0, 1024, False, XA_STRING, &type, &format, &items, &after, &data) ==
                Success &&
            data) {
            s.keyboardLayouts = KeyboardLayoutsNamed(std::string(reinterpret_cast<char*>(data), items));
            XFree(data);
        }
    }
    // The group is the layout switched to now ("us,cz" in group 1 types Czech).
    XkbStateRec state{};
    if (XkbGetState(d, XkbUseCoreKbd, &state) == Success) s.keyboardGroup = state.group;
    XCloseDisplay(d);
}
void readKeyboard(LanguageSettings& s) { readXKeyboard(s); }
#endif

class SdlAudio : public AudioStream {
public:
    explicit SdlAudio(SDL_AudioDeviceID d) : device_(d) {}
    ~SdlAudio() override {
        SDL_CloseAudioDevice(device_);  // waits for the audio thread to leave its fill
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;
    void lock() override { SDL_LockAudioDevice(device_); }
    void unlock() override { SDL_UnlockAudioDevice(device_); }

private:
    SDL_AudioDeviceID device_;
};

class SdlSystem : public WindowSystem {
public:
    std::shared_ptr<void> session(const char* windowClass) override { return std::make_shared<SdlSession>(windowClass); }
    std::unique_ptr<Window> window(Form& form) override { return std::make_unique<SdlDriver>(form); }

    std::unique_ptr<AudioStream> openAudio(int rate, int channels, int frames, AudioStream::Fill fill, void* user) override {
        // Only our own use of the audio subsystem is taken and given back; SDL belongs to the rest of the program.
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "no sound: %s", SDL_GetError());
            return nullptr;
        }
        // SDL converts our format for the device if it must.
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = Uint8(channels);
        want.samples = Uint16(frames);
        want.callback = fill;
        want.userdata = user;
        const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (device == 0) {
            SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "no sound: %s", SDL_GetError());
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return nullptr;
        }
        SDL_PauseAudioDevice(device, 0);
        return std::make_unique<SdlAudio>(device);
    }

    bool monoSamples(std::span<const std::uint8_t> wave, int rate, std::vector<std::int16_t>& out) override {
        SDL_AudioSpec wav{};
        Uint8* raw = nullptr;
        Uint32 length = 0;
        SDL_RWops* rw = SDL_RWFromConstMem(wave.data(), int(wave.size()));
        if (!rw || !SDL_LoadWAV_RW(rw, 1, &wav, &raw, &length)) {
            SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "wave: %s", SDL_GetError());
            return false;
        }
        SDL_AudioCVT cvt{};
        if (SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, AUDIO_S16SYS, 1, rate) < 0) {
            SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "wave: %s", SDL_GetError());
            SDL_FreeWAV(raw);
            return false;
        }
        std::vector<Uint8> bytes(std::size_t(length) * std::size_t(std::max(1, cvt.len_mult)));
        std::memcpy(bytes.data(), raw, length);
        SDL_FreeWAV(raw);
        cvt.buf = bytes.data();
        cvt.len = int(length);
        if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) {
            SDL_LogDebug(SDL_LOG_CATEGORY_AUDIO, "wave: %s", SDL_GetError());
            return false;
        }
        const std::size_t converted = cvt.needed ? std::size_t(cvt.len_cvt) : std::size_t(length);
        out.resize(converted / sizeof(std::int16_t));
        std::memcpy(out.data(), bytes.data(), out.size() * sizeof(std::int16_t));
        return true;
    }

    void readKeyboard(LanguageSettings& s) override { gv::readKeyboard(s); }
    void openUrl(const char* url) override { SdlDriver::openUrl(url); }
};

}  // namespace

WindowSystem& sdlWindowSystem() {
    static SdlSystem system;
    return system;
}

}  // namespace gv
