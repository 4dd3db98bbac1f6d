#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "VerifyOutput.h"

// The runs waiting to be verified and the workers that verify them: a fixed
// number of threads (one a core) drawing from a queue of fixed length. A
// run that finds the queue full is turned away at once, so a burst of
// submissions costs waiting answers, never unbounded memory or processes.
class VerifyPool {
public:
    using Job = std::function<VerifyOutput(const std::string &demo)>;

    VerifyPool(std::size_t workers, std::size_t queueLength, Job job);
    ~VerifyPool();
    VerifyPool(const VerifyPool &) = delete;
    VerifyPool &operator=(const VerifyPool &) = delete;

    // The verdict to come, or nothing when the queue is full.
    std::optional<std::future<VerifyOutput>> submit(std::string demo);
    std::size_t waiting() const;

    const std::size_t queueLength;

private:
    struct Task {
        std::string demo;
        std::promise<VerifyOutput> verdict;
    };
    Job job;
    mutable std::mutex lock;
    std::condition_variable wake;
    std::deque<Task> queue;
    bool stopping = false;
    std::vector<std::thread> threads;

    void work();
};
