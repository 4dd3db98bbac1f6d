#include "economy/Upgrade.h"

void Upgrade::buy(Inventory &) {}

float Upgrade::getCurrent() const { return current; }

int Upgrade::getCost() const { return cost; }

std::string Upgrade::getId() const { return id; }

std::string Upgrade::getName() const { return name; }

std::string Upgrade::getTexID() const { return texID; }
