// Plays three whole runs of the real Game in a hidden window with a simple
// bot, through input alone, and keeps the demos the game records of them as
// the golden demos that a change to play must not alter unnoticed:
//   level05.demo  a run dying at level 5
//   level10.demo  a run left mid-level, continued after a restart, dying at 10
//   level15.demo  a run dying at level 15
//   pad06.demo    a run played with the pad (walk, aim, fire, potions, the
//                 shop), dying at level 6
//
//   tallowfen_golden_runs OUTPUT_FOLDER
//
// Every update steps a fixed time and every level draws fixed seeds, so the
// same build records the same demos again.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "BotFolder.h"
#include "core/Game.h"
#include "core/VirtualScreen.h"
#include "raylib.h"
#include "system/StepClock.h"
#include "world/AStar.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWindowWidth = 600, kWindowHeight = 450;
constexpr float kScale = float(kWindowHeight) / float(kVirtualHeight);
constexpr long kMaxUpdates = 400000;  // a bot that stalls somewhere gives up rather than hang
enum : unsigned {
    kKeyUp = 1,
    kKeyDown = 2,
    kMouseUp = 5,
    kMouseDown = 6,
    kMouseMove = 7
};

void event(unsigned type, int a, int b = 0) { PlayAutomationEvent(AutomationEvent{0, type, {a, b, 0, 0}}); }
void padEvent(unsigned type, int a, int b = 0) { PlayAutomationEvent(AutomationEvent{0, type, {0, a, b, 0}}); }

// The input the bot holds, sent to the library as changes only.
struct Hands {
    std::set<int> keys;
    bool mouse = false;

    void hold(const std::set<int> &wanted, bool wantMouse)
    {
        for (int key : keys)
            if (!wanted.count(key)) event(kKeyUp, key);
        for (int key : wanted)
            if (!keys.count(key)) event(kKeyDown, key);
        keys = wanted;
        if (wantMouse != mouse) event(wantMouse ? kMouseDown : kMouseUp, MOUSE_BUTTON_LEFT);
        mouse = wantMouse;
    }
    void point(Vector2 virtualAt) { event(kMouseMove, int(virtualAt.x * kScale), int(virtualAt.y * kScale)); }
};

// Pad 0 as the bot holds it. raylib's poll marks a pad that the machine lacks
// as gone, so it is connected again before every update; its sticks and
// buttons are sent as changes only.
struct PadHands {
    Vector2 walk{0.0f, 0.0f}, aim{0.0f, 0.0f};
    std::set<int> buttons;

    void stick(int axisX, Vector2 &held, Vector2 wanted)
    {
        if (wanted.x != held.x) padEvent(13, axisX, int(wanted.x * 32767.0f));
        if (wanted.y != held.y) padEvent(13, axisX + 1, int(wanted.y * 32767.0f));
        held = wanted;
    }
    void hold(Vector2 wantWalk, Vector2 wantAim, const std::set<int> &wanted)
    {
        padEvent(9, 0);
        stick(GAMEPAD_AXIS_LEFT_X, walk, wantWalk);
        stick(GAMEPAD_AXIS_RIGHT_X, aim, wantAim);
        for (int button : buttons)
            if (!wanted.count(button)) padEvent(11, button);
        for (int button : wanted)
            if (!buttons.count(button)) padEvent(12, button);
        buttons = wanted;
    }
};

// Decides each update's input from what the screen shows: fights in the
// level, shops between levels, and at `dieAt` stops fighting to die there.
struct Bot {
    Hands hands;
    PadHands pad;
    bool withPad = false;  // walks, aims, fires, drinks and shops with the pad
    int dieAt = 5;
    long levelUpdates = 0;  // updates into the current level
    int lastLevel = 0;
    bool clicked = false;  // a click's press went out last update: release it first
    long finishedAt = 0;   // the update of the level it was won at
    long lastKill = 0;     // the update of the level a bird last went
    std::size_t birdsLeft = 0;

    void click(Vector2 at)
    {
        hands.point(at);
        hands.hold({}, true);
        clicked = true;
    }

