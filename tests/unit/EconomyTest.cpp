// The inventory and the upgrade catalogue: starting values, stepping order,
// purchase prices and values, and rebuilding a run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "economy/Inventory.h"
#include "economy/Upgrades.h"

namespace {

struct StartRow {
    const char *id;
    const char *name;
    const char *texID;
    float current;
    int cost;
};

// In catalogue (byte-wise) order.
const std::vector<StartRow> kStartTable = {
    {"bulletricochet", "Ricochet", "u_bulletricochet", 0.0f, 5},
    {"bulletspeed", "Bullet Speed", "u_bulletspeed", 5.0f, 1},
    {"goldmagnet", "Gold Magnet", "u_goldmagnet", 25.0f, 1},
    {"goldmultiplier", "Gold Multiplier", "u_goldmultiplier", 1.0f, 5},
    {"goldspawns", "Gold Spawns", "u_goldspawns", 0.5f, 1},
};

const char *kVerifiedLines = "Verified bulletricochet - ID: bulletricochet\n"
                             "Verified bulletspeed - ID: bulletspeed\n"
                             "Verified goldmagnet - ID: goldmagnet\n"
                             "Verified goldmultiplier - ID: goldmultiplier\n"
                             "Verified goldspawns - ID: goldspawns\n";

// Construction logs the catalogue; most tests do not care about that.
Upgrades quietCatalogue()
{
    testing::internal::CaptureStdout();
    Upgrades upgrades;
    testing::internal::GetCapturedStdout();
    return upgrades;
}

void expectStartingTable(const Upgrades &upgrades)
{
    ASSERT_EQ(upgrades.upgrades.size(), kStartTable.size());
    for (const StartRow &row : kStartTable) {
        SCOPED_TRACE(row.id);
        const Upgrade *u = upgrades.get(row.id);
        ASSERT_NE(u, nullptr);
        EXPECT_EQ(u->getId(), row.id);
        EXPECT_EQ(u->getName(), row.name);
        EXPECT_EQ(u->getTexID(), row.texID);
        EXPECT_FLOAT_EQ(u->getCurrent(), row.current);
        EXPECT_EQ(u->getCost(), row.cost);
    }
}

TEST(Economy, CatalogueStartsWithTheFiveUpgradesAndLogsEachOnce)
{
    testing::internal::CaptureStdout();
    Upgrades upgrades;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kVerifiedLines);
    expectStartingTable(upgrades);
}

TEST(Economy, SteppingFollowsByteOrderAndWrapsBothWays)
{
    Upgrades upgrades = quietCatalogue();
    std::vector<std::string> forward{"bulletricochet"}, backward{"bulletricochet"};
    for (int i = 0; i < 5; ++i) {
        forward.push_back(upgrades.getNext(forward.back()));
        backward.push_back(upgrades.getPrev(backward.back()));
    }
    EXPECT_EQ(forward, (std::vector<std::string>{"bulletricochet", "bulletspeed", "goldmagnet", "goldmultiplier",
                                                 "goldspawns", "bulletricochet"}));
    EXPECT_EQ(backward, (std::vector<std::string>{"bulletricochet", "goldspawns", "goldmultiplier", "goldmagnet",
                                                  "bulletspeed", "bulletricochet"}));

    for (const std::string unknown : {"", "nope", "Goldspawns", "goldspawns "}) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(upgrades.getNext(unknown), "bulletricochet");
        EXPECT_EQ(upgrades.getPrev(unknown), "bulletricochet");
        EXPECT_EQ(upgrades.get(unknown), nullptr);
    }

    upgrades.upgrades.clear();
    EXPECT_EQ(upgrades.getNext("goldspawns"), "");
    EXPECT_EQ(upgrades.getPrev("goldspawns"), "");
}

TEST(Economy, PurchasesSetValueAndPriceAndChargeThePriceBeforeEach)
{
    struct Row {
        const char *id;
        int buys;
        int startGold;
        float value;
        int price;
        int spent;
    };
    const Row rows[] = {
        {"goldmultiplier", 1, 5, 2.0f, 7, 5}, {"goldmultiplier", 3, 30, 4.0f, 15, 22},  // 5 -> 7 -> 10 -> 15
        {"goldspawns", 1, 1, 0.55f, 3, 1},    {"goldspawns", 3, 10, 0.6355f, 10, 10},   // 1 -> 3 -> 6 -> 10
        {"bulletspeed", 2, 4, 11.25f, 5, 4},  {"bulletricochet", 2, 15, 2.0f, 20, 15},
        {"goldmagnet", 2, 4, 100.0f, 5, 4},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.id) + " x" + std::to_string(row.buys));
        Upgrades upgrades = quietCatalogue();
        Inventory inventory;
        inventory.addGold(row.startGold);
        Upgrade *u = upgrades.get(row.id);
        int paid = 0;
        for (int i = 0; i < row.buys; ++i) {
            paid += u->getCost();
            u->buy(inventory);
        }
        EXPECT_FLOAT_EQ(u->getCurrent(), row.value);
        EXPECT_EQ(u->getCost(), row.price);
        EXPECT_EQ(paid, row.spent);
        EXPECT_EQ(inventory.getGold(), row.startGold - paid);
        EXPECT_EQ(inventory.gethPotions(), 2);
    }
}

TEST(Economy, InitDiscardsEveryPurchase)
{
    Upgrades upgrades = quietCatalogue();
    Inventory inventory;
    inventory.addGold(1000);
    for (const StartRow &row : kStartTable) {
        upgrades.get(row.id)->buy(inventory);
        upgrades.get(row.id)->buy(inventory);
    }
    ASSERT_NE(upgrades.get("bulletspeed")->getCost(), 1);

    testing::internal::CaptureStdout();
    upgrades.init();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kVerifiedLines);
    expectStartingTable(upgrades);
}

TEST(Economy, InventoryCountsAreUnclampedAndResetToZeroGoldTwoPotions)
{
    Inventory inventory;
    EXPECT_EQ(inventory.getGold(), 0);
    EXPECT_EQ(inventory.gethPotions(), 2);

    inventory.addGold(3);
    inventory.removeGold(8);
    inventory.removeHPotions(3);
    inventory.addHPotions(5);
    inventory.removeHPotions(1);
    EXPECT_EQ(inventory.getGold(), -5);
    EXPECT_EQ(inventory.gethPotions(), 3);

    inventory.removeHPotions(7);
    EXPECT_EQ(inventory.gethPotions(), -4);

    inventory.reset();
    EXPECT_EQ(inventory.getGold(), 0);
    EXPECT_EQ(inventory.gethPotions(), 2);
}

}  // namespace
