// The options file (volumes and bindings), rebinding with its swap, and the
// player walking by what is bound.
#include <gtest/gtest.h>

#include <set>

#include "TestSupport.h"
#include "options/Options.h"
#include "world/Player.h"

namespace {

std::string keysOf(const Options &o, Action a) { return Bindings::listText(KeyNames(), o.bindings.keys[a]); }
std::string padOf(const Options &o, Action a) { return Bindings::listText(PadNames(), o.bindings.pad[a]); }

TEST(OptionsFile, ReadsWhatIsWellFormedAndReportsTheFirstDamage)
{
    const struct {
        const char *name, *text;
        int music, effects;
        Action action;
        const char *keys, *pad, *problem;  // problem: "" for none, else a part of the one line
    } cases[] = {
        {"empty: the defaults", "", 100, 100, ACTION_FIRE, "Left mouse", "Pad RT, Pad RB", ""},
        {"volumes and a binding", "music_volume = 0\neffects_volume = 40\nfire = Space\n", 0, 40, ACTION_FIRE, "Space",
         "Pad RT, Pad RB", ""},
        {"names ignore case, CRLF and blanks", "  drink=left SHIFT , x\r\n\r\n# note\r\ndrink_pad = pad b\r\n", 100,
         100, ACTION_DRINK, "Left shift, X", "Pad B", ""},
        {"a missing line keeps its default", "effects_volume = 70\n", 100, 70, ACTION_WALK_UP, "W, Up", "Pad up", ""},
        {"none unbinds", "shop = none\nshop_pad = none\n", 100, 100, ACTION_SHOP, "none", "none", ""},
        {"mouse on fire", "fire = Right mouse, F\n", 100, 100, ACTION_FIRE, "Right mouse, F", "Pad RT, Pad RB", ""},
        {"volume over 100", "music_volume = 101\neffects_volume = 5\n", 100, 5, ACTION_FIRE, "Left mouse",
         "Pad RT, Pad RB", "line 1: music_volume must be a whole number from 0 to 100, not \"101\""},
        {"volume not whole", "effects_volume = 5.5\n", 100, 100, ACTION_FIRE, "Left mouse", "Pad RT, Pad RB",
         "not \"5.5\""},
        {"an unknown key spoils only its line", "walk_up = I, Flux\nwalk_down = K\n", 100, 100, ACTION_WALK_UP, "W, Up",
         "Pad up", "line 1: walk_up names no key \"Flux\""},
        {"a key name on a pad line", "drink_pad = Z\n", 100, 100, ACTION_DRINK, "Z", "Pad A",
         "drink_pad names no pad button \"Z\""},
        {"a mouse button only fires", "pause = Left mouse\n", 100, 100, ACTION_PAUSE, "P", "Pad Start",
         "only fire takes a mouse button"},
        {"F9 stays with the screenshot", "fire = F9, Space\n", 100, 100, ACTION_FIRE, "Left mouse", "Pad RT, Pad RB",
         "line 1: fire: F9 always saves a screenshot"},
        {"an empty value", "fire =\n", 100, 100, ACTION_FIRE, "Left mouse", "Pad RT, Pad RB", "names no key"},
        {"no equals sign, and a count of the rest", "music_volume 50\nbogus = 1\nfire = Q\n", 100, 100, ACTION_FIRE,
         "Q", "Pad RT, Pad RB", "line 1: no \"=\" in \"music_volume 50\" (and 1 more damaged lines)"},
        {"an unknown setting", "volume = 50\n", 100, 100, ACTION_FIRE, "Left mouse", "Pad RT, Pad RB",
         "unknown setting \"volume\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Options o;
        std::string problem;
        o.parse(c.text, &problem);
        EXPECT_EQ(o.musicVolume, c.music);
        EXPECT_EQ(o.effectsVolume, c.effects);
        EXPECT_EQ(keysOf(o, c.action), c.keys);
        EXPECT_EQ(padOf(o, c.action), c.pad);
        if (*c.problem == '\0')
            EXPECT_EQ(problem, "");
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
    // A NUL anywhere: the file is not ours, and nothing of it is taken.
    Options o;
    std::string problem;
    o.parse(std::string("fire = Q\n\0", 10), &problem);
    EXPECT_EQ(problem, "the file holds binary data");
    EXPECT_EQ(keysOf(o, ACTION_FIRE), "Left mouse");
    o.parse(std::string(70000, '#'), &problem);
    EXPECT_EQ(problem, "the file is over 64 KB, too long to be options");
}

TEST(OptionsFile, SavesEveryLineSafelyAndReadsItBack)
{
    ScopedWorkDir dir(false);
    Options o;
    o.musicVolume = 30;
    o.bindings.bindKey(ACTION_FIRE, KEY_SPACE);
    o.bindings.bindPad(ACTION_DRINK, GAMEPAD_BUTTON_RIGHT_FACE_LEFT);
    std::string problem;
    ASSERT_TRUE(o.saveToFile("data/options", &problem)) << problem;
    const std::string text = dir.read("data/options");
    EXPECT_NE(text.find("music_volume = 30\n"), std::string::npos) << text;
    EXPECT_NE(text.find("fire = Space\n"), std::string::npos) << text;
    EXPECT_NE(text.find("walk_left = A, Left\n"), std::string::npos) << text;
    Options back;
    back.loadFromFile("data/options", &problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(back.text(), text);
    EXPECT_FALSE(o.saveToFile("data/options/inside", &problem));
    EXPECT_FALSE(problem.empty());
    Options missing;
    missing.loadFromFile("data/none", &problem);
    EXPECT_EQ(missing.text(), Options().text());
    // Neither a folder nor a pipe, which would hold the start-up, is read.
    ASSERT_TRUE(std::filesystem::create_directory("data/folder") && (!kHasFifos || MakeFifo("data/pipe")));
    for (const char *path : {"data/folder", kHasFifos ? "data/pipe" : "data/folder"}) {
        missing.loadFromFile(path, &problem);
        EXPECT_EQ(problem + "; " + missing.text(), "it is not a plain file; " + Options().text()) << path;
    }
}

TEST(Bindings, ARebindReplacesTheFirstAndSwapsWithTheKeysOldPlace)
{
    const struct {
        const char *name;
        Action action;
        int code;
        const char *own, *other;
        Action otherAction;
    } cases[] = {
        {"a free key", ACTION_FIRE, KEY_SPACE, "Space", "Z", ACTION_DRINK},
        {"a key in use swaps", ACTION_WALK_UP, KEY_Z, "Z, Up", "W", ACTION_DRINK},
        {"an alternative swaps into the other list", ACTION_DRINK, KEY_UP, "Up", "W, Z", ACTION_WALK_UP},
        {"its own alternative moves up front", ACTION_WALK_UP, KEY_UP, "Up, W", "Up, W", ACTION_WALK_UP},
        {"the same key changes nothing", ACTION_SHOP, KEY_Q, "Q", "P", ACTION_PAUSE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Bindings b;
        b.bindKey(c.action, c.code);
        EXPECT_EQ(Bindings::listText(KeyNames(), b.keys[c.action]), c.own);
        EXPECT_EQ(Bindings::listText(KeyNames(), b.keys[c.otherAction]), c.other);
    }
    Bindings b;
    b.bindPad(ACTION_DRINK, GAMEPAD_BUTTON_RIGHT_TRIGGER_1);  // fire's second button
    EXPECT_EQ(Bindings::listText(PadNames(), b.pad[ACTION_DRINK]), "Pad RB");
    EXPECT_EQ(Bindings::listText(PadNames(), b.pad[ACTION_FIRE]), "Pad RT, Pad A");
    b.keys[ACTION_SHOP].clear();
    b.bindKey(ACTION_SHOP, KEY_P);  // nothing displaced, and P is pause's only key: refused
    EXPECT_EQ(b.keyName(ACTION_SHOP), "none") << "the hint on screen";
    EXPECT_EQ(b.keyName(ACTION_PAUSE), "P");
}

// Fire giving up its mouse button for another action's key keeps the button.
// Then any key for any action: no action is left without a key, none does
// two things, and the file written reads back whole.
TEST(Bindings, AMouseButtonStaysWithFireAndEveryRebindReadsBack)
{
    const struct {
        std::vector<int> drink;
        int code;
        const char *outcome;  // fire's keys; drink's; why it was refused
    } cases[] = {
        {{KEY_Z, KEY_X}, KEY_Z, "Z, Left mouse; X; "},
        {{KEY_X}, KEY_X, "X, Left mouse; Z; "},  // drink's default back
        {{KEY_Z}, KEY_Z, "Left mouse; Z; Z is Drink's only key: give it another first"},
        {{KEY_Z}, KEY_F9, "Left mouse; Z; F9 always saves a screenshot"},
    };
    for (const auto &c : cases) {
        Options o;
        o.bindings.keys[ACTION_DRINK] = c.drink;
        const std::string refused = o.bindings.bindKey(ACTION_FIRE, c.code);
        EXPECT_EQ(keysOf(o, ACTION_FIRE) + "; " + keysOf(o, ACTION_DRINK) + "; " + refused, c.outcome);
    }
    for (int a = 0; a < ACTION_COUNT; ++a)
        for (const InputName &input : KeyNames()) {
            Options o, back;
            o.bindings.bindKey(Action(a), input.code);
            std::set<int> used;
            for (const std::vector<int> &keys : o.bindings.keys) {
                EXPECT_FALSE(keys.empty());
                for (int code : keys)
                    EXPECT_TRUE(used.insert(code).second) << NameOf(KeyNames(), code) << " twice";
            }
            std::string problem;
            back.parse(o.text(), &problem);
            ASSERT_EQ(problem + back.text(), o.text()) << ActionLabel(Action(a)) << " on " << input.name;
        }
}

TEST(Bindings, ThePlayerWalksByTheKeysBound)
{
    EnsureWindowAndAudio();
    GameMap map;
    Bindings b;
    b.bindKey(ACTION_WALK_UP, KEY_I);
    const struct {
        int key, dy;
    } cases[] = {{KEY_I, -5}, {KEY_UP, -5}, {KEY_W, 0}};
    for (const auto &c : cases) {
        Player player(100, 100, 32, 32);
        player.bindings = &b;
        HeldKeys held{c.key};
        player.update(0.05f, 0, map);
        EXPECT_EQ(player.y - 100, c.dy) << NameOf(KeyNames(), c.key);
    }
}

}  // namespace
