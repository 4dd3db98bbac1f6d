#include "system/EventStream.h"

#include <cstdlib>

EventStream::EventStream()
{
    const char *path = std::getenv("TALLOWFEN_EVENTS");
    if (path == nullptr || *path == '\0') return;
    file = std::fopen(path, "w");
    if (file == nullptr) std::printf("Could not write the game's events to %s\n", path);
}

EventStream::~EventStream()
{
    if (file != nullptr) std::fclose(file);
}

void EventStream::line(const std::string &text)
{
    if (file == nullptr) return;
    std::fputs(text.c_str(), file);
    std::fputc('\n', file);
    std::fflush(file);
}

void EventStream::change(const char *name, long value)
{
    if (file == nullptr) return;
    const auto [it, added] = last.try_emplace(name, value);
    if (!added && it->second == value) return;
    it->second = value;
    line(std::string(name) + " " + std::to_string(value));
}
