// Saves the settings over and over until it is killed, for the test that
// kills a save midway. Save i writes the switches of i % 8 ("000", "001", ...,
// "111"); once it has returned, the count of finished saves goes into the
// eight-byte counter file, shared through mmap so it survives a SIGKILL.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "core/GameSettings.h"

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: settings_saver SETTINGS_FILE COUNTER_FILE\n");
        return 2;
    }
    const int fd = open(argv[2], O_RDWR);
    if (fd < 0) return 2;
    void *shared = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (shared == MAP_FAILED) return 2;
    auto *finished = static_cast<std::atomic<std::uint64_t> *>(shared);
    for (std::uint64_t i = 0;; ++i) {
        GameSettings settings;
        settings.music = i & 4;
        settings.sound = i & 2;
        settings.screenshake = i & 1;
        if (!settings.saveToFile(argv[1])) return 1;
        finished->store(i + 1);
    }
}
