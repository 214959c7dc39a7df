// The SDL driver's input half: the mouse, the keyboard and the game pads, turned into the form's input
// through the event loop.
#include <SDL.h>

#include <memory>
#include <string>

#include "platform/sdl/sdlimpl.h"

namespace gv {

void SdlDriver::Impl::updateCursor(int x, int y) {
    Control* c = form.controlAt(x, y);
    bool wantHand = c && c->kind() == ControlKind::Label && static_cast<Label*>(c)->handCursor;
    if (wantHand == handShown || !hand) return;
    handShown = wantHand;
    SDL_SetCursor(wantHand ? hand : arrowCursor);
}

void SdlDriver::Impl::handle(const SDL_Event& e) {
    EventLoop& loop = form.loop();
    if (padInput) padInput->handle(e);
    switch (e.type) {
        case SDL_QUIT: loop.post([this] { form.unload(); }); break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) layout();
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN ||
                e.window.event == SDL_WINDOWEVENT_RESTORED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                fullRedraw = true;
                loop.markDirty();
            }
            break;
        case SDL_MOUSEMOTION: {
            SDL_Point p = toForm(e.motion.x, e.motion.y);
            updateCursor(p.x, p.y);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT) press(e.button);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT) release(e.button);
            break;
        case SDL_MOUSEWHEEL: {
            // A "flipped" (natural) wheel reports the other way round; the game wants the turn of the wheel.
            int steps = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            if (steps == 0) break;
            SDL_Point p = toForm(e.wheel.mouseX, e.wheel.mouseY);
            loop.post([this, p, steps] { form.wheel(p.x, p.y, steps); });
            break;
        }
        case SDL_KEYDOWN: {
            // F11 and Alt+Enter switch between the window and the whole screen, once a press: the game does it,
            // so what it shows and keeps of full screen follows.
            SDL_Keycode k = e.key.keysym.sym;
            if (k == SDLK_F11 || ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT))) {
                if (!e.key.repeat) loop.post([this] { form.keyDown(Key::F11); });
                break;
            }
            int key = translateKey(e.key.keysym.sym);
            if (key < 0) break;
            const Uint16 mod = e.key.keysym.mod;
            int shift = ((mod & KMOD_SHIFT) ? Key::ShiftMask : 0) | ((mod & KMOD_CTRL) ? Key::CtrlMask : 0) |
                        ((mod & KMOD_ALT) ? Key::AltMask : 0);
            loop.post([this, key, shift] { form.keyDown(key, shift); });
            break;
        }
        case SDL_TEXTINPUT: {
            std::string s = e.text.text;
            loop.post([this, s] {
                for (char ch : s) form.typeChar(ch);  // the box decides whether it takes more than ASCII
            });
            break;
        }
        default: break;
    }
}

// The left button goes down: a control is pressed (a text box takes the focus at once).
void SdlDriver::Impl::press(const SDL_MouseButtonEvent& b) {
    EventLoop& loop = form.loop();
    SDL_Point p = toForm(b.x, b.y);
    int x = p.x, y = p.y;
    Control* c = form.controlAt(x, y);
    pressed = c;
    // Every second press of a quick run is a double-click, as on the desktop: three quick clicks on a
    // spin arrow step by one, ten and one, never by one and ten and ten.
    pressedWasDouble = b.clicks % 2 == 0 && c && c->kind() == ControlKind::Image;
    loop.markDirty();
    loop.post([this, x, y] { form.holdStart(x, y); });
    if (pressedWasDouble) loop.post([this, x, y] { form.mouseDown(x, y, true); });
    // Text boxes take the focus (and their click) at once, like any desktop text box; the second
    // press of a double-click selects the word.
    if (c && c->kind() == ControlKind::TextBox) {
        pressed = nullptr;
        bool dbl = b.clicks == 2;
        loop.post([this, x, y, dbl] { form.mouseDown(x, y, dbl); });
    }
}

// The left button comes up: a click when it was pressed on the same control.
void SdlDriver::Impl::release(const SDL_MouseButtonEvent& b) {
    EventLoop& loop = form.loop();
    SDL_Point p = toForm(b.x, b.y);
    int x = p.x, y = p.y;
    Control* was = pressed;
    bool dbl = pressedWasDouble;
    pressed = nullptr;
    loop.markDirty();
    loop.post([this] { form.holdEnd(); });
    // A click is a press and release on the same control; the second press of a double-click on
    // an image already counted as its double-click.
    if (was && !dbl && form.controlAt(x, y) == was) loop.post([this, x, y] { form.mouseDown(x, y, false); });
}

