// Chat in a network game: the box, the lines over the battlefield, and the pieces a line travels in.
#include "game/chat.h"

#include <algorithm>
#include <utility>

#include "game/mainfrm.h"
#include "net/link.h"
#include "platform/eventloop.h"

namespace gv {

namespace {
// The lines under the players' panels, edged in the banner's shadow colour so they read on any sky.
constexpr int kLeft = 16, kWidth = 768, kBoxTop = 78, kLinesTop = 110, kRow = 20, kOutline = 2;
constexpr double kPoints = 11.25;
}  // namespace

ChatBox::ChatBox(Mainfrm& game) : WindowPart(game), timer_(std::make_unique<Timer>(game.loop(), "chattimer", 250)) {
    timer_->onTimer = [this] { Tick(); };
}

ChatBox::~ChatBox() = default;

void ChatBox::BuildChat() {
    const Font sans{FontFace::Sans, kPoints, true, false, false};
    prompt_ = &g_.label(&g_.world, "chatprompt", kLeft, kBoxTop + 3, 124, 24, "Zpráva:", kPoints);
    prompt_->font = sans;
    prompt_->align = Align::Right;
    box_ = &g_.textBox(&g_.world, "chatbox", kLeft + 128, kBoxTop, kWidth - 128, 28, "");
    // In the look of the aim boxes.
    box_->font = sans;
    box_->foreColour = g_.sila1.foreColour;
    box_->backColour = g_.sila1.backColour;
    box_->opaque = true;
    box_->maxLength = int(chat::kMaxBytes);
    box_->anyCharacter = true;  // Czech and every other language
    box_->onChange = [this] {
        const std::string text = box_->text();
        if (std::exchange(dropTypedT_, false) && (text == "t" || text == "T")) return box_->setText("");
        if (chat::Characters(text) > chat::kMaxChars) {
            std::size_t cut = 0;
            for (std::size_t chars = 0; cut < text.size(); ++cut)
                if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80 && chars++ == chat::kMaxChars) break;
            box_->setText(text.substr(0, cut));
        }
    };
    std::vector<Control*> made{prompt_, box_};
    for (int i = 0; i < kLines; ++i) {
        Label& line =
            g_.label(&g_.world, "chatline", kLeft, kLinesTop + kRow * i, kWidth, kRow, "", kPoints, MainLayout::kGreen, i);
        line.font = sans;
        line.outline = kOutline;
        line.outlineColour = MainLayout::kDarkGrey;
        lines_[std::size_t(i)] = &line;
        made.push_back(&line);
    }
    // In front of everything on the battlefield: the sun, the moon and the banner never hide a word.
    for (Control* c : made) {
        g_.stackInFrontOf(*c, *g_.world.children().front());
        c->setVisible(false);
    }
}

bool ChatBox::typing() const { return box_->visible(); }

bool ChatBox::MayOpen() const {
    const Link& n = g_.net();
    return g_.Networked() && n.linkUp && !n.resuming && !g_.Watching() && g_.world.enabledOnScreen() && !g_.Frame3.visible();
}

bool ChatBox::ChatKey(int key, int shift) {
    const bool plain = (shift & (Key::CtrlMask | Key::AltMask)) == 0;
    if (typing()) {
        // Clicked away, or the battle went behind the menu: the box goes unsent and the key is the game's.
        if (!box_->enabledOnScreen() || g_.focus() != box_ || !MayOpen()) {
            Close();
            return false;
        }
        dropTypedT_ = false;  // any key after the T that opened the box comes after its letter
        if (key == Key::Enter) Send();
        if (key == Key::Escape) Close();
        return true;
    }
    if (!plain || !MayOpen()) return false;
    const Control* f = g_.focus();
    const bool caret = f && f->kind() == ControlKind::TextBox && f->enabledOnScreen();
    if (key == Key::Enter || (key == Key::T && !caret)) {
        Open(key == Key::T);
        return true;
    }
    if (key == Key::Tab) {
        ShowHistory();
        return true;
    }
    return false;
}

void ChatBox::Open(bool byT) {
    focusBefore_ = g_.focus();
    box_->setText("");
    prompt_->setCaption(g_.state.CzechUi == True ? "Zpráva:" : "Message:");
    prompt_->setVisible(true);
    box_->setVisible(true);
    g_.setFocus(box_);
    dropTypedT_ = byT;
    timer_->setEnabled(true);
}

