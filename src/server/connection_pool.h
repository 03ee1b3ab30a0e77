#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "server/sql_connection.h"

// Database connections lent to one request thread at a time: an idle one, else a new one while
// fewer than the limit are open, else the next one given back.
class OVSQLConnectionPool {
  public:
    using Opener = std::function<std::unique_ptr<OVSQLConnection>(OVError* error)>;
    using Work = std::function<bool(OVSQLConnection& connection, OVError* error)>;

    OVSQLConnectionPool(int limit, Opener opener);
    // Starts with `first`, an open connection, idle.
    OVSQLConnectionPool(int limit, Opener opener, std::unique_ptr<OVSQLConnection> first);

    // Runs `work` on a borrowed connection; fails when no connection could be opened.
    bool run(const Work& work, OVError* error);

  private:
    std::unique_ptr<OVSQLConnection> borrow(OVError* error);
    void giveBack(std::unique_ptr<OVSQLConnection> connection);

    const int _limit;
    const Opener _opener;
    std::mutex _mutex;
    std::condition_variable _returned;
    std::vector<std::unique_ptr<OVSQLConnection>> _idle;
    int _open = 0;
};
