#pragma once
// Chat in a network game: the one-line box the player writes in, over the battlefield, and the lines both
// players wrote, shown there for a few seconds with the writer's player number.
#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "game/windowpart.h"
#include "net/chat.h"

namespace gv {

class Control;
class Label;
class TextBox;
class Timer;
struct NetMessage;

class ChatBox : public WindowPart {
public:
    explicit ChatBox(Mainfrm& game);
    ~ChatBox();

    static constexpr int kLines = 5;          // lines shown at once, and kept to show again
    static constexpr double kShownMs = 8000;  // how long a line stays up

    // Made once with the window: the box, its prompt and the lines, on the battlefield, all hidden.
    void BuildChat();
    // The chat's keys in a linked network game over the battlefield (no menu, no panel over it):
    //  - Enter opens the box, whatever has the caret: in a battle Enter presses nothing else.
    //  - T opens it unless a text box has the caret (there it is a letter typed).
    //  - Tab shows the last five lines again.
    //  - While the box is open every key is the box's (F11 apart): Enter sends the line and closes the box,
    //    Esc closes it unsent; nothing reaches the battle, not Space, not the arrows, not M.
    // True when the key was the chat's.
    bool ChatKey(int key, int shift);
    // A chat message of the peer's: once its line is whole, shown, unless the peer floods us.
    void Take(const NetMessage& m);
    // A chat piece of a record being watched, `player`'s: its line shown once whole, as when it was played.
    void Replay(int player, const std::string& piece);
    // The link ends, or watching a record begins or ends: nothing half taken stays, the box closes, the lines
    // kept go (those up stay their time).
    void Reset();
    bool typing() const;
    // The lines up now, the oldest first, as the screen shows them ("1: hello").
    std::vector<std::string> ShownLines() const;

private:
    bool MayOpen() const;
    void Open(bool byT);
    void Close();
    void Send();
    void Show(int player, const std::string& line);
    void Record(int player, const std::string& line);
    void ShowHistory();
    void Place();
    void Tick();

    struct Line {
        std::string text;
        double until = 0;
    };
    std::deque<std::string> history_;  // the last lines, the oldest first
    std::deque<Line> shown_;           // the lines up now
    chat::Assembler pieces_;
    double piecesSince_ = 0;                   // the link's last break when the line being put together began
    std::array<chat::Assembler, 2> replayed_;  // each player's, in a record being watched
    chat::RateLimit sendLimit_{chat::kSendLines, chat::kRatePeriodMs};
    chat::RateLimit takeLimit_{chat::kTakeLines, chat::kRatePeriodMs};
    std::unique_ptr<Timer> timer_;  // takes lines down when their time is up
    Control* focusBefore_ = nullptr;
    bool dropTypedT_ = false;  // the T that opened the box comes as a typed letter too
    TextBox* box_ = nullptr;
    Label* prompt_ = nullptr;
    std::array<Label*, kLines> lines_{};
};

}  // namespace gv
