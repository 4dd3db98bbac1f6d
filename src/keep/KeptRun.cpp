#include "keep/KeptRun.h"

#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <system_error>

#include "record/SaveText.h"

SavedRun KeptRun::of(const GameRunner &runner, const Inventory &inventory, const Upgrades &upgrades)
{
    SavedRun run;
    run.level = runner.level + 1;
    run.gold = inventory.gold;
    run.potions = inventory.hPotions;
    run.health = runner.player.health;
    for (const auto &[id, upgrade] : upgrades.upgrades)
        if (upgrade && upgrade->bought > 0) run.purchases[id] = upgrade->bought;
    return run;
}

bool KeptRun::apply(const SavedRun &run, GameRunner &runner, Inventory &inventory, Upgrades &upgrades,
                    std::string *problem)
{
    std::map<std::string, std::unique_ptr<Upgrade>> bought;
    for (const auto &[id, count] : run.purchases) {
        std::unique_ptr<Upgrade> upgrade = Upgrades::make(id);
        if (!upgrade) {
            if (problem) *problem = "it names an unknown upgrade, " + id;
            return false;
        }
        // Prices grow with every purchase, so the most gold a run can hold
        // bounds how often each upgrade can have been bought; replaying
        // beyond it would also overflow the prices.
        long long spent = 0;
        Inventory purse;
        for (int i = 0; i < count; ++i) {
            spent += upgrade->cost;
            if (spent > savetext::kMaxValue) {
                if (problem) *problem = "it holds more purchases of " + id + " than a run can pay for";
                return false;
            }
            upgrade->buy(purse);
        }
        bought[id] = std::move(upgrade);
    }
    for (auto &[id, upgrade] : bought)
        upgrades.upgrades[id] = std::move(upgrade);
    inventory.gold = run.gold;
    inventory.hPotions = run.potions;
    runner.level = run.level - 1;
    runner.player.health = run.health;
    return true;
}

bool KeptRun::restore(GameRunner &runner, Inventory &inventory, Upgrades &upgrades)
{
    SavedRun run;
    std::string problem;
    if (run.loadFromFile(path.c_str(), &problem) && apply(run, runner, inventory, upgrades, &problem)) {
        onDisk = run;
        return true;
    }
    if (!problem.empty()) std::cout << "Ignoring the run kept in " << path << ": " << problem << std::endl;
    return false;
}

void KeptRun::keep(const SavedRun &run)
{
    if (run.fresh()) {
        if (onDisk) forget();
        return;
    }
    if (onDisk == run) return;
    std::string problem;
    if (run.saveToFile(path.c_str(), &problem))
        onDisk = run;
    else
        std::cout << "Error: Could not keep the run in " << path << ": " << problem << std::endl;
}

void KeptRun::forget()
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    onDisk.reset();
}
