#include "HandlerPool.h"

HandlerPool::HandlerPool(std::size_t threads, std::size_t maxWaiting) : maxWaiting(maxWaiting)
{
    for (std::size_t i = 0; i < threads; ++i)
        this->threads.emplace_back([this] { work(); });
}

bool HandlerPool::run(Job job)
{
    {
        std::lock_guard<std::mutex> hold(lock);
        if (stopping || queue.size() >= maxWaiting) return false;
        queue.push_back(std::move(job));
    }
    wake.notify_one();
    return true;
}

void HandlerPool::stop()
{
    std::deque<Job> dropped;
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
        dropped.swap(queue);
    }
    wake.notify_all();
    for (std::thread &t : threads)
        if (t.joinable()) t.join();
}

std::size_t HandlerPool::waiting() const
{
    std::lock_guard<std::mutex> hold(lock);
    return queue.size();
}

void HandlerPool::work()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> hold(lock);
            wake.wait(hold, [this] { return stopping || !queue.empty(); });
            if (stopping) return;
            job = std::move(queue.front());
            queue.pop_front();
        }
        job();
    }
}