    void step(Game &game)
    {
        if (withPad && game.state != STATE_INGAME) pad.hold({0.0f, 0.0f}, pad.aim, {});
        if (clicked) {
            hands.hold({}, false);
            clicked = false;
            return;
        }
        switch (game.state) {
            case STATE_MENU: click({85, 100}); break;  // NEW GAME
            case STATE_DEAD: click({85, 120}); break;  // the death screen's NEW GAME
            case STATE_SHOP: shop(game); break;
            case STATE_INGAME: play(game); break;
            default: hands.hold({}, false); break;
        }
    }

    void shop(Game &game)
    {
        const int gold = game.inventory.getGold();
        if (game.inventory.gethPotions() < 3 && gold >= 5) return click({136, 138});
        // The gun first: faster bullets, then shots that bounce off walls.
        for (const char *id : {"bulletspeed", "bulletricochet", "goldmagnet"}) {
            if (game.upgrades.get(id)->getCost() > gold) continue;
            if (game.shop.selected.id == id) return click({240, 216});
            return click({290, 92});  // ]) to the next upgrade
        }
        click({60, 30});  // Finish
    }

    // Toward `to` along the map's paths: tile by tile, the player's box
    // brought square onto each (its position is in whole pixels).
    static Vector2 pathTo(GameRunner &r, Vector2 me, Vector2 to)
    {
        const Vec2 from{int(me.x) / kTileSize, int(me.y) / kTileSize},
            goal{int(to.x) / kTileSize, int(to.y) / kTileSize};
        const std::vector<Vec2> path =
            InGrid(goal.x, goal.y) && !(from == goal) ? AStar(r.map.walls, from, goal) : std::vector<Vec2>{};
        if (path.size() < 2) return Vector2{to.x - me.x, to.y - me.y};
        return Vector2{float(path[1].x * kTileSize - r.player.x), float(path[1].y * kTileSize - r.player.y)};
    }

