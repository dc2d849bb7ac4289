#pragma once
// A PostgreSQL server of its own for a test or a benchmark: initdb and
// pg_ctl from `pg_config --bindir` (else /usr/lib/postgresql/15/bin), run as
// the postgres user when we are root (the server refuses root), in a
// temporary directory that user owns, on a free port of 127.0.0.1; stopped
// and removed at the end. Trust authentication: no password anywhere.
#include <netinet/in.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace testing_support {

class PgServer {
public:
    PgServer() = default;
    ~PgServer() { Stop(); }
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // "" when the server runs, else why not. Unavailable() tells a machine
    // without PostgreSQL (the caller skips) from a server that would not
    // start (the caller fails). `durable` keeps the server's own flushes
    // (benchmarks, crash tests); other tests do without them. `settings`
    // are more "-c name=value" options for the server.
    std::string Start(bool durable = false, const std::string& settings = "") {
        bin_ = BinDir();
        unavailable_ = true;
        if (bin_.empty()) return "PostgreSQL server programs (initdb, pg_ctl) not found; scripts/setup installs them";
        if (::geteuid() == 0) {
            const passwd* user = ::getpwnam("postgres");
            if (!user) return "running as root and there is no postgres user to run the server as";
            runAs_ = "runuser -u postgres -- ";
            uid_ = user->pw_uid;
            gid_ = user->pw_gid;
        }
        unavailable_ = false;
        char pattern[] = "/tmp/pg_server_XXXXXX";
        if (!::mkdtemp(pattern)) return "no temporary directory";
        dir_ = pattern;
        if (runAs_.size() && ::chown(dir_.c_str(), uid_, gid_) != 0) return "cannot hand " + dir_ + " to postgres";
        if (!Run(runAs_ + bin_ + "/initdb -D " + dir_ + "/data -A trust -U postgres --no-sync -E UTF8"))
            return "initdb failed (see " + dir_ + "/out)";
        // Another test may take the free port first: then another port.
        for (int attempt = 0; attempt < 3; ++attempt) {
            port_ = FreePort();
            options_ = "-p " + std::to_string(port_) + " -k " + dir_ +
                       " -c listen_addresses=127.0.0.1 -c max_connections=200 -c shared_buffers=16MB" +
                       (durable ? "" : " -c fsync=off -c synchronous_commit=off -c full_page_writes=off") +
                       (settings.empty() ? "" : " " + settings);
            if (Up()) return "";
        }
        return "pg_ctl start failed (see " + dir_ + "/log)";
    }

    // A fast shutdown and a new start on the same data and port.
    bool Restart() {
        if (!running_) return false;
        Down();
        return Up();
    }
    bool Down() { return StopServer("fast"); }
    // The nearest thing to a power cut: every server process quits at once,
    // and what is still in the server's own buffers is gone.
    bool Crash() { return StopServer("immediate"); }
    bool Up() {
        running_ = Run(runAs_ + bin_ + "/pg_ctl -D " + dir_ + "/data -o \"" + options_ + "\" -l " + dir_ +
                       "/log -w -t 60 start");
        return running_;
    }

    void Stop() {
        if (dir_.empty()) return;
        if (running_) Run(runAs_ + bin_ + "/pg_ctl -D " + dir_ + "/data -m immediate -w stop");
        running_ = false;
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        dir_.clear();
    }

    std::string Conninfo() const {
        return "host=127.0.0.1 port=" + std::to_string(port_) + " user=postgres dbname=postgres";
    }
    bool Unavailable() const { return unavailable_; }

private:
    static std::string BinDir() {
        std::string dir;
        if (FILE* p = ::popen("pg_config --bindir 2>/dev/null", "r")) {
            char line[512];
            if (std::fgets(line, sizeof line, p)) dir = line;
            ::pclose(p);
        }
        while (!dir.empty() && (dir.back() == '\n' || dir.back() == ' ')) dir.pop_back();
        for (const std::string& d : {dir, std::string("/usr/lib/postgresql/15/bin")})
            if (!d.empty() && ::access((d + "/initdb").c_str(), X_OK) == 0 && ::access((d + "/pg_ctl").c_str(), X_OK) == 0)
                return d;
        return "";
    }

    // A port nobody listens on now: the kernel's pick for a socket bound to 0.
    static int FreePort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        int port = 0;
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) == 0)
            port = ntohs(a.sin_port);
        ::close(s);
        return port;
    }

    bool StopServer(const std::string& mode) {
        if (!running_) return true;
        running_ = !Run(runAs_ + bin_ + "/pg_ctl -D " + dir_ + "/data -m " + mode + " -w stop");
        return !running_;
    }

    bool Run(const std::string& command) const {
        return std::system((command + " >>" + dir_ + "/out 2>&1").c_str()) == 0;
    }

    std::string bin_, dir_, runAs_, options_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    int port_ = 0;
    bool running_ = false;
    bool unavailable_ = false;
};

}  // namespace testing_support
