// The in-level HUD (bars, labels, minimap) and the shop (prices, purchases,
// browsing, leaving, the potion tooltip), drawn into an off-screen virtual
// screen and clicked through injected mouse events.
#include <functional>

#include "LevelFixture.h"
#include "ui/GameUI.h"
#include "ui/ShopMenu.h"

namespace {

bool Same(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

// One frame of the virtual screen, cleared to transparent, read back.
class Frame {
public:
    explicit Frame(const std::function<void()> &draw)
    {
        RenderTexture2D target = LoadRenderTexture(320, 240);
        BeginTextureMode(target);
        ClearBackground(BLANK);
        draw();
        EndTextureMode();
        image = LoadImageFromTexture(target.texture);
        UnloadRenderTexture(target);
    }
    ~Frame() { UnloadImage(image); }
    Frame(const Frame &) = delete;
    Frame &operator=(const Frame &) = delete;

    Color at(int x, int y) const { return GetImageColor(image, x, 239 - y); }
    int count(Color c, int x0, int y0, int x1, int y1) const  // inclusive box
    {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += Same(at(x, y), c);
        return n;
    }

    Image image;
};

class HudAndShop : public LevelFixture {
protected:
    void SetUp() override
    {
        EnsureWindowAndAudio();
        LevelFixture::SetUp();
        hud.setRunner(runner.get());
        shop.setRunner(runner.get());
        state = STATE_SHOP;
    }

    // Later tests find the mouse where a fresh window has it.
    void TearDown() override
    {
        InjectMouseButton(0, false);
        InjectMousePosition(0, 0);
    }

    void shopUpdate() { shop.update(sound, inventory, upgrades, state); }

    // A press at the virtual point (vx, vy), seen by one shop update.
    void click(float vx, float vy)
    {
        InjectMousePosition(int(vx * 1.875f), int(vy * 1.875f));
        InjectMouseButton(0, true);
        shopUpdate();
        InjectMouseButton(0, false);
    }

    GameUI hud;
    ShopMenu shop;
};

TEST_F(HudAndShop, HudHealthBarFillsFromTheTopAndStaysInsideTheBar)
{
    const struct {
        int health, green;
        const char *text;
    } cases[] = {{100, 100, "100"}, {37, 37, "37"}, {-15, 0, "-15"}, {130, 100, "130"}};
    for (const auto &c : cases) {
        runner->player.health = c.health;
        hud.update();
        EXPECT_STREQ(hud.healthText.text, c.text);
        const Frame frame([&] { hud.draw(&assets, 0, runner->map); });
        EXPECT_EQ(frame.count(GREEN, 254, 44, 265, 143), 12 * c.green) << c.health;
        EXPECT_TRUE(Same(frame.at(260, 44 + c.green - 1), c.green > 0 ? GREEN : BLACK)) << c.health;
        EXPECT_EQ(frame.count(RED, 254, 44, 265, 143), 12 * (100 - c.green)) << c.health;
        EXPECT_EQ(frame.count(GREEN, 240, 0, 274, 239), 12 * c.green) << "green outside the bar at " << c.health;
        EXPECT_EQ(frame.count(BLACK, 250, 40, 269, 43), 20 * 4) << "top border at " << c.health;
    }
}

TEST_F(HudAndShop, HudCooldownBarAndLabels)
{
    const struct {
        int cooldown, red;
    } cases[] = {{10, 14}, {0, 0}, {25, 36}};
    for (const auto &c : cases) {
        runner->gun.cooldownFrames = 25;
        runner->gun.cooldown = c.cooldown;
        hud.update();
        const Frame frame([&] { hud.draw(&assets, 1, runner->map); });
        EXPECT_EQ(frame.count(RED, 277, 42, 312, 47), 6 * c.red) << c.cooldown;
        EXPECT_EQ(frame.count(GREEN, 277, 42, 312, 47), 6 * (36 - c.red)) << c.cooldown;
        EXPECT_TRUE(Same(frame.at(277 + c.red, 44), c.red < 36 ? GREEN : BLACK)) << "red grows from the left";
    }
    runner->level = 12;
    inventory.gold = 7;
    inventory.hPotions = 3;
    hud.update();
    EXPECT_STREQ(hud.levelText.text, "Level 12");
    EXPECT_STREQ(hud.goldText.text, "7");
    EXPECT_STREQ(hud.potionText.text, "3\n(Z)");
}

TEST_F(HudAndShop, MinimapShowsDrawnTilesThePlayerAndCoinsOverIt)
{
    for (auto &row : runner->map.renderTiles)
        for (GameMapRenderTile &tile : row)
            tile.srcX = -1;
    runner->map.renderTiles[5][2].srcX = 0;  // row 5, column 2
    runner->player.x = 100;
    runner->player.y = 70;
    hud.update();
    {
        const Frame frame([&] { hud.draw(&assets, 2, runner->map); });
        EXPECT_EQ(frame.count(RED, 259, 166, 261, 168), 9);
        EXPECT_TRUE(Same(frame.at(258, 166), DARKBLUE));
        EXPECT_EQ(frame.count(WHITE, 256, 175, 258, 177), 9) << "render tiles are row first";
        EXPECT_TRUE(Same(frame.at(265, 166), DARKBLUE));
    }
    runner->goldManager.coins = {Gold(120, 90), Gold(600, 600)};
    const Frame frame([&] { hud.draw(&assets, 3, runner->map); });
    EXPECT_EQ(frame.count(GOLD, 259, 166, 261, 168), 9) << "a coin covers the player's cell";
    EXPECT_EQ(frame.count(GOLD, 304, 214, 306, 216), 9);
    EXPECT_EQ(frame.count(RED, 240, 150, 319, 239), 0);
}

TEST_F(HudAndShop, PotionAndUpgradeAreBoughtOnlyWhenAffordable)
{
    for (int gold : {4, 5}) {
        inventory.gold = gold;
        inventory.hPotions = 2;
        played.clear();
        shopUpdate();
        EXPECT_TRUE(Same(shop.potionBuyButton.color, gold == 5 ? GREEN : RED)) << gold;
        click(136, 138);
        EXPECT_EQ(inventory.gold, gold == 5 ? 0 : 4);
        EXPECT_EQ(inventory.hPotions, gold == 5 ? 3 : 2);
        EXPECT_EQ(count("select"), gold == 5 ? 1 : 0);
    }
    shopUpdate();
    EXPECT_TRUE(Same(shop.potionBuyButton.color, RED)) << "the purchase spent the last 5 gold";

    Upgrade *multiplier = upgrades.get("goldmultiplier");
    for (int gold : {multiplier->getCost() - 1, multiplier->getCost()}) {
        const bool affordable = gold == multiplier->getCost();
        inventory.gold = gold;
        played.clear();
        shopUpdate();
        EXPECT_TRUE(Same(shop.upgradeBuyButton.color, affordable ? GREEN : RED));
        EXPECT_TRUE(Same(shop.upgradeBuyButton.hoverColor, affordable ? DARKGREEN : RED));
        click(240, 216);
        EXPECT_EQ(multiplier->getCurrent(), affordable ? 2.0f : 1.0f);
        EXPECT_EQ(inventory.gold, affordable ? 0 : gold);
        EXPECT_EQ(count("select"), affordable ? 1 : 0);
    }
}

TEST_F(HudAndShop, ShopLabelsAndBrowsingWrapBothWays)
{
    const struct {
        float value;
        const char *text;
    } values[] = {{1.5f, "Current: 1.500"}, {10.0f, "Current: 10.000"}, {0.5f, "Current: 0.500"}};
    for (const auto &v : values) {
        upgrades.get("goldmultiplier")->current = v.value;
        shopUpdate();
        EXPECT_STREQ(shop.selected.currentText.text, v.text);
    }
    EXPECT_STREQ(shop.selected.nameText.text, "Gold Multiplier");
    EXPECT_STREQ(shop.selected.costText.text, "Cost: 5");

    const std::vector<std::string> forward = {"goldspawns", "bulletricochet", "bulletspeed", "goldmagnet",
                                              "goldmultiplier"};
    const std::vector<std::string> backward = {"goldmagnet", "bulletspeed", "bulletricochet", "goldspawns",
                                               "goldmultiplier"};
    for (bool next : {true, false}) {
        for (const std::string &id : next ? forward : backward) {
            click(next ? 290 : 190, 92);
            EXPECT_EQ(shop.selected.id, id);
            EXPECT_EQ(shop.selected.texID, upgrades.get(id)->getTexID());
            EXPECT_EQ(shop.selected.nameText.text, upgrades.get(id)->getName());
        }
    }
    EXPECT_EQ(count("select"), 10);
}

TEST_F(HudAndShop, FinishAndMenuLeaveKeepingTheRun)
{
    upgrades.get("bulletspeed")->buy(inventory);
    const float speed = upgrades.get("bulletspeed")->getCurrent();
    const struct {
        float vx, vy;
        GameState state;
    } buttons[] = {{60, 30, STATE_INGAME}, {60, 75, STATE_MENU}};
    for (const auto &b : buttons) {
        state = STATE_SHOP;
        inventory.gold = 9;
        inventory.hPotions = 3;
        played.clear();
        click(b.vx, b.vy);
        EXPECT_EQ(state, b.state);
        EXPECT_EQ(played, std::vector<std::string>{"select"});
        EXPECT_EQ(inventory.gold, 9);
        EXPECT_EQ(inventory.hPotions, 3);
        EXPECT_EQ(upgrades.get("bulletspeed")->getCurrent(), speed);
    }
    upgrades.upgrades.clear();  // a catalogue without the selected upgrade stops the update
    state = STATE_SHOP;
    click(60, 30);
    EXPECT_EQ(state, STATE_SHOP);
    EXPECT_EQ(inventory.gold, 9);
}

TEST_F(HudAndShop, ShopHealthBarAndPotionTooltip)
{
    const struct {
        int health, green;
        bool hover;
    } cases[] = {{50, 43, true}, {-15, 0, false}, {100, 86, false}, {130, 86, true}};
    for (const auto &c : cases) {
        runner->player.health = c.health;
        InjectMousePosition(c.hover ? 255 : 10, c.hover ? 258 : 440);
        shopUpdate();
        const Frame frame([&] { shop.draw(assets, 0, upgrades); });
        EXPECT_EQ(frame.count(GREEN, 17, 207, 102, 212), 6 * c.green) << c.health;
        EXPECT_EQ(frame.count(RED, 17, 207, 102, 212), 6 * (86 - c.green)) << c.health;
        EXPECT_EQ(frame.count(GREEN, 10, 150, 110, 239), 6 * c.green) << "green outside the bar at " << c.health;
        EXPECT_EQ(frame.count(GREEN, 118, 149, 200, 180) > 0, c.hover) << "tooltip at " << c.health;
    }
}

}  // namespace
