#pragma once
// A program in a process of its own with its standard output on a pipe, so
// that a test can run tools/tarvex-sim as a person does: read what it
// prints, stop it with SIGTERM and read what it prints then.
#include <string>
#include <vector>

namespace tarvex::sim {

class ChildProcess {
public:
    // Starts `program` with `args`; started() tells whether that worked.
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0 && out_ >= 0; }
    // Its output up to the end of the next line, or up to the end of the
    // output; gives up when nothing comes for timeoutMs.
    std::string readLine(int timeoutMs);
    std::string readAll(int timeoutMs);
    // SIGTERM, then waits for the process to end, keeping what it printed
    // meanwhile for the reads; its exit status.
    int terminate();

private:
    std::string read(bool lineOnly, int timeoutMs);

    int pid_ = -1;
    int out_ = -1;
    std::string kept_;  // read while it was stopping, not yet handed out
};

}  // namespace tarvex::sim