    // The free step that leaves the nearest bird farthest away.
    static Vector2 flee(GameRunner &r, Vector2 me)
    {
        Vector2 best{0.0f, 0.0f};
        float bestScore = -1.0f;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const int nx = r.player.x + dx * 12, ny = r.player.y + dy * 12;
                if ((dx != 0 || dy != 0) && r.player.blockedAt(nx, ny, r.map)) continue;
                float score = 1e9f;
                for (const Enemy &e : r.enemies)
                    score = std::min(score, std::hypot(e.x + float(e.w) / 2.0f - me.x - float(dx * 12),
                                                       e.y + float(e.h) / 2.0f - me.y - float(dy * 12)));
                if (score > bestScore) bestScore = score, best = Vector2{float(dx), float(dy)};
            }
        return best;
    }

    // Now and then the bot lets the birds reach it unopposed, to need its potions.
    // Never with fewer than two potions: one of them would not be enough.
    static bool careless(int level, Game &game)
    {
        return level % 4 == 2 && game.runner.player.health > 50 && game.inventory.gethPotions() >= 2;
    }

    void play(Game &game)
    {
        GameRunner &r = game.runner;
        if (r.level != lastLevel) {
            std::printf("golden: level %d, health %d, gold %d, potions %d\n", r.level, r.player.health,
                        game.inventory.getGold(), game.inventory.gethPotions());
            std::fflush(stdout);
            lastLevel = r.level;
            levelUpdates = 0;
            finishedAt = 0;
        }
        ++levelUpdates;
        if (r.enemies.size() != birdsLeft) birdsLeft = r.enemies.size(), lastKill = levelUpdates;
        const Vector2 me{float(r.player.x) + float(r.player.w) / 2.0f, float(r.player.y) + float(r.player.h) / 2.0f};
        const bool dying = r.level >= dieAt;
        const Enemy *nearest = nullptr;
        float nearestDistance = 1e9f;
        for (const Enemy &e : r.enemies) {
            const float d = std::hypot(e.x + float(e.w) / 2.0f - me.x, e.y + float(e.h) / 2.0f - me.y);
            if (d < nearestDistance) nearest = &e, nearestDistance = d;
        }
        Vector2 walk{0.0f, 0.0f};
        if (nearest != nullptr) {
            const Vector2 bird{nearest->x + float(nearest->w) / 2.0f, nearest->y + float(nearest->h) / 2.0f};
            hands.point(GetWorldToScreen2D(bird, r.camera));
            // Into the birds at the last level; away from one that comes
            // close; after the birds when they keep away.
            if (dying || levelUpdates - lastKill > 600)
                walk = pathTo(r, me, bird);
            else if (nearestDistance < 110.0f && !(careless(r.level, game)))
                walk = flee(r, me);
        }
        if (walk.x == 0.0f && walk.y == 0.0f && !dying && nearestDistance > 200.0f && !r.goldManager.coins.empty()) {
            const Gold *coin = &r.goldManager.coins.front();
            const auto away = [&](const Gold &g) {
                return std::hypot(float(g.x) + 4.0f - me.x, float(g.y) + 4.0f - me.y);
            };
            for (const Gold &g : r.goldManager.coins)
                if (away(g) < away(*coin)) coin = &g;
            walk = pathTo(r, me, Vector2{float(coin->x) + 4.0f, float(coin->y) + 4.0f});
        }
        if (withPad) return playWithPad(game, nearest, walk, dying);
        std::set<int> keys;
        if (walk.x >= 1.0f) keys.insert(KEY_RIGHT);
        if (walk.x <= -1.0f) keys.insert(KEY_LEFT);
        if (walk.y >= 1.0f) keys.insert(KEY_DOWN);
        if (walk.y <= -1.0f) keys.insert(KEY_UP);
        if (!dying && r.player.health <= 50 && game.inventory.gethPotions() > 0 && !hands.keys.count(KEY_Z))
            keys.insert(KEY_Z);
        // A finished level: the coins left, then the shop.
        if (r.levelFinished && finishedAt == 0) finishedAt = levelUpdates;
        if (r.levelFinished && (r.goldManager.coins.empty() || levelUpdates - finishedAt > 900)) keys = {KEY_Q};
        const bool holdingBack = careless(r.level, game);
        hands.hold(keys, nearest != nullptr && !dying && !holdingBack);
    }

    // The same choices as with the keys and mouse, made on the pad: the left
    // stick walks (a diagonal at its full tilt), the right stick aims at the
    // nearest bird, the right shoulder fires, A drinks, Y leaves for the shop.
    void playWithPad(Game &game, const Enemy *nearest, Vector2 walk, bool dying)
    {
        GameRunner &r = game.runner;
        const auto sign = [](float v) { return v >= 1.0f ? 1.0f : v <= -1.0f ? -1.0f : 0.0f; };
        Vector2 stick{sign(walk.x), sign(walk.y)};
        if (stick.x != 0.0f && stick.y != 0.0f) stick = Vector2{stick.x * 0.7f, stick.y * 0.7f};
        Vector2 aim = pad.aim;
        std::set<int> buttons;
        if (nearest != nullptr) {
            const float dx = nearest->x + float(nearest->w) / 2.0f - float(r.player.x) - float(r.player.w) / 2.0f;
            const float dy = nearest->y + float(nearest->h) / 2.0f - float(r.player.y) - float(r.player.h) / 2.0f;
            const float length = std::max(1.0f, std::sqrt(dx * dx + dy * dy));
            aim = Vector2{dx / length, dy / length};
            if (!dying && !careless(r.level, game)) buttons.insert(GAMEPAD_BUTTON_RIGHT_TRIGGER_1);
        }
        // A and Y are pressed for one update and let go the next.
        const bool drink = !dying && r.player.health <= 50 && game.inventory.gethPotions() > 0;
        if (drink && !pad.buttons.count(GAMEPAD_BUTTON_RIGHT_FACE_DOWN)) buttons.insert(GAMEPAD_BUTTON_RIGHT_FACE_DOWN);
        if (r.levelFinished && finishedAt == 0) finishedAt = levelUpdates;
        if (r.levelFinished && (r.goldManager.coins.empty() || levelUpdates - finishedAt > 900)) {
            buttons.clear();
            if (!pad.buttons.count(GAMEPAD_BUTTON_RIGHT_FACE_UP)) buttons.insert(GAMEPAD_BUTTON_RIGHT_FACE_UP);
        }
        pad.hold(stick, aim, buttons);
    }
};

