// Recorded battles: every battle leaves a record that computes the same again; a changed decision, a
// damaged file and a folder that cannot be written are each told plainly; a record plays in the window at
// its pace, Right skips a wait and Esc leaves; a network battle's chat shows where it was written.
#include "replay_support.h"

#include "game/chat.h"

namespace gv::testing {
namespace {

struct Recorded : Headless {
    explicit Recorded(const std::string& folder) : Headless(englishDesktop(folder)) { start(); }
    const replay::Record& record() const { return game.recorder().current(); }
};

std::size_t recordsIn(const std::string& folder) {
    return std::ranges::count_if(std::filesystem::directory_iterator(onDisk(folder)),
                                 [](auto& e) { return e.path().extension() == ".replay"; });
}

// The file with the force of its `nth` shot changed.
std::string otherForce(const std::string& text, int nth) {
    std::istringstream in(text);
    std::string out, line;
    while (std::getline(in, line)) {
        if (line.rfind("fire ", 0) == 0 && --nth == 0) line = changed(line, "^fire ([12]) [0-9.]+", "fire $1 199");
        out += line + "\n";
    }
    return out;
}

TEST(Replay, ABattleComputesTheSameAgainAndTheFirstChangedTurnIsNamed) {
    TempFolder folder("hotseat");
    Recorded h(folder.path);
    h.newBattle(5);
    Random aims = seeded(3);
    playScripted(h, aims, 12);
    const std::string path = h.game.recorder().path();
    ASSERT_EQ(recordsIn(folder.path), 1u);
    // Flushed as it was played: the file holds every event the game recorded.
    const std::string text = readText(path);
    EXPECT_EQ(text, h.record().text());
    // Computed on the battle alone, and on a game window nobody sees: the same verdict, word for word.
    auto verify = [&](const std::string& file) {
        replay::Verdict alone = replay::VerifyFile(file), window = replay::VerifyFile(file, [](Mainfrm&) {});
        EXPECT_EQ(alone.line, window.line);
        return alone;
    };
    replay::Verdict v = verify(path);
    EXPECT_TRUE(v.kind == replay::Verdict::Same && v.line.find(": ok, 12 shots") != std::string::npos) << v.line;

    // Any decision or hash changed: the first turn that differs is named.
    // What is changed, the changed record, and what the verdict says.
    for (const auto& [what, changedText, turn] : std::vector<std::tuple<const char*, std::string, const char*>>{
             {"the fifth shot's force", otherForce(text, 5), "differs at turn 5: 'hash 5"},
             {"the third hash", changed(text, "hash 3 [0-9a-f]{12}", "hash 3 000000000000"), "differs at turn 3:"},
             {"the generator", changed(text, "random [0-9a-f]{16}", "random 0000000000000001"), "differs at turn 0:"},
             {"a shot out of turn", text + "fire 2 100 45 @999999\n", "differs at turn 13: the battle stops"},
             {"a crate's fall where none fell", changed(text, "\nfire 1 ([0-9.]+) ([0-9.]+) @", "\nfire 1 $1 $2 fall 3 @"),
              "differs at turn 1:"}}) {
        SCOPED_TRACE(what);
        ASSERT_NE(changedText, text);
        writeText(path, changedText);
        v = verify(path);
        EXPECT_TRUE(v.kind == replay::Verdict::Differs && v.line.find(turn) != std::string::npos) << v.line;
    }
    // Two computers: the record names them, and their battle computes the same again, every turn theirs.
    h.game.keyDown(Key::Escape);
    h.game.levelsPanel().StartDuel(level::Expert, level::Beginner);
    h.loop.waitUntil([&] { return h.game.state.BattleOver == True && !h.game.tankexpl.enabled(); });
    EXPECT_NE(readText(h.game.recorder().path()).find("\nplayers expert beginner\n"), std::string::npos);
    v = verify(h.game.recorder().path());
    EXPECT_EQ(v.kind, replay::Verdict::Same) << v.line;
    // The practice target holds its fire every turn: its passed turns use up the crate as shots do.
    h.game.SetLevels(level::Human, level::Practice);
    h.game.Option2.setValue(true);
    h.newBattle(11);
    playScripted(h, aims, 10);
    v = verify(h.game.recorder().path());
    EXPECT_TRUE(v.kind == replay::Verdict::Same && v.line.find(": ok, 10 shots") != std::string::npos) << v.line;
    // Both hells, with their own sky, ground, trees, sun and crates.
    h.game.Option1.setValue(true);
    for (Flag variant : {False, True}) {
        h.game.state.HellMode = True, h.game.state.HellVariant = variant;
        h.newBattle(13);
        playScripted(h, aims, 6);
        v = verify(h.game.recorder().path());
        EXPECT_TRUE(v.kind == replay::Verdict::Same && readText(h.game.recorder().path()).find("\nhell 1 ") != std::string::npos)
            << v.line;
    }

    // A battle begun before the intro's first burst (an unseen field is built at once): the intro ends
    // with it and draws nothing from the battle's generator, so the battle computes the same again.
    TempFolder early("early");
    Headless e(englishDesktop(early.path));
    e.game.world.setUnseen(true);
    e.game.Form_Load();
    e.newBattle(7);
    Random earlyAims = seeded(4);
    playScripted(e, earlyAims, 4);
    v = verify(e.game.recorder().path());
    EXPECT_EQ(v.kind, replay::Verdict::Same) << v.line;
}

TEST(Replay, DamagedFilesAreRefusedWithTheirReasonAndAMessageOfAnyBytesReadsBackAsSent) {
    TempFolder folder("damaged");
    const std::string header =
        "gorvath-replay 1\ngame 0.1\nmode hot-seat\nstarted 2026-12-08 20:00:00\nhell 0 0\n"
        "random 4a6f727661746882\n";
    const std::string event = "fire 1 100 45 @1\n", host = changed(header, "hot-seat", "host");
    std::string most = header;  // as many events as a record may hold
    for (std::size_t i = 0; i < replay::kMaxEvents; ++i) most += event;
    const std::string path = folder.path + "/bad.replay";
    // What is wrong, the file, and the reason given; each limit at its edge is still read (no reason).
    // clang-format off
    for (const auto& [what, text, reason] : std::vector<std::tuple<const char*, std::string, const char*>>{
             {"an empty file", "", "not a Gorvath battle record"}, {"bytes", std::string("\x8b\0\xff\n\x7f", 5), "not a Gorvath battle record"},
             {"a newer format", "gorvath-replay 2\n", "format version 2, this game reads version 1"},
             {"an older format", "gorvath-replay 0\n", "format version 0, this game reads version 1"},
             {"no mode", "gorvath-replay 1\ngame 0.1\nmode duel\n", "line 3: no such mode: duel"},
             {"a network battle without its seed", changed(header, "hot-seat", "joiner"), "seed is missing"},
             {"a seed of 15", host + "seed " + std::string(15, '9') + "\n", nullptr}, {"16", host + "seed " + std::string(16, '9') + "\n", "seed is missing"},
             {"cut in the middle of a line", header + "fire 1 100 4", "cut short"},
             {"a line of 257", header + std::string(257, 'x') + "\n", "longer than 256"}, {"256", header + "#" + std::string(255, 'x') + "\n", nullptr},
             {"a control character", header + "fire 1 100 45\r\r @1\n", "line 7: a line that is not plain text"},
             {"a version that is not text", changed(header, "game 0.1", "game 0.1\r\r"), "line 2: the game's version is missing"},
             {"a player 3", header + "fire 3 100 45 @1\n", "line 7: a shot by no player"}, {"0", header + "fire 0 100 45 @1\n", "line 7: a shot by no player"},
             {"force 200", header + "fire 2 200 180 fall 100000 @1000000000\n", nullptr}, {"10", header + "fire 1 100.123456 0 @0\n", nullptr},
             {"force over", header + "fire 1 200.000001 45 @1\n", "force out of range"}, {"-5", header + "fire 1 100 -5 @1\n", "angle out of range"},
             {"angle over", header + "fire 1 100 180.000001 @1\n", "angle out of range"}, {"11", header + "fire 1 100.1234567 0 @0\n", "force out of range"},
             {"fall over", header + "fire 1 100 45 fall 100001 @1\n", "fall out of range"}, {"12 digits", header + "hash 999999999 1234567890ab @1\n", nullptr},
             {"13 digits", header + "hash 0 1234567890abc @1\n", "hash out of range"}, {"hash 1e9", header + "hash 1000000000 0 @1\n", "hash out of range"},
             {"a message of 64", header + "recv " + std::string(64, 'W') + " @1\n", nullptr},
             {"of 65", header + "recv " + std::string(65, 'W') + " @1\n", "a message the game never sends"},
             {"an event after the end", header + "end won 1 @1\n" + event, "after the end"},
             {"a time far out", header + "fire 1 100 45 @1000000001\n", "time out of range"},
             {"the most events", most, nullptr}, {"one more", most + event, "more events than any battle has"},
             {"a version of 32", changed(header, "game 0.1", "game " + std::string(32, '1')), nullptr},
             {"of 33", changed(header, "game 0.1", "game " + std::string(33, '1')), "line 2: the game's version is missing"},
             {"a person as the computer", changed(header, "hot-seat", "computer") + "players expert human\n",
              "line 7: the players are not a person or the computer's levels"},
             {"a link of no name", host + "seed 5\nlink 0 1 0 0\n", "line 8: the link line is wrong"},
             {"a link's battle 0", changed(header, "hot-seat", "joiner") + "seed 5\nlink 3f 0 0 0 a\n", "line 8: the link line"},
             {"a link line twice", host + "seed 5\nlink 3f 1 0 0\nlink 3f 1 0 0\n", "line 9: an event without"},
             {"a chat piece", header + "chat 2 C+p%C5%99%FF%01 @1\n", nullptr}, {"of 65", header + "chat 1 C." + std::string(63, 'x') + " @1\n", "a chat piece the game never sends"},
             {"without its mark", header + "chat 1 Chi @1\n", "a chat piece the game never sends"},
             {"chat of player 3", header + "chat 3 C.hi @1\n", "line 7: a chat line that is not 'chat PLAYER PIECE'"}}) {
        // clang-format on
        SCOPED_TRACE(what);
        writeText(path, text);
        replay::Verdict v = replay::VerifyFile(path);
        EXPECT_TRUE(reason ? v.kind == replay::Verdict::Unreadable && v.line.find(reason) != std::string::npos &&
                                 v.line.find('\n') == std::string::npos
                           : v.kind != replay::Verdict::Unreadable)
            << v.line;
    }
    // Whatever bytes a message holds, it is one word on its line and reads back as it was.
    std::istringstream in(header);
    replay::Record r = *replay::Read(in).record;
    const std::string sent = "a b%20c\t\x01\xff%";
    replay::Event e;
    e.kind = replay::Event::Recv, e.text = sent, e.at = 5;
    r.events.push_back(e);
    std::istringstream again(r.text());
    const replay::ReadResult back = replay::Read(again);
    ASSERT_TRUE(back.record && back.error.empty()) << back.error;
    EXPECT_TRUE(back.record->events.size() == 1 && back.record->events[0].text == sent);
    // Chat anywhere in a network battle's record is passed over: it still computes the same.
    std::string chatted;
    std::istringstream golden(readText(GORVATH_SOURCE_DIR "/tests/replays/network-40001-joiner.replay"));
    for (std::string line; std::getline(golden, line);) {
        if (line.starts_with("recv")) chatted += "chat 1 C.hi%20" + line.substr(0, 4) + " @1\n";
        chatted += line + "\n";
    }
    writeText(path, chatted);
    EXPECT_EQ(replay::VerifyFile(path).kind, replay::Verdict::Same) << replay::VerifyFile(path).line;
    // A record of a battle that had only begun plays to its end: nothing.
    writeText(path, header);
    EXPECT_EQ(replay::VerifyFile(path).kind, replay::Verdict::Same);
    // And the window says on its banner why a file cannot be watched.
    Started h;
    writeText(path, "gorvath-replay 7\n");
    EXPECT_TRUE(!h.game.records().WatchBattle(path) && h.game.Frame3.visible() && !h.game.inputLocked &&
                h.game.Label8(1).caption() == "Cannot play the record: line 1: format version 7, this game reads version 1");
    // A file cut in the middle of a line (its writer was stopped) plays up to the cut and says where it stops.
    writeText(path, readText(GORVATH_SOURCE_DIR "/tests/replays/hot-seat-52.replay").substr(0, 290));  // in line 15
    ASSERT_TRUE(h.game.records().WatchBattle(path));
    h.loop.waitUntil([&] { return h.game.watching()->finished(); });
    h.loop.runFor(100);
    EXPECT_TRUE(h.game.watching()->outcome() == replay::Playback::Outcome::Same && h.game.state.TurnPlayer == 1);
    EXPECT_EQ(h.game.Label8(1).caption(), "The recording ends here (line 15: cut short in the middle of a line)");
}

TEST(Replay, TheNewestHundredRecordsStayAndAFolderThatCannotBeWrittenIsToldOnce) {
    TempFolder folder("keep-Jiří");  // a user's folder may have letters of no single code page
    for (int i = 0; i < 105; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/2001-01-01_00-00-%03d_hot-seat.replay", i);
        writeText(folder.path + name, "old");
    }
    {
        Recorded h(folder.path);
        h.newBattle(1);
        EXPECT_EQ(recordsIn(folder.path), 100u);
        EXPECT_TRUE(!std::filesystem::exists(onDisk(folder.path + "/2001-01-01_00-00-000_hot-seat.replay")) &&
                    std::filesystem::exists(onDisk(h.game.recorder().path())) && h.game.watchlast.enabled());
    }
    // A folder under a file: every battle plays on, and the player is told once why nothing is recorded.
    const std::string blocked = folder.path + "/2001-01-01_00-00-104_hot-seat.replay/replays";
    ::testing::internal::CaptureStderr();
    Recorded h(blocked);
    for (double seed : {1, 2}) {
        h.newBattle(seed);
        Random aims;
        playScripted(h, aims, 2);
        EXPECT_EQ(h.record().events.size(), 5u);  // in memory all the same: two shots and three hashes
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("gorvath: cannot record battles in " + blocked + ": "), 0u) << said;
    EXPECT_TRUE(said.find('\n') == said.size() - 1 && !h.game.watchlast.enabled()) << said;
}

TEST(Replay, WatchingKeepsThePaceRightSkipsAWaitFRunsFourTimesAsFastEscLeavesAndChatShowsInPlace) {
    TempFolder folder("watch");
    {
        Recorded h(folder.path);
        h.newBattle(8);
        // Player 1 thinks for five seconds, player 2 for twenty, player 1 for eight; then the battle is left.
        for (double think : {5000, 20000, 8000}) {
            h.loop.waitUntil([&] { return idle(h.game) && (h.game.Frame1.enabled() || h.game.Frame2.enabled()); });
            h.loop.runFor(think);
            h.game.keyDown(Key::Space);
            h.loop.waitUntil([&] { return !h.game.hideit.enabled(); });
        }
        h.loop.runFor(10000);
    }
    const replay::Record live = *replay::ReadFile(replay::BattleRecorder::Newest(folder.path)).record;
    auto liveGap = [&](std::size_t a, std::size_t b) { return live.events[b].at - live.events[a].at; };
    Recorded h(folder.path);
    h.game.Option2.setValue(true);  // the player had chosen to play the computer
    ASSERT_TRUE(h.game.watchlast.enabledOnScreen());
    h.game.click(h.game.watchlast);
    ASSERT_TRUE(h.game.Watching());
    auto events = [&] { return h.record().events.size(); };
    auto gap = [&](std::size_t a, std::size_t b) { return h.record().events[b].at - h.record().events[a].at; };
    h.loop.waitUntil([&] { return events() >= 3; });  // hash 0, fire 1, hash 1
    EXPECT_NEAR(gap(0, 1), liveGap(0, 1), 41);
    // Player 2's twenty seconds: a click on the fire button does nothing, Right fires at once.
    h.loop.waitUntil([&] { return h.game.Command2.enabled() && !h.game.showit.enabled(); });
    h.game.mouseDown(int(h.game.Command2.absLeft() + 5), int(h.game.Command2.absTop() + 5), false);
    h.loop.runFor(1000);
    EXPECT_EQ(events(), 3u);
    h.game.keyDown(Key::Right);
    h.loop.waitUntil([&] { return events() >= 4; });
    EXPECT_LT(gap(2, 3), liveGap(2, 3) - 15000);
    // Player 1's eight seconds at four times the speed: two on the clock.
    h.loop.waitUntil([&] { return events() >= 5; });
    h.game.keyDown(Key::F);
    const double driverFrom = h.clock.nowMs();
    h.loop.waitUntil([&] { return events() >= 6; });
    EXPECT_NEAR(gap(4, 5), liveGap(4, 5), 41);
    EXPECT_NEAR(h.clock.nowMs() - driverFrom, liveGap(4, 5) / 4, 41);
    // The record stops there, and says so; Esc leaves to the menu and gives the window back.
    h.loop.waitUntil([&] { return !h.game.watching() || h.game.watching()->finished(); });
    h.loop.runFor(100);
    EXPECT_EQ(h.game.Label8(1).caption(), "The recording ends here");
    h.game.keyDown(Key::Escape);
    EXPECT_TRUE(!h.game.Watching() && !h.game.inputLocked && h.loop.pace() == 1 && h.game.Frame3.visible());
    EXPECT_TRUE(!h.game.continue_.enabled() && h.game.novahra.enabled() && h.game.state.GameMode == 0 && h.game.Option2.value() &&
                !h.game.Frame4.visible());
    // Nothing of the watched battle was recorded again.
    EXPECT_EQ(recordsIn(folder.path), 1u);

    // Watched, a record's chat lines show when they were written, whole, with their writer's number: the
    // joiner's long line (in pieces) after the crate's message, the host's before its next shot. Enter opens
    // no box to write in.
    const std::string longLine = "Bedna je m" + std::string("\xC3\xA1") + "! " + std::string(90, 'x');
    auto chatAt = [](int player, const std::string& line, double at) {
        std::string lines;
        for (const std::string& piece : chat::Pieces(line)) {
            replay::Event e;
            e.kind = replay::Event::Chat, e.player = player, e.text = piece, e.at = at;
            lines += e.line() + "\n";
        }
        return lines;
    };
    std::string watched = readText(GORVATH_SOURCE_DIR "/tests/replays/network-40001-joiner.replay");
    watched = changed(watched, "recv B134516 @6183\n", "$&" + chatAt(2, longLine, 6500));
    watched = changed(watched, "hash 2 c10b1ea03259 @8843\n", "$&" + chatAt(1, "ahoj", 9800));
    ASSERT_TRUE(watched.find("chat 2 C+") != std::string::npos && watched.find("chat 1 C.ahoj @9800") != std::string::npos);
    const std::string path = folder.path + "/chatted.replay";
    writeText(path, watched);
    ASSERT_TRUE(h.game.records().WatchBattle(path));
    auto lastEvent = [&] {
        const std::string line = events() == 0 ? "" : h.record().events.back().line();
        return line.substr(0, line.rfind(" @"));
    };
    auto linesUp = [&] { return h.game.chat().ShownLines().size(); };
    // How long after the battle comes to `event` it shows `lines` lines.
    auto shownAfter = [&](const std::string& event, std::size_t lines) {
        h.loop.waitUntil([&] { return lastEvent() == event || !h.game.Watching(); });
        const double from = h.loop.now();
        h.loop.waitUntil([&] { return linesUp() >= lines || !h.game.Watching(); });
        return h.loop.now() - from;
    };
    EXPECT_NEAR(shownAfter("recv B134516", 1), 6500 - 6183, 41);
    EXPECT_TRUE(h.game.chat().ShownLines() == std::vector<std::string>{"2: " + longLine} && lastEvent() == "recv B134516")
        << lastEvent();
    h.game.keyDown(Key::Enter);
    EXPECT_FALSE(h.game.chat().typing());
    EXPECT_NEAR(shownAfter("hash 2 c10b1ea03259", 2), 9800 - 8843, 41);
    EXPECT_TRUE(h.game.chat().ShownLines() == (std::vector<std::string>{"2: " + longLine, "1: ahoj"}) &&
                lastEvent() == "hash 2 c10b1ea03259")
        << lastEvent();
    // The battle goes on as recorded to its end, however its own messages fall between the peer's.
    h.loop.waitUntil([&] { return !h.game.Watching(); });
    EXPECT_EQ(h.game.state.BattleOver, True);
    EXPECT_EQ(h.game.Label8(1).caption(), "You lose");  // player 1 won it
}

}  // namespace
}  // namespace gv::testing
