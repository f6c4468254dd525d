#include "subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern char** environ;

namespace norvik::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Everything the child needs is prepared before fork: a test process may have threads, and
// between fork and exec only async-signal-safe calls are allowed.
int Spawn(const ProcessOptions& options, int& out_fd, int& err_fd) {
    std::vector<std::string> args = options.args;
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('=') + 1);
        const bool replaced =
            std::any_of(options.extra_env.begin(), options.extra_env.end(),
                        [&](const std::string& extra) { return extra.rfind(name, 0) == 0; });
        if (!replaced) {
            env.push_back(entry);
        }
    }
    env.insert(env.end(), options.extra_env.begin(), options.extra_env.end());
    auto argv = CStrings(args);
    auto envp = CStrings(env);
    int out_pipe[2];
    int err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
        return -1;
    }
    if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
        ::close(out_pipe[0]);
        ::close(out_pipe[1]);
        return -1;
    }
    const char* dir =
        options.working_directory.empty() ? nullptr : options.working_directory.c_str();
    rlimit limit{};
    if (options.max_open_files) {
        limit.rlim_cur = limit.rlim_max = *options.max_open_files;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out_pipe[1], STDOUT_FILENO);
        ::dup2(err_pipe[1], STDERR_FILENO);
        const int null_fd = ::open("/dev/null", O_RDONLY);
        if (null_fd >= 0) {
            ::dup2(null_fd, STDIN_FILENO);
            ::close(null_fd);
        }
        // Only the standard streams go along: descriptors the test runner left open would
        // count against a tight descriptor limit.
        ::close_range(3, ~0U, 0);
        if (dir != nullptr && ::chdir(dir) != 0) {
            ::_exit(126);
        }
        if (options.max_open_files && ::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            ::_exit(126);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    if (pid < 0) {
        ::close(out_pipe[0]);
        ::close(err_pipe[0]);
        return -1;
    }
    out_fd = out_pipe[0];
    err_fd = err_pipe[0];
    return pid;
}

}  // namespace

ProcessResult RunProcess(const ProcessOptions& options) {
    BackgroundProcess process(options);
    return process.Wait(options.timeout);
}

BackgroundProcess::BackgroundProcess(const ProcessOptions& options) {
    pid_ = Spawn(options, out_fd_, err_fd_);
}

BackgroundProcess::~BackgroundProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Finish(std::chrono::milliseconds(5000));
    }
}

// Reads what is available on both streams for up to the time-out; false once both are closed.
bool BackgroundProcess::Pump(std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
    if (out_fd_ < 0 && err_fd_ < 0) {
        return false;
    }
    const int ready = ::poll(fds, 2, static_cast<int>(timeout.count()));
    if (ready <= 0) {
        return true;
    }
    int* fd_of[2] = {&out_fd_, &err_fd_};
    std::string* text_of[2] = {&result_.out, &result_.err};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
            text_of[i]->append(buffer, static_cast<size_t>(n));
        } else {
            ::close(fds[i].fd);
            *fd_of[i] = -1;
        }
    }
    return out_fd_ >= 0 || err_fd_ >= 0;
}

bool BackgroundProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    return WaitFor(&ProcessResult::out, text, timeout);
}

bool BackgroundProcess::WaitForError(const std::string& text, std::chrono::milliseconds timeout) {
    return WaitFor(&ProcessResult::err, text, timeout);
}

bool BackgroundProcess::WaitFor(std::string ProcessResult::*stream, const std::string& text,
                                std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while ((result_.*stream).find(text) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !Pump(left)) {
            return (result_.*stream).find(text) != std::string::npos;
        }
    }
    return true;
}

ProcessResult BackgroundProcess::Finish(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) != pid_) {
        if (Clock::now() >= deadline && !result_.timed_out) {
            result_.timed_out = true;
            ::kill(pid_, SIGKILL);
        }
        if (!Pump(std::chrono::milliseconds(20))) {
            ::usleep(10000);
        }
    }
    while (Pump(std::chrono::milliseconds(100))) {
    }
    if (WIFEXITED(status)) {
        result_.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result_.signal = WTERMSIG(status);
    }
    pid_ = -1;
    return result_;
}

bool BackgroundProcess::Signal(int signal_number) {
    return pid_ > 0 && ::kill(pid_, signal_number) == 0;
}

ProcessResult BackgroundProcess::Stop() {
    Signal(SIGTERM);
    return Wait(std::chrono::milliseconds(5000));
}

ProcessResult BackgroundProcess::Wait(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) {
        return result_;
    }
    return Finish(timeout);
}

}  // namespace norvik::test