// One update as the frame loop makes it: the update, the draw, the present
// (whose poll turns this update's events into the next one's presses).
void frame(Game &game, RenderTexture2D &screen)
{
    bool quit = false;
    game.update(&quit);
    BeginTextureMode(screen);
    ClearBackground(BLACK);
    game.draw();
    EndTextureMode();
    BeginDrawing();
    ClearBackground(WHITE);
    DrawRenderTexture(screen, kVirtualWidth, kVirtualHeight);
    EndDrawing();
}

// Plays until the run ends in a death (true) or `stop` holds (false).
template <typename Stop> bool playRun(Game &game, Bot &bot, RenderTexture2D &screen, long &updates, Stop stop)
{
    bool started = false;
    for (; updates < kMaxUpdates; ++updates) {
        if (stop()) return false;
        bot.step(game);
        frame(game, screen);
        started |= game.state == STATE_INGAME;
        if (started && game.state == STATE_DEAD) return true;
    }
    std::printf("golden: the bot stalled at level %d\n", game.runner.level);
    return false;
}

bool keep(Game &game, const fs::path &out, const char *name, int level)
{
    // The death's save goes on beside the game: the file is whole only once it is done.
    game.demo.recorder.finishWriting();
    const DemoFile &demo = game.demo.recorder.demo;
    std::printf("golden: %s: level %d, %s, %zu updates\n", name, demo.level, demo.result.c_str(), demo.tics.size());
    if (demo.level != level || demo.result != "death") return false;
    fs::copy_file(game.demo.recorder.path, out / name, fs::copy_options::overwrite_existing);
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::puts("usage: tallowfen_golden_runs OUTPUT_FOLDER");
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    fs::create_directories(out);
    const fs::path dir = bot::EnterScratchFolder("golden");
    SaveFolder saves;
    saves.dir = (dir / "save").string();
    saves.make();

    if (!bot::OpenHiddenWindow(kWindowWidth, kWindowHeight, "Tallowfen golden runs", "golden")) return 2;
    InitAudioDevice();
    StepClock::fixedSeconds = 1.0f / 60.0f;
    constexpr unsigned kSeed = 20261208;
    bool ok = true;
    long updates = 0;
    {
        RenderTexture2D screen = LoadRenderTexture(kVirtualWidth, kVirtualHeight);
        Bot bot;
        auto game = std::make_unique<Game>(saves, false);
        game->runner.fixedSeed = kSeed;  // each run its own levels
        auto never = [] { return false; };
        bot.dieAt = 5;
        ok &= playRun(*game, bot, screen, updates, never) && keep(*game, out, "level05.demo", 5);
        // The second run: left in level 7 as the program ends, continued in the next.
        game->runner.fixedSeed = kSeed + 100;
        bot.dieAt = 10;
        auto leaving = [&] {
            return game->state == STATE_INGAME && game->runner.level == 7 && bot.lastLevel == 7 &&
                   bot.levelUpdates >= 400;
        };
        ok &= ok && !playRun(*game, bot, screen, updates, leaving) && leaving();
        bot.hands.hold({}, false);
        game->keepRunOnExit();
        game.reset();
        bot = Bot{};
        game = std::make_unique<Game>(saves, true);
        game->runner.fixedSeed = kSeed + 100;
        bot.dieAt = 10;
        ok &= ok && game->mainMenu.continueLevel == 7;
        ok &= ok && playRun(*game, bot, screen, updates, never) && keep(*game, out, "level10.demo", 10);
        // The third run in the same game, from the death screen's NEW GAME.
        game->runner.fixedSeed = kSeed + 200;
        bot.dieAt = 15;
        ok &= ok && playRun(*game, bot, screen, updates, never) && keep(*game, out, "level15.demo", 15);
        // The fourth with the pad, the menus still clicked with the mouse.
        game->runner.fixedSeed = kSeed + 300;
        bot.dieAt = 6;
        bot.withPad = true;
        ok &= ok && playRun(*game, bot, screen, updates, never) && keep(*game, out, "pad06.demo", 6);
        game.reset();
        UnloadRenderTexture(screen);
    }
    CloseWindow();
    CloseAudioDevice();
    bot::LeaveScratchFolder(dir);
    std::printf("golden: %s after %ld updates\n", ok ? "four runs kept" : "failed", updates);
    return ok ? 0 : 1;
}
