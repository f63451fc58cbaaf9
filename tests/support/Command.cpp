#include "tests/support/Command.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mv::test {

TCommandResult RunCommand(const std::vector<std::string>& arguments,
                          const std::vector<std::pair<std::string, std::string>>& environment,
                          const std::filesystem::path& directory)
{
    TCommandResult result;
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        bool replaced = false;
        for (const auto& [name, value] : environment)
            replaced = replaced || variable.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            variables.push_back(variable);
    }
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t child = 0;
    const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (started != 0) {
        ::close(pipe[0]);
        result.Output = std::string(arguments[0]) + ": cannot be started";
        return result;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.Output.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace mv::test