int SdlDriver::Impl::translateKey(SDL_Keycode k) {
    switch (k) {
        case SDLK_BACKSPACE: return Key::Backspace;
        case SDLK_TAB: return Key::Tab;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return Key::Enter;
        case SDLK_ESCAPE: return Key::Escape;
        case SDLK_SPACE: return Key::Space;
        case SDLK_END: return Key::End;
        case SDLK_HOME: return Key::Home;
        case SDLK_LEFT: return Key::Left;
        case SDLK_UP: return Key::Up;
        case SDLK_RIGHT: return Key::Right;
        case SDLK_DOWN: return Key::Down;
        case SDLK_DELETE: return Key::Delete;
        case SDLK_F1: return Key::F1;
        default:
            if (k >= 32 && k < 127) return int(k >= 'a' && k <= 'z' ? k - 32 : k);
            return -1;
    }
}

}  // namespace gv

// ---------------------------------------------------------------- Game controllers

namespace gv {

namespace {
// The left stick presses a direction past half its travel and lets go under a quarter: a stick resting
// near the line does not chatter.
constexpr int kStickPress = 16384, kStickRelease = 8192;

bool padButton(Uint8 b, PadButton& out) {
    switch (b) {
        case SDL_CONTROLLER_BUTTON_DPAD_UP: out = PadButton::Up; return true;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: out = PadButton::Down; return true;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: out = PadButton::Left; return true;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: out = PadButton::Right; return true;
        case SDL_CONTROLLER_BUTTON_A: out = PadButton::A; return true;
        case SDL_CONTROLLER_BUTTON_B: out = PadButton::B; return true;
        case SDL_CONTROLLER_BUTTON_START: out = PadButton::Start; return true;
        default: return false;
    }
}
}  // namespace

SdlPadInput::SdlPadInput(Form& form) : form_(form) {
    // SDL knows most controllers from its own list (and SDL_GAMECONTROLLERCONFIG); without it, no pads.
    started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

SdlPadInput::~SdlPadInput() {
    for (auto& [id, o] : open_) SDL_GameControllerClose(static_cast<SDL_GameController*>(o.controller));
    if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

// Everything reaches the Pads through the loop, in order, like the keys; the posted events hold the
// Pads and the numbers, not this object, which may go first.
void SdlPadInput::post(int id, PadButton b, bool down) {
    form_.loop().post([pads = &form_.pads(), numbers = numbers_, id, b, down] {
        auto n = numbers->find(id);
        if (n == numbers->end()) return;
        down ? pads->press(n->second, b) : pads->release(n->second, b);
    });
}

void SdlPadInput::handle(const SDL_Event& e) {
    Pads* pads = &form_.pads();
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: {
            SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which);
            if (!c) break;
            const int id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
            // A controller may be announced twice when SDL starts: SDL counts the opens, so give one back.
            if (!open_.emplace(id, Open{c}).second) {
                SDL_GameControllerClose(c);
                break;
            }
            form_.loop().post([pads, numbers = numbers_, id] { (*numbers)[id] = pads->plug(); });
            break;
        }
        case SDL_CONTROLLERDEVICEREMOVED: {
            const int id = e.cdevice.which;  // here SDL gives the instance id
            auto it = open_.find(id);
            if (it == open_.end()) break;
            SDL_GameControllerClose(static_cast<SDL_GameController*>(it->second.controller));
            open_.erase(it);
            form_.loop().post([pads, numbers = numbers_, id] {
                auto n = numbers->find(id);
                if (n == numbers->end()) return;
                const int pad = n->second;
                numbers->erase(n);
                pads->unplug(pad);
            });
            break;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            PadButton b;
            if (open_.count(e.cbutton.which) && padButton(e.cbutton.button, b))
                post(e.cbutton.which, b, e.type == SDL_CONTROLLERBUTTONDOWN);
            break;
        }
        case SDL_CONTROLLERAXISMOTION: {
            auto it = open_.find(e.caxis.which);
            const bool x = e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX;
            if (it == open_.end() || (!x && e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY)) break;
            int& dir = x ? it->second.stickX : it->second.stickY;
            const int v = e.caxis.value;
            // Past half way either side presses; a held side is let go under a quarter, or on the other side.
            int want = v > kStickPress ? 1 : v < -kStickPress ? -1 : dir * v < kStickRelease ? 0 : dir;
            if (want == dir) break;
            const PadButton less = x ? PadButton::Left : PadButton::Up, more = x ? PadButton::Right : PadButton::Down;
            if (dir) post(e.caxis.which, dir > 0 ? more : less, false);
            dir = want;
            if (want) post(e.caxis.which, want > 0 ? more : less, true);
            break;
        }
        default: break;
    }
}

}  // namespace gv
