#include "sim/posix/child_process.hpp"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarvex::sim {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
}

ChildProcess::~ChildProcess() {
    terminate();
    if (out_ >= 0) ::close(out_);
}

std::string ChildProcess::read(bool lineOnly, int timeoutMs) {
    std::string text;
    char c = 0;
    pollfd p{out_, POLLIN, 0};
    const auto next = [&] {
        if (!kept_.empty()) {
            c = kept_.front();
            kept_.erase(kept_.begin());
            return true;
        }
        return out_ >= 0 && ::poll(&p, 1, timeoutMs) > 0 && ::read(out_, &c, 1) == 1;
    };
    while (next()) {
        text += c;
        if (lineOnly && c == '\n') break;
    }
    return text;
}

std::string ChildProcess::readLine(int timeoutMs) { return read(true, timeoutMs); }
std::string ChildProcess::readAll(int timeoutMs) { return read(false, timeoutMs); }

int ChildProcess::terminate() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    // What it prints on the way out must not fill the pipe while it is
    // waited for.
    char buffer[4096];
    pollfd p{out_, POLLIN, 0};
    ssize_t n = 0;
    while (out_ >= 0 && ::poll(&p, 1, 10000) > 0 && (n = ::read(out_, buffer, sizeof buffer)) > 0)
        kept_.append(buffer, static_cast<std::size_t>(n));
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
}

}  // namespace tarvex::sim
