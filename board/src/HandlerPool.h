#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The threads that answer whole requests, off the I/O threads: the board's
// answers call code that waits (a verification, the database, the disk).
// Jobs beyond the threads wait in a queue of fixed length; one that finds
// it full is refused at once, so a flood costs bounded memory.
class HandlerPool {
public:
    using Job = std::function<void()>;

    HandlerPool(std::size_t threads, std::size_t maxWaiting);
    ~HandlerPool() { stop(); }
    HandlerPool(const HandlerPool &) = delete;
    HandlerPool &operator=(const HandlerPool &) = delete;

    // False when the queue is full (or the pool stopped): the job is not run.
    bool run(Job job);
    // Lets the running jobs finish and drops the waiting ones.
    void stop();
    std::size_t waiting() const;

    const std::size_t maxWaiting;

private:
    mutable std::mutex lock;
    std::condition_variable wake;
    std::deque<Job> queue;
    bool stopping = false;
    std::vector<std::thread> threads;

    void work();
};
