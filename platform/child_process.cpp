#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/interruption.h"

extern char** environ;

struct ChildProcess {
    pid_t pid = -1;
    int input = -1;
    double stallSeconds = 60.0;
    bool stalled = false;
};

namespace {

std::vector<char*> argumentPointers(const std::vector<std::string>& arguments)
{
    std::vector<char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

int waitForExit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::string Sys_FindProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        const std::string directory = end > start ? directories.substr(start, end - start) : ".";
        const std::string candidate = directory + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::string();
}

bool Sys_RunForOutput(const std::vector<std::string>& arguments, std::string& output)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv = argumentPointers(arguments);
    pid_t pid = -1;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (started != 0) {
        close(pipeEnds[0]);
        return false;
    }
    output.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
        if (n > 0) output.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR) break;
    }
    close(pipeEnds[0]);
    return waitForExit(pid) == 0;
}

ChildProcess* Sys_StartWithInputPipe(const std::vector<std::string>& arguments, std::string& error,
                                     double stallSeconds)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    // The show's end stays open in the show only.
    fcntl(pipeEnds[1], F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv = argumentPointers(arguments);
    pid_t pid = -1;
    const int started = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeEnds[0]);
    if (started != 0) {
        close(pipeEnds[1]);
        error = "cannot start " + arguments[0] + ": " + std::strerror(started);
        return nullptr;
    }
    // A child that ends early must show up as a failed write, not end the show.
    signal(SIGPIPE, SIG_IGN);
    // Written without blocking, so that a stall is seen.
    fcntl(pipeEnds[1], F_SETFL, fcntl(pipeEnds[1], F_GETFL) | O_NONBLOCK);
    ChildProcess* child = new ChildProcess;
    child->pid = pid;
    child->input = pipeEnds[1];
    child->stallSeconds = stallSeconds;
    return child;
}

bool Sys_WriteToChild(ChildProcess* child, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    double waited = 0.0;
    while (size > 0) {
        if (interruptionSignal()) return false;
        const ssize_t n = write(child->input, bytes, size);
        if (n > 0) {
            bytes += n;
            size -= static_cast<size_t>(n);
            waited = 0.0;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        // Full pipe: wait for the child to take some, a quarter second at a
        // time so that an interruption is seen.
        if (waited >= child->stallSeconds) {
            child->stalled = true;
            return false;
        }
        pollfd ready = {child->input, POLLOUT, 0};
        const int64_t before = Sys_Counter();
        poll(&ready, 1, 250);
        waited += double(Sys_Counter() - before) / double(Sys_CounterFrequency());
    }
    return true;
}

void Sys_StopChild(ChildProcess* child)
{
    if (child) kill(child->pid, SIGTERM);
}

bool Sys_FinishChild(ChildProcess* child, std::string& outcome, double finishSeconds)
{
    if (!child) {
        outcome = "not started";
        return false;
    }
    if (child->input >= 0) close(child->input);
    int status = 0;
    bool ended = false, killed = false;
    const int64_t start = Sys_Counter();
    // A stalled child is ended at once; others get the time to finish their file.
    if (child->stalled) {
        kill(child->pid, SIGKILL);
        killed = true;
    }
    for (;;) {
        const pid_t got = waitpid(child->pid, &status, WNOHANG);
        if (got == child->pid) {
            ended = true;
            break;
        }
        if (got < 0 && errno != EINTR) break;
        if (!killed && double(Sys_Counter() - start) / double(Sys_CounterFrequency()) > finishSeconds) {
            kill(child->pid, SIGKILL);
            killed = true;
        }
        Sys_Sleep(10);
    }
    bool ok = false;
    if (child->stalled) {
        outcome = "took nothing for " + std::to_string(static_cast<int>(child->stallSeconds)) +
                  " seconds and was ended";
    } else if (killed) {
        outcome = "did not end within " + std::to_string(static_cast<int>(finishSeconds)) + " seconds and was ended";
    } else if (!ended) {
        outcome = std::string("cannot be waited for: ") + std::strerror(errno);
    } else if (WIFEXITED(status)) {
        ok = WEXITSTATUS(status) == 0;
        outcome = "exit code " + std::to_string(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        outcome = "ended by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    } else {
        outcome = "ended";
    }
    delete child;
    return ok;
}
