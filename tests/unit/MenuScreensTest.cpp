// The main menu, the death screen and the settings screen: what each click
// does, the death banner's scroll, and saving the switches, also when the
// file cannot be written.
#include <filesystem>
#include <functional>
#include <tuple>

#include "LevelFixture.h"
#include "ui/DeadMenu.h"
#include "ui/MainMenu.h"
#include "ui/SettingsMenu.h"

namespace {

namespace fs = std::filesystem;

// One left click at virtual (vx, vy): pressed during `step`, released after.
void clickAt(float vx, float vy, const std::function<void()> &step)
{
    InjectMousePosition(int(vx * 1.875f), int(vy * 1.875f));
    InjectMouseButton(MOUSE_BUTTON_LEFT, true);
    step();
    InjectMouseButton(MOUSE_BUTTON_LEFT, false);
}

TEST(MainMenuScreen, EachButtonActsOnceAndTheGapDoesNothing)
{
    EnsureWindowAndAudio();
    GameAssets assets;
    const struct {
        const char *name;
        float vx, vy;
        GameState state;
        bool quit;
    } cases[] = {
        {"NEW GAME", 85, 100, STATE_INGAME, false},     {"gap", 162, 100, STATE_MENU, false},
        {"QUIT GAME", 160, 150, STATE_MENU, true},      {"SETTINGS", 240, 100, STATE_SETTINGS, false},
        {"under the gap", 162, 125, STATE_MENU, false},
    };
    std::vector<std::string> played;
    SoundManager sound{true, &assets};
    sound.journal = &played;
    for (const auto &c : cases) {
        MainMenu menu;
        played.clear();
        GameState state = STATE_MENU;
        bool quitFlag = false;
        bool *quit = &quitFlag;
        InjectMousePosition(int(c.vx * 1.875f), int(c.vy * 1.875f));
        menu.update(sound, &state, &quit);  // hovering alone is no click
        EXPECT_EQ(state, STATE_MENU) << c.name;
        clickAt(c.vx, c.vy, [&] { menu.update(sound, &state, &quit); });
        EXPECT_EQ(state, c.state) << c.name;
        EXPECT_EQ(quitFlag, c.quit) << c.name;
        const bool acted = c.state != STATE_MENU || c.quit;
        EXPECT_EQ(played, acted ? std::vector<std::string>{"select"} : std::vector<std::string>{}) << c.name;
    }
}

TEST(MainMenuScreen, CreditLinesFitTheScreen)
{
    EnsureWindowAndAudio();
    const MainMenu menu;
    const GUIText &music = menu.musicCreditText, &author = menu.authorCreditText;
    const int musicWidth = MeasureText(music.text, music.fontSize);
    EXPECT_GE(music.x - musicWidth / 2, 0) << music.text;
    EXPECT_LE(music.x - musicWidth / 2 + musicWidth, 320) << music.text;
    EXPECT_LE(author.x + MeasureText(author.text, author.fontSize), 320) << author.text;
}

TEST(SettingsMenuScreen, EveryLabelFitsTheScreen)
{
    EnsureWindowAndAudio();
    const SettingsMenu m;
    for (const GUIText *t : {&m.titleText, &m.backButton.label, &m.saveButton.label, &m.savedText, &m.failedText,
                             &m.musicLabel, &m.soundLabel, &m.screenshakeLabel}) {
        const int width = MeasureText(t->text, t->fontSize), left = t->centered ? t->x - width / 2 : t->x;
        EXPECT_TRUE(left >= 0 && left + width <= 320) << t->text << " spans " << left << " to " << left + width;
    }
}

using DeathScreen = LevelFixture;

TEST_F(DeathScreen, BannerMovesAPixelPerUpdateAndJumpsBackToMinusW)
{
    EnsureWindowAndAudio();
    DeadMenu menu;
    const int w = MeasureText("DEAD-", 32);
    state = STATE_DEAD;
    auto step = [&](float dt) {
        menu.update(dt, sound, state, *runner, upgrades, inventory);
        return menu.bannerText.x;
    };
    EXPECT_EQ(step(0.016f), -99);
    for (int x = -98; x <= w - 100; ++x)
        ASSERT_EQ(step(x % 2 ? 0.5f : 0.0f), x) << "the frame time plays no part";
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(step(0.016f), -w);
        for (int x = -w + 1; x <= w - 100; ++x)
            ASSERT_EQ(step(0.016f), x);
    }
    EXPECT_EQ(menu.bannerText.y, 5);
    EXPECT_EQ(state, STATE_DEAD);
}

