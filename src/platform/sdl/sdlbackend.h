#pragma once
// Draws a Form in a real SDL window and feeds it the player's input, through the event loop.
#include <memory>

#include "platform/controls.h"
#include "platform/eventloop.h"

namespace gv {

class SdlDriver : public Driver {
public:
    // Opens the window for `form` (its caption, icon and client size). Throws std::runtime_error when no
    // display can be opened.
    explicit SdlDriver(Form& form);
    ~SdlDriver() override;
    SdlDriver(const SdlDriver&) = delete;
    SdlDriver& operator=(const SdlDriver&) = delete;

    double nowMs() override;
    double timeOfDay() override;
    void collectInput() override;
    void present() override;
    void sleepUntil(double tMs) override;

    // Opens a web address in the desktop's browser; errors are ignored.
    static void openUrl(const char* url);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace gv
