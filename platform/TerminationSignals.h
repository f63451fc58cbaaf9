// The signals that end a process unless it catches them: a terminal closed (HUP), Ctrl-C (INT),
// kill (TERM), Ctrl-\ (QUIT), a reader gone (PIPE), a timer (ALRM) and the two user signals.
// A program that writes files catches them all, so a running job sees the signal as a request to
// stop, removes its unfinished output (wiping it when it holds plain bytes) and only then ends
// the process with the signal's own status. A second signal during that clean-up is recorded and
// changes nothing: the clean-up runs to its end.
#pragma once

#include <csignal>

namespace mv::platform {

inline constexpr int TerminationSignalList[] = {SIGHUP,  SIGINT,  SIGTERM, SIGQUIT,
                                                SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2};

// Installs the recording handler for every signal of the list (once per process; later calls do
// nothing). Without SA_RESTART: a read or write blocked on a terminal, pipe or FIFO returns
// EINTR, so a job waiting there is not held past the signal.
void InstallTerminationHandlers();

// The first termination signal caught since the handlers were installed (or last cleared), 0
// when none.
int TerminationSignal();

// Forgets a caught signal (the terminal's prompts treat Ctrl-C at a question as an answer).
void ClearTerminationSignal();

// Adds the signals of the list to set (for sigprocmask/ppoll windows).
void AddTerminationSignals(sigset_t& set);

// Ends the process as signal would have ended it without a handler: the default action restored,
// the signal unblocked and raised, so the parent sees "killed by signal" (a shell: 128 + signal).
// Should the signal not end the process, it exits with 128 + signal.
[[noreturn]] void EndBySignal(int signal);

} // namespace mv::platform