TEST_F(DeathScreen, BothButtonsEndTheRunAnythingElseChangesNothing)
{
    EnsureWindowAndAudio();
    // What a run carries: level, health, death, enemies, coins, gold, potions,
    // and each upgrade's value and price.
    auto run = [&](const Upgrades &catalogue) {
        std::vector<float> bought;
        for (const auto &entry : catalogue.upgrades)
            bought.insert(bought.end(), {entry.second->current, float(entry.second->cost)});
        return std::tuple(runner->level, runner->player.health, runner->playerDead, runner->enemies.size(),
                          runner->goldManager.coins.size(), inventory.gold, inventory.hPotions, bought);
    };
    const struct {
        const char *name;
        float vx, vy;
        bool held;  // the button was already down at the last input poll
        GameState after;
    } cases[] = {
        {"NEW GAME", 85, 120, false, STATE_INGAME},      {"MAIN MENU", 85, 170, false, STATE_MENU},
        {"between them", 85, 145, false, STATE_DEAD},    {"beside them", 200, 120, false, STATE_DEAD},
        {"held on NEW GAME", 85, 120, true, STATE_DEAD},
    };
    for (const auto &c : cases) {
        runner->reset();
        upgrades.init();
        inventory.reset();
        const auto fresh = run(upgrades);
        DeadMenu menu;
        runner->level = 5;
        runner->player.health = 0;
        runner->playerDead = true;
        runner->enemies = {Enemy(200, 200)};
        runner->goldManager.coins = {Gold(60, 60)};
        inventory.gold = 100;
        upgrades.get("bulletspeed")->buy(inventory);
        upgrades.get("goldmagnet")->buy(inventory);
        inventory.hPotions = 0;
        const auto dead = run(upgrades);
        state = STATE_DEAD;
        played.clear();
        InjectMousePosition(int(c.vx * 1.875f), int(c.vy * 1.875f));
        InjectMouseButton(MOUSE_BUTTON_LEFT, true);
        if (c.held) BeginDrawing(), EndDrawing();  // an input poll
        menu.update(0.016f, sound, state, *runner, upgrades, inventory);
        InjectMouseButton(MOUSE_BUTTON_LEFT, false);
        if (c.held) BeginDrawing(), EndDrawing();

        const bool reset = c.after != STATE_DEAD;
        EXPECT_EQ(state, c.after) << c.name;
        EXPECT_EQ(count("select"), reset ? 1 : 0) << c.name;
        EXPECT_TRUE(run(upgrades) == (reset ? fresh : dead)) << c.name;
        EXPECT_FALSE(fresh == dead);
    }
}

class SettingsScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureWindowAndAudio();
        sound.journal = &played;
        menu.musicBox.ticked = menu.soundBox.ticked = menu.screenshakeBox.ticked = true;  // as the game loads them
    }
    void update()
    {
        changed = false;
        menu.update(sound, &state, &settings, changed);
    }
    void click(float vx, float vy)
    {
        clickAt(vx, vy, [this] { update(); });
    }
    void save() { click(60, 205); }
    // Pixels of the save message's two colours where it stands.
    std::pair<int, int> greenAndRedMessagePixels()
    {
        RenderTexture target = LoadRenderTexture(320, 240);
        BeginTextureMode(target);
        ClearBackground(BLACK);
        menu.draw(&assets, 0);
        EndTextureMode();
        Image image = LoadImageFromTexture(target.texture);
        std::pair<int, int> found{0, 0};
        for (int y = 160; y < 190; ++y)
            for (int x = 0; x < 120; ++x) {
                const Color c = GetImageColor(image, x, 239 - y);
                found.first += c.r == 0 && c.g == 228 && c.b == 48;
                found.second += c.r == 230 && c.g == 41 && c.b == 55;
            }
        UnloadImage(image);
        UnloadRenderTexture(target);
        return found;
    }

    ScopedWorkDir dir{false};
    GameAssets assets;
    std::vector<std::string> played;
    SoundManager sound{true, &assets};
    GameSettings settings;
    SettingsMenu menu;
    GameState state = STATE_SETTINGS;
    bool changed = false;
};

