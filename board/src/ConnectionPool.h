#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "Database.h"

// The store's connections: one writer, taken by one thread at a time (the
// database's own write lock still orders writers across servers), and
// readers opened as they are wanted, up to a limit, lent one to a thread.
// A reader never waits for the writer, only for a free reader when every
// one is lent.
class ConnectionPool {
public:
    // A connection lent until this goes out of scope.
    class Lease {
    public:
        Lease(Lease &&other) noexcept;
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;
        Lease &operator=(Lease &&) = delete;
        ~Lease();
        Database *operator->() const { return db; }
        Database &operator*() const { return *db; }

    private:
        friend class ConnectionPool;
        Lease(ConnectionPool *pool, Database *db, bool writer) : pool(pool), db(db), writer(writer) {}
        ConnectionPool *pool;
        Database *db;
        bool writer;
    };

    static constexpr std::size_t kMaxReaders = 16;

    explicit ConnectionPool(std::unique_ptr<Database> writer, std::size_t maxReaders = kMaxReaders);

    Lease write();
    Lease read();
    // Readers opened so far.
    std::size_t readers();

private:
    std::mutex writing;
    std::unique_ptr<Database> writer;

    std::mutex lending;
    std::condition_variable returned;
    std::vector<std::unique_ptr<Database>> opened;
    std::vector<Database *> idle;
    std::size_t maxReaders;
    std::size_t opening = 0;  // readers being opened outside the lock

    void giveBack(Database *db, bool writer);
};
