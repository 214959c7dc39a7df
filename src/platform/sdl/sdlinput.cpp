// The SDL driver's input half: the mouse, the keyboard and the game pads, turned into the form's input
// through the event loop.
#include <SDL.h>

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
    switch (e.type) {
        case SDL_QUIT:
            loop.post([this] { form.unload(); });
            break;
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
        case SDL_MOUSEBUTTONDOWN: {
            if (e.button.button != SDL_BUTTON_LEFT) break;
            SDL_Point p = toForm(e.button.x, e.button.y);
            int x = p.x, y = p.y;
            Control* c = form.controlAt(x, y);
            pressed = c;
            // Every second press of a quick run is a double-click, as on the desktop: three quick clicks on a
            // spin arrow step by one, ten and one, never by one and ten and ten.
            pressedWasDouble = e.button.clicks % 2 == 0 && c && c->kind() == ControlKind::Image;
            loop.markDirty();
            if (pressedWasDouble) loop.post([this, x, y] { form.mouseDown(x, y, true); });
            // Text boxes take the focus (and their click) at once, like any desktop text box; the second
            // press of a double-click selects the word.
            if (c && c->kind() == ControlKind::TextBox) {
                pressed = nullptr;
                bool dbl = e.button.clicks == 2;
                loop.post([this, x, y, dbl] { form.mouseDown(x, y, dbl); });
            }
            break;
        }
        case SDL_MOUSEBUTTONUP: {
            if (e.button.button != SDL_BUTTON_LEFT) break;
            SDL_Point p = toForm(e.button.x, e.button.y);
            int x = p.x, y = p.y;
            Control* was = pressed;
            bool dbl = pressedWasDouble;
            pressed = nullptr;
            loop.markDirty();
            // A click is a press and release on the same control; the second press of a double-click on
            // an image already counted as its double-click.
            if (was && !dbl && form.controlAt(x, y) == was) loop.post([this, x, y] { form.mouseDown(x, y, false); });
            break;
        }
        case SDL_KEYDOWN: {
            // F11 and Alt+Enter switch between the window and the whole screen; the game never sees them.
            SDL_Keycode k = e.key.keysym.sym;
            if (k == SDLK_F11 || ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT))) {
                if (!e.key.repeat) toggleFullScreen();
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
                for (char ch : s)
                    if (static_cast<unsigned char>(ch) < 128) form.typeChar(ch);
            });
            break;
        }
        default:
            break;
    }
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
        default:
            if (k >= 32 && k < 127) return int(k >= 'a' && k <= 'z' ? k - 32 : k);
            return -1;
    }
}

}  // namespace gv
