#include "VerifyPool.h"

VerifyPool::VerifyPool(std::size_t workers, std::size_t queueLength, Job job) : queueLength(queueLength), job(job)
{
    for (std::size_t i = 0; i < workers; ++i)
        threads.emplace_back([this] { work(); });
}

VerifyPool::~VerifyPool()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread &t : threads)
        t.join();
    for (Task &task : queue)
        task.verdict.set_value(VerifyOutput::failed("the server is stopping"));
}

std::optional<std::future<VerifyOutput>> VerifyPool::submit(std::string demo)
{
    std::future<VerifyOutput> verdict;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (queue.size() >= queueLength || stopping) return std::nullopt;
        queue.push_back(Task{std::move(demo), {}});
        verdict = queue.back().verdict.get_future();
    }
    wake.notify_one();
    return verdict;
}

std::size_t VerifyPool::waiting() const
{
    std::lock_guard<std::mutex> hold(lock);
    return queue.size();
}

void VerifyPool::work()
{
    for (;;) {
        Task task;
        {
            std::unique_lock<std::mutex> hold(lock);
            wake.wait(hold, [this] { return stopping || !queue.empty(); });
            if (stopping) return;
            task = std::move(queue.front());
            queue.pop_front();
        }
        try {
            task.verdict.set_value(job(task.demo));
        } catch (const std::exception &e) {
            task.verdict.set_value(VerifyOutput::failed(std::string("the verification failed: ") + e.what()));
        }
    }
}
