#include "server/connection_pool.h"

OVSQLConnectionPool::OVSQLConnectionPool(int limit, Opener opener)
    : _limit(limit < 1 ? 1 : limit), _opener(std::move(opener)) {}

OVSQLConnectionPool::OVSQLConnectionPool(int limit, Opener opener,
                                         std::unique_ptr<OVSQLConnection> first)
    : OVSQLConnectionPool(limit, std::move(opener)) {
    _idle.push_back(std::move(first));
    _open = 1;
}

bool OVSQLConnectionPool::run(const Work& work, OVError* error) {
    std::unique_ptr<OVSQLConnection> connection = borrow(error);
    if (!connection) {
        return false;
    }
    const bool done = work(*connection, error);
    giveBack(std::move(connection));
    return done;
}

std::unique_ptr<OVSQLConnection> OVSQLConnectionPool::borrow(OVError* error) {
    std::unique_lock lock(_mutex);
    _returned.wait(lock, [this] { return !_idle.empty() || _open < _limit; });
    if (!_idle.empty()) {
        std::unique_ptr<OVSQLConnection> connection = std::move(_idle.back());
        _idle.pop_back();
        return connection;
    }
    ++_open;
    lock.unlock();
    std::unique_ptr<OVSQLConnection> connection = _opener(error);
    if (!connection) {
        lock.lock();
        --_open;
        _returned.notify_one();
    }
    return connection;
}

void OVSQLConnectionPool::giveBack(std::unique_ptr<OVSQLConnection> connection) {
    std::lock_guard lock(_mutex);
    _idle.push_back(std::move(connection));
    _returned.notify_one();
}
