#pragma once

#include <QString>
#include <memory>

#include "server/http_routes.h"
#include "server/server_options.h"

// Serves the routes over HTTP (or HTTPS with a certificate) on a thread of its own, with one
// worker thread per connection up to the connection limit, the time-outs of the options, bodies
// of at most 4 MiB (a larger one is refused with 413 before it is read) and one log line per
// request, without its contents.
class OVHTTPListener {
  public:
    OVHTTPListener(const OVServerOptions& options, OVServerContext& context);
    ~OVHTTPListener();
    OVHTTPListener(const OVHTTPListener&) = delete;
    OVHTTPListener& operator=(const OVHTTPListener&) = delete;

    // Binds the address of the options; false with the problem when it cannot.
    bool bind(QString* problem);
    // The URL clients reach ("https://127.0.0.1:8470"), with the port actually bound.
    QString origin() const;

    // Starts accepting connections.
    void start();
    // Stops accepting, lets the requests in progress finish and waits for them. Idempotent.
    void stop();

  private:
    struct Implementation;
    std::unique_ptr<Implementation> _implementation;
};
