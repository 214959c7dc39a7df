#pragma once
// A part of the window that works on it (a panel, the gauges, network play ...): it belongs to one window
// for that window's whole life and is never copied.
namespace gv {

class Mainfrm;

class WindowPart {
public:
    explicit WindowPart(Mainfrm& game) : g_(game) {}
    WindowPart(const WindowPart&) = delete;
    WindowPart& operator=(const WindowPart&) = delete;

protected:
    ~WindowPart() = default;
    Mainfrm& g_;
};

}  // namespace gv
