#include "kx-fep/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "kx-db/target_database.h"

namespace kx::feptool {

namespace {

// A signal handler can reach nothing else: the pipe is the one piece of process state.
int stopPipe[2] = {-1, -1};
struct sigaction previous[3];
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGPIPE};

void OnStop(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(stopPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
    if (pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) throw dbtool::ToolError("cannot create the signal pipe");
    for (int i = 0; i < 3; ++i) {
        struct sigaction action {};
        action.sa_handler = kSignals[i] == SIGPIPE ? SIG_IGN : OnStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(kSignals[i], &action, &previous[i]);
    }
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous[i], nullptr);
    close(stopPipe[0]);
    close(stopPipe[1]);
    stopPipe[0] = stopPipe[1] = -1;
}

int StopSignals::Fd() const { return stopPipe[0]; }

}  // namespace kx::feptool
