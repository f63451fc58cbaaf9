#include "platform/TerminationSignals.h"

#include <unistd.h>

namespace mv::platform {

namespace {

volatile sig_atomic_t caughtSignal = 0;
bool installed = false;

extern "C" void RecordTerminationSignal(int signal)
{
    // The first one decides the process's exit status; later ones only repeat the request.
    if (caughtSignal == 0)
        caughtSignal = signal;
}

} // namespace

void InstallTerminationHandlers()
{
    if (installed)
        return;
    installed = true;
    struct sigaction action
    {
    };
    action.sa_handler = RecordTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Every signal of the list is held off while the handler runs, and the handler stays in
    // place (no SA_RESETHAND): a second Ctrl-C during the clean-up must not end the process.
    for (const int signal : TerminationSignalList)
        sigaddset(&action.sa_mask, signal);
    action.sa_flags = 0;
    for (const int signal : TerminationSignalList)
        sigaction(signal, &action, nullptr);
}

int TerminationSignal()
{
    return caughtSignal;
}

void ClearTerminationSignal()
{
    caughtSignal = 0;
}

void AddTerminationSignals(sigset_t& set)
{
    for (const int signal : TerminationSignalList)
        sigaddset(&set, signal);
}

void EndBySignal(int signal)
{
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

} // namespace mv::platform
