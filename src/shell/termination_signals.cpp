#include "shell/termination_signals.h"

#include <QSocketNotifier>

#include <sys/signalfd.h>
#include <unistd.h>
#include <csignal>

namespace kx {
namespace {

sigset_t TerminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void BlockTerminationSignals() {
    const sigset_t set = TerminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    const sigset_t set = TerminationSet();
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this]() { Drain(); });
}

TerminationSignals::~TerminationSignals() {
    notifier_.reset();
    if (fd_ >= 0) close(fd_);
}

void TerminationSignals::Drain() {
    signalfd_siginfo info{};
    while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        if (onSignal_) onSignal_(static_cast<int>(info.ssi_signo));
}

}  // namespace kx
