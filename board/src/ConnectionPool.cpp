#include "ConnectionPool.h"

ConnectionPool::Lease::Lease(Lease &&other) noexcept : pool(other.pool), db(other.db), writer(other.writer)
{
    other.pool = nullptr;
}

ConnectionPool::Lease::~Lease()
{
    if (pool) pool->giveBack(db, writer);
}

ConnectionPool::ConnectionPool(std::unique_ptr<Database> writer, std::size_t maxReaders)
    : writer(std::move(writer)), maxReaders(maxReaders < 1 ? 1 : maxReaders)
{
}

ConnectionPool::Lease ConnectionPool::write()
{
    writing.lock();
    return Lease(this, writer.get(), true);
}

ConnectionPool::Lease ConnectionPool::read()
{
    std::unique_lock<std::mutex> hold(lending);
    returned.wait(hold, [&] { return !idle.empty() || opened.size() + opening < maxReaders; });
    if (!idle.empty()) {
        Database *db = idle.back();
        idle.pop_back();
        return Lease(this, db, false);
    }
    // Opening a connection takes a while (PostgreSQL's handshake): the
    // other readers go on meanwhile.
    ++opening;
    hold.unlock();
    std::unique_ptr<Database> made;
    try {
        made = writer->openReader();
    } catch (...) {
        hold.lock();
        --opening;
        returned.notify_one();
        throw;
    }
    hold.lock();
    --opening;
    opened.push_back(std::move(made));
    return Lease(this, opened.back().get(), false);
}

std::size_t ConnectionPool::readers()
{
    std::lock_guard<std::mutex> hold(lending);
    return opened.size();
}

void ConnectionPool::giveBack(Database *db, bool isWriter)
{
    if (isWriter) {
        writing.unlock();
        return;
    }
    {
        std::lock_guard<std::mutex> hold(lending);
        idle.push_back(db);
    }
    returned.notify_one();
}
