#pragma once

#include <cstdio>
#include <map>
#include <string>

// An opt-in stream of what the game does, a line each, for tests and tools
// that must wait for the game rather than guess with the clock: "frame N"
// after each frame shown, "state N" (the GameState) and "level N" when they
// change, "paused 0|1", and "click X Y" (virtual pixels) when the left button
// goes down. TALLOWFEN_EVENTS names the file; unset, each call costs a test.
class EventStream {
public:
    EventStream();
    ~EventStream();
    EventStream(const EventStream &) = delete;
    EventStream &operator=(const EventStream &) = delete;

    bool enabled() const { return file != nullptr; }
    // Writes the line and flushes it, so a reader sees it at once.
    void line(const std::string &text);
    // Writes "NAME VALUE" when the value differs from the last one written.
    void change(const char *name, long value);

    std::FILE *file = nullptr;
    std::map<std::string, long> last;
};