TEST_F(SettingsScreen, ABoxSwitchesAtOnceSilentlyAndItsLabelDoesNot)
{
    const struct {
        float vx, vy;
        bool GameSettings::*flag;
    } boxes[] = {
        {205, 62, &GameSettings::music}, {205, 92, &GameSettings::sound}, {205, 122, &GameSettings::screenshake}};
    for (const auto &box : boxes) {
        click(60, box.vy - 5);  // on the label's text
        EXPECT_TRUE(settings.*box.flag);
        click(box.vx, box.vy);
        EXPECT_FALSE(settings.*box.flag) << box.vy;
        EXPECT_EQ(int(settings.music) + settings.sound + settings.screenshake, 2) << box.vy;
        click(box.vx, box.vy);
        EXPECT_TRUE(settings.*box.flag) << box.vy;
    }
    EXPECT_TRUE(played.empty());
    EXPECT_FALSE(changed);
    EXPECT_FALSE(fs::exists("data/settings"));
    EXPECT_EQ(state, STATE_SETTINGS);
}

TEST_F(SettingsScreen, SaveWritesTheFileAndShowsSavedForSixtyUpdatesPerSave)
{
    for (bool twice : {false, true}) {
        click(205, 62);  // music off
        int shown = 0;
        for (int i = 0; i < 200; ++i) {
            if (i == 0 || (twice && i == 30)) {
                save();
                EXPECT_TRUE(changed);
                const auto [green, red] = greenAndRedMessagePixels();
                EXPECT_TRUE(green > 0 && red == 0) << green << " green, " << red << " red";
            } else {
                update();
            }
            shown += menu.savedTimer > 0;
        }
        EXPECT_EQ(shown, twice ? 90 : 60);
        EXPECT_EQ(greenAndRedMessagePixels(), std::make_pair(0, 0));
        EXPECT_EQ(dir.read("data/settings"), "011");
        EXPECT_FALSE(settings.music);
        EXPECT_EQ(played, std::vector<std::string>(twice ? 2 : 1, "select"));
        click(205, 62);
        played.clear();
    }
}

TEST_F(SettingsScreen, BackNeitherSavesNorRestores)
{
    dir.write("data/settings", "111");
    click(205, 92);  // sound off
    click(60, 25);
    EXPECT_EQ(state, STATE_MENU);
    EXPECT_EQ(played, std::vector<std::string>{"select"});
    EXPECT_FALSE(settings.sound);
    EXPECT_FALSE(changed);
    EXPECT_EQ(menu.savedTimer, 0);
    EXPECT_EQ(dir.read("data/settings"), "111");
}

// Breakages that stop even root: a file where the data directory should be,
// and a directory where the temporary file should go.
TEST_F(SettingsScreen, AFailedSaveSaysSoInRedAndKeepsTheOldFile)
{
    const struct {
        const char *name, *path, *before;
        std::function<void()> breakIt, repair;
    } cases[] = {
        {"data is a file", "data", "not a directory", [] { fs::remove_all("data"); },
         [] { fs::remove("data"), fs::create_directory("data"); }},
        {"temporary is a directory", "data/settings", "111", [] { fs::create_directory("data/settings.tmp"); },
         [] { fs::remove("data/settings.tmp"); }},
    };
    for (const auto &c : cases) {
        fs::remove_all("data");
        fs::create_directory("data");
        c.breakIt();
        dir.write(c.path, c.before);
        settings.music = menu.musicBox.ticked = true;
        click(205, 62);  // music off
        testing::internal::CaptureStdout();
        save();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(dir.read(c.path), c.before) << c.name;
        EXPECT_FALSE(settings.music) << c.name << ": the unwritten file was read back";
        EXPECT_TRUE(changed) << c.name;
        EXPECT_EQ(menu.savedTimer, 60) << c.name;
        const auto [green, red] = greenAndRedMessagePixels();
        EXPECT_TRUE(green == 0 && red > 0) << c.name << ": " << green << " green, " << red << " red";
        c.repair();
        save();
        EXPECT_EQ(dir.read("data/settings"), "011") << c.name;
        EXPECT_GT(greenAndRedMessagePixels().first, 0) << c.name << ": a good save says so again";
    }
}

}  // namespace