void ChatBox::Close() {
    dropTypedT_ = false;
    if (!typing()) return;
    if (g_.focus() == box_ || !g_.focus()) g_.setFocus(focusBefore_);  // the caret goes back where it was
    focusBefore_ = nullptr;
    box_->setVisible(false);
    prompt_->setVisible(false);
}

void ChatBox::Send() {
    const std::string line = chat::Clean(box_->text());
    Link& n = g_.net();
    if (line.empty() || !n.linkUp || n.resuming || g_.tcpcontrol.state() != TcpSocket::Connected) return Close();
    const double now = g_.loop().now();
    if (!sendLimit_.allow(now)) {
        // Too many lines in a short time: the line waits in the box for the next Enter.
        prompt_->setCaption(g_.state.CzechUi == True ? "Počkejte:" : "Wait:");
        return;
    }
    // Past SendMessage: chat is not counted for a broken link, nor recorded as a message of the battle.
    for (const std::string& piece : chat::Pieces(line)) g_.tcpcontrol.send(piece + "\n");
    n.lastSent = now;
    const int me = 3 - g_.PeerPlayer();
    Record(me, line);
    Show(me, line);
    Close();
}

void ChatBox::Take(const NetMessage& m) {
    const Link& n = g_.net();
    if (!g_.Networked() || !n.linkUp) return;
    // A line cut by a broken link never ends: its pieces before the break go.
    if (pieces_.partial() && piecesSince_ != n.lostAt) pieces_.clear();
    if (!pieces_.partial()) piecesSince_ = n.lostAt;
    const std::optional<std::string> line = pieces_.take(m);
    if (!line || !takeLimit_.allow(g_.loop().now())) return;
    Record(g_.PeerPlayer(), *line);
    Show(g_.PeerPlayer(), *line);
}

void ChatBox::Replay(int player, const std::string& piece) {
    if (player != 1 && player != 2) return;
    if (const std::optional<std::string> line = replayed_[std::size_t(player - 1)].take(ReadNetMessage(piece)))
        Show(player, *line);
}

// The battle's record keeps the line in the pieces it travels in; a battle computed again passes them over.
void ChatBox::Record(int player, const std::string& line) {
    if (!g_.recorder().active()) return;
    for (const std::string& piece : chat::Pieces(line)) {
        replay::Event e;
        e.kind = replay::Event::Chat;
        e.player = player;
        e.text = piece;
        g_.recorder().Add(std::move(e), g_.loop().now());
    }
}

void ChatBox::Show(int player, const std::string& line) {
    const std::string text = std::to_string(player) + ": " + line;
    history_.push_back(text);
    if (history_.size() > std::size_t(kLines)) history_.pop_front();
    shown_.push_back({text, g_.loop().now() + kShownMs});
    if (shown_.size() > std::size_t(kLines)) shown_.pop_front();
    Place();
}

void ChatBox::ShowHistory() {
    shown_.clear();
    for (const std::string& text : history_) shown_.push_back({text, g_.loop().now() + kShownMs});
    Place();
}

// The lines one under another, each as many rows as it wraps to.
void ChatBox::Place() {
    int top = kLinesTop;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Label& l = *lines_[i];
        if (i >= shown_.size()) {
            l.setVisible(false);
            continue;
        }
        const std::string& text = shown_[i].text;
        const auto rows = wrapWords(text, kWidth, [&](const std::string& s) { return g_.textWidth(l.font, s); }).size();
        const int height = kRow * int(std::max<std::size_t>(rows, 1));
        l.move(kLeft, top, kWidth, height);
        l.setCaption(text);
        l.setVisible(true);
        top += height;
    }
    if (!shown_.empty()) timer_->setEnabled(true);
}

void ChatBox::Tick() {
    if (typing() && (!box_->enabledOnScreen() || !MayOpen())) Close();
    const double now = g_.loop().now();
    const std::size_t before = shown_.size();
    std::erase_if(shown_, [now](const Line& l) { return l.until <= now; });
    if (shown_.size() != before) Place();
    if (shown_.empty() && !typing()) timer_->setEnabled(false);
}

void ChatBox::Reset() {
    Close();
    pieces_.clear();
    for (chat::Assembler& a : replayed_) a.clear();
    history_.clear();
    sendLimit_.clear();
    takeLimit_.clear();
}

std::vector<std::string> ChatBox::ShownLines() const {
    std::vector<std::string> out;
    for (const Label* l : lines_)
        if (l->visible()) out.push_back(l->caption());
    return out;
}

}  // namespace gv
