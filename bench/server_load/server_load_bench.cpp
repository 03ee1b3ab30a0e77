// Load on orvetta-server over loopback, as a fleet makes it: 32 clients at once, each on a kept-
// alive connection, posting 4 KiB compatibility reports (with SQLite, then with a PostgreSQL
// cluster that flushes to disk) or asking for the policy. Each run sends a bounded number of
// requests; the counters give requests per second and the latency percentiles.

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QJsonDocument>
#include <QUuid>
#include <algorithm>
#include <barrier>
#include <chrono>
#include <thread>
#include <vector>

#include "server_harness.h"

namespace {

constexpr int kClients = 32;
constexpr int kReportsPerClient = 250;
constexpr int kPolicyRequestsPerClient = 1500;
constexpr qsizetype kReportBytes = 4096;

enum class Engine { SQLite, PostgreSQL };

using Clock = std::chrono::steady_clock;

struct LoadRun {
    double seconds = 0;
    std::vector<double> latencies;  // seconds, one per answered request
    int failures = 0;
};

// Runs `requests` requests on each of kClients connections at once.
LoadRun runLoad(
    int port, int requests,
    const std::function<httplib::Result(httplib::Client&, int client, int request)>& send) {
    std::vector<std::vector<double>> latencies(kClients);
    std::vector<int> failures(kClients, 0);
    std::barrier start(kClients + 1);
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client) {
        clients.emplace_back([&, client] {
            httplib::Client connection("127.0.0.1", port);
            connection.set_keep_alive(true);
            connection.set_tcp_nodelay(true);
            connection.set_read_timeout(30);
            latencies[std::size_t(client)].reserve(std::size_t(requests));
            start.arrive_and_wait();
            for (int request = 0; request < requests; ++request) {
                const Clock::time_point sent = Clock::now();
                const httplib::Result result = send(connection, client, request);
                if (!result || result->status >= 300) {
                    if (++failures[std::size_t(client)] == 1) {
                        std::fprintf(stderr, "client %d: %s, status %d\n", client,
                                     httplib::to_string(result.error()).c_str(),
                                     result ? result->status : 0);
                    }
                    continue;
                }
                latencies[std::size_t(client)].push_back(
                    std::chrono::duration<double>(Clock::now() - sent).count());
            }
        });
    }
    start.arrive_and_wait();
    const Clock::time_point began = Clock::now();
    for (std::thread& client : clients) {
        client.join();
    }
    LoadRun run;
    run.seconds = std::chrono::duration<double>(Clock::now() - began).count();
    for (int client = 0; client < kClients; ++client) {
        run.latencies.insert(run.latencies.end(), latencies[std::size_t(client)].begin(),
                             latencies[std::size_t(client)].end());
        run.failures += failures[std::size_t(client)];
    }
    std::sort(run.latencies.begin(), run.latencies.end());
    return run;
}

double percentile(const std::vector<double>& sorted, double fraction) {
    if (sorted.empty()) {
        return 0;
    }
    return sorted[std::min(sorted.size() - 1, std::size_t(fraction * double(sorted.size())))];
}

void report(benchmark::State& state, const LoadRun& run) {
    state.SetIterationTime(run.seconds);
    state.counters["requests_per_s"] = double(run.latencies.size()) / run.seconds;
    state.counters["p50_ms"] = percentile(run.latencies, 0.50) * 1e3;
    state.counters["p99_ms"] = percentile(run.latencies, 0.99) * 1e3;
    state.counters["failures"] = run.failures;
}

// A 4 KiB report with a fresh UUID.
std::string reportBody() {
    OVSampleReportSpec spec;
    spec.reportUUID = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const qsizetype overhead =
        QJsonDocument(OVSampleReport(spec)).toJson(QJsonDocument::Compact).size();
    spec.sampleBytes = kReportBytes - overhead;
    return QJsonDocument(OVSampleReport(spec)).toJson(QJsonDocument::Compact).toStdString();
}

// The server with the engine's store; nothing (and the benchmark skipped) when it cannot start.
std::unique_ptr<OVServerProcess> startServer(benchmark::State& state, Engine engine,
                                             QTemporaryDir& folder,
                                             std::unique_ptr<OVThrowawayPostgres>& postgres) {
    QStringList arguments{QStringLiteral("--data"), folder.filePath(QStringLiteral("data"))};
    if (engine == Engine::PostgreSQL) {
        postgres = std::make_unique<OVThrowawayPostgres>();
        QString problem;
        const QString url =
            postgres->start(&problem, true) ? postgres->createDatabase(&problem) : QString();
        if (url.isEmpty()) {
            state.SkipWithError(problem.toStdString().c_str());
            return nullptr;
        }
        arguments = {QStringLiteral("--database"), url, QStringLiteral("--database-connections"),
                     QString::number(kClients)};
    }
    auto server = std::make_unique<OVServerProcess>(arguments);
    if (!server->listening()) {
        state.SkipWithError(server->log().toStdString().c_str());
        return nullptr;
    }
    return server;
}

void postReports(benchmark::State& state, Engine engine) {
    for (auto _ : state) {
        QTemporaryDir folder;
        std::unique_ptr<OVThrowawayPostgres> postgres;
        const auto server = startServer(state, engine, folder, postgres);
        if (!server) {
            return;
        }
        std::vector<std::vector<std::string>> bodies(kClients);
        for (auto& client : bodies) {
            for (int i = 0; i < kReportsPerClient; ++i) {
                client.push_back(reportBody());
            }
        }
        report(state, runLoad(server->port(), kReportsPerClient,
                              [&](httplib::Client& connection, int client, int request) {
                                  return connection.Post(
                                      "/v1/compatibility-reports/",
                                      bodies[std::size_t(client)][std::size_t(request)],
                                      "application/json");
                              }));
    }
}

void getPolicy(benchmark::State& state) {
    for (auto _ : state) {
        QTemporaryDir folder;
        std::unique_ptr<OVThrowawayPostgres> none;
        const auto server = startServer(state, Engine::SQLite, folder, none);
        if (!server) {
            return;
        }
        report(state, runLoad(server->port(), kPolicyRequestsPerClient,
                              [](httplib::Client& connection, int client, int) {
                                  return connection.Get(
                                      "/v1/app-policy/?app=orvetta&platform=linux&version=1.0.0"
                                      "&install_event=policy_check&install_id=" +
                                      std::to_string(client));
                              }));
    }
}

}  // namespace

BENCHMARK_CAPTURE(postReports, sqlite, Engine::SQLite)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(postReports, postgresql, Engine::PostgreSQL)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(getPolicy)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
