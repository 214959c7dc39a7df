// Records the golden battles under tests/replays: natural battles of a scripted player, chosen so that
// together they show every weapon kind, crates taken and expired, direct hits, a tank destroyed by its own
// shell, both tanks destroyed by one shot, the moon falling, the sun swallowing a shell, a battle against
// the computer and both sides of two network battles (one with a quake). It plays them with the tests' own
// headless players, so it is built beside the tests; run it on purpose only, when results are meant to change:
//   cmake --build build --target record_goldens && build/tests/record_goldens
#include <set>

#include "net/net_support.h"
#include "replay/replay_support.h"

namespace gv::testing {
namespace {

struct Candidate {
    std::string name, text;
    std::set<std::string> shows;
};

std::set<std::string> showsOf(const Headless& h, const std::set<int>& kinds, bool crateExpired) {
    std::set<std::string> s;
    const Mainfrm& g = h.game;
    for (int k : kinds) s.insert("weapon " + std::to_string(k));
    auto played = [&](int id) { return std::count(h.effectLog.begin(), h.effectLog.end(), id) > 0; };
    if (played(effect::Bell)) s.insert("crate taken");
    if (crateExpired) s.insert("crate expired");
    if (played(effect::DirectHit)) s.insert("direct hit");
    if (played(effect::SunSwallow)) s.insert("sun swallows a shell");
    if (g.moon.visible() && g.moon.top() >= 564) s.insert("moon falls");
    const replay::Record& r = g.recorder().current();
    if (!r.events.empty() && r.events.back().kind == replay::Event::End) {
        const std::string& end = r.events.back().text;
        int shooter = 0;
        for (const auto& e : r.events)
            if (e.kind == replay::Event::Fire) shooter = e.player;
        if (end == "both") s.insert("both tanks destroyed in one shot");
        if (end == "won " + std::to_string(shooter)) s.insert("tank destroyed by its own shell");
    }
    if (r.mode == mode::Computer) s.insert("against the computer");
    return s;
}

Candidate playLocal(int mode, int seed) {
    Headless h;
    h.start();
    (mode == mode::HotSeat ? h.game.Option1 : h.game.Option2).setValue(true);
    h.newBattle(seed);
    Random aims;
    aims.seed(seed * 7 + 1);
    std::set<int> kinds;
    bool expired = false;
    playScripted(h, aims, 600, [&] {
        Mainfrm& g = h.game;
        kinds.insert(g.state.weapon(g.Frame1.enabled() ? 1 : 2));
        expired = expired || (g.state.BonusActive == True && g.state.BonusShotsLeft == 1);
    });
    kinds.erase(0);
    return {std::string(replay::Record::modeName(mode)) + "-" + std::to_string(seed), h.game.recorder().current().text(),
            showsOf(h, kinds, expired)};
}

// Both sides of a network battle of random aims, `shots` long at the most, showing `what` from each side.
std::vector<Candidate> playNetwork(double timeOfDay, int shots, const std::string& what) {
    nettest::NetDuel duel;
    Mainfrm& H = duel.host.game;
    Mainfrm& J = duel.joiner.game;
    auto bothAt = [&](long long n) { return H.state.BattleOver == True || duel.bothAt(n); };
    duel.start();
    duel.connect();
    duel.clock.dayBase = timeOfDay + 0.25 - duel.clock.nowMs / 1000.0;
    EXPECT_TRUE(duel.on(duel.host, [&] { H.click(H.novahra); }));
    EXPECT_TRUE(duel.until([&] { return bothAt(0) && J.tank1.visible(); }));
    Random aims;
    aims.seed(timeOfDay);
    for (int s = 0; s < shots && H.state.BattleOver == False; ++s) {
        const std::string force = std::to_string(int(aims.Rnd() * 110) + 50), angle = std::to_string(int(aims.Rnd() * 70) + 10);
        EXPECT_TRUE(duel.shoot(force, angle));
        EXPECT_TRUE(duel.until([&] { return bothAt(s + 1); }));
    }
    duel.runFor(3000);
    const std::string name = "network-" + formatNumber(timeOfDay);
    return {{name + "-host", H.recorder().current().text(), {what + ", host"}},
            {name + "-joiner", J.recorder().current().text(), {what + ", joiner"}}};
}

TEST(GoldenBattles, Record) {
    std::vector<Candidate> all;
    // Seed 1048 is the one battle of the first three thousand whose last shot destroys both tanks.
    for (int seed = 1; seed <= 60; ++seed) all.push_back(playLocal(mode::HotSeat, seed));
    all.push_back(playLocal(mode::HotSeat, 1048));
    for (int seed = 1; seed <= 3; ++seed) all.push_back(playLocal(mode::Computer, seed));
    for (Candidate& c : playNetwork(45296, 400, "network battle")) all.push_back(std::move(c));
    // The first network battle from 40000 on whose shells include a quake: both copies draw it from the
    // host's clock.
    for (Candidate& c : playNetwork(40001, 400, "quake over the network")) all.push_back(std::move(c));
    // The fewest battles that show everything any of them shows: the one showing most of what is left first.
    std::set<std::string> wanted;
    for (const Candidate& c : all) wanted.insert(c.shows.begin(), c.shows.end());
    const std::string folder = std::string(GORVATH_SOURCE_DIR) + "/tests/replays";
    std::filesystem::create_directories(folder);
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".replay") std::filesystem::remove(e.path());
    std::string index;
    while (!wanted.empty()) {
        const Candidate* best = nullptr;
        std::size_t bestNew = 0;
        for (const Candidate& c : all) {
            std::size_t n = 0;
            for (const std::string& s : c.shows) n += wanted.count(s);
            if (n > bestNew || (n == bestNew && best && n > 0 && c.text.size() < best->text.size())) best = &c, bestNew = n;
        }
        if (!best) break;
        writeText(folder + "/" + best->name + ".replay", best->text);
        index += best->name + ".replay:";
        for (const std::string& s : best->shows)
            if (wanted.erase(s)) index += " " + s + ";";
        index += "\n";
    }
    std::cout << index;
}

}  // namespace
}  // namespace gv::testing
