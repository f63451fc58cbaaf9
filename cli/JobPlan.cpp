#include "cli/JobPlan.h"

#include "cli/ContainerProbe.h"

#include "app/OutputName.h"
#include "engine/ContainerHeader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::cli {

namespace {

namespace fs = std::filesystem;

// One spelling for every path of a file: absolute, without "." and "..", symlinks of the parts
// that exist resolved; so "a.mvx", "./a.mvx" and "/home/u/a.mvx" compare equal.
fs::path Key(const fs::path& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        return path.lexically_normal();
    fs::path canonical = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : canonical;
}

struct TIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator<(const TIdentity& other) const
    {
        return device != other.device ? device < other.device : inode < other.inode;
    }
};

// The file a path leads to (device and inode: every name of it, hard links included).
std::optional<TIdentity> IdentityOf(const fs::path& path)
{
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return TIdentity{info.st_dev, info.st_ino};
}

bool IsDirectory(const fs::path& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The regular files below directory, in name order, each with its path relative to it. Symbolic
// links are not followed (a link to a parent would never end) and, like devices, FIFOs and
// sockets, are skipped.
void CollectFiles(const fs::path& directory, const fs::path& relative, TJobPlan& plan,
                  std::vector<std::pair<fs::path, fs::path>>& files)
{
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    if (error) {
        TPlannedJob unreadable;
        unreadable.input = directory;
        unreadable.refusal = "cannot read the directory: " + error.message();
        plan.jobs.push_back(std::move(unreadable));
        return;
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    for (const fs::directory_entry& entry : entries) {
        const fs::file_status status = entry.symlink_status(error);
        const fs::path name = entry.path().filename();
        if (!error && fs::is_directory(status))
            CollectFiles(entry.path(), relative / name, plan, files);
        else if (!error && fs::is_regular_file(status))
            files.emplace_back(entry.path(), relative / name);
        else
            plan.skipped.push_back(entry.path());
    }
}

// The name a directory given with -r gets below -d DIR: its own last name ("docs" for "docs/",
// nothing for "." or "/", whose files go straight into DIR).
fs::path TreeName(const fs::path& directory)
{
    const fs::path name = Key(directory).filename();
    return name == "." || name == ".." ? fs::path() : name;
}

std::string Quoted(const fs::path& path)
{
    return "\"" + path.string() + "\"";
}

// Standard input is a file the shell opened (read like any file), not a pipe or terminal.
bool StandardInputIsFile()
{
    struct stat info
    {
    };
    return fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode);
}

// "-o -" is standard output, as the jobs name it.
fs::path OutputPath(const std::string& given)
{
    return given == "-" ? StandardOutputPath : fs::path(given);
}

} // namespace

fs::path DefaultOutput(const fs::path& input, bool selfExtract)
{
    return app::ChangeFileExtension(input.string(), app::OutputExtension(selfExtract));
}

fs::path ContainerDirectory(const fs::path& container)
{
    const fs::path parent = container.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

TJobPlan PlanEncryption(const TCliArguments& arguments)
{
    TJobPlan plan;
    const fs::path directory = arguments.directory;
    if (!directory.empty() && !IsDirectory(directory)) {
        plan.conflict = "-d " + Quoted(directory) + ": no such directory; nothing was done";
        return plan;
    }
    for (const std::string& given : arguments.inputs) {
        const fs::path input = given;
        if (IsDirectory(input) && !arguments.recursive) {
            TPlannedJob job;
            job.input = input;
            job.refusal = "is a directory; give -r to encrypt every file below it";
            plan.jobs.push_back(std::move(job));
            continue;
        }
        if (given == "-") {
            TPlannedJob job;
            job.input = StandardInputPath;
            job.storedName = arguments.storedName;
            if (!arguments.output.empty())
                job.output = OutputPath(arguments.output);
            else // --name NAME: NAME with the extension, beside or in DIR
                job.output = (directory.empty() ? fs::path() : directory) /
                             DefaultOutput(arguments.storedName, arguments.selfExtract);
            if (job.storedName.empty())
                job.storedName = job.output == StandardOutputPath
                                     ? std::string("stdin")
                                     : app::ChangeFileExtension(job.output.filename().string(), "");
            job.outputDirectory = job.output.parent_path();
            plan.jobs.push_back(std::move(job));
            continue;
        }
        if (!IsDirectory(input)) {
            TPlannedJob job;
            job.input = input;
            if (!arguments.output.empty())
                job.output = OutputPath(arguments.output);
            else if (!directory.empty())
                job.output = directory / DefaultOutput(input.filename(), arguments.selfExtract);
            else
                job.output = DefaultOutput(input, arguments.selfExtract);
            job.outputDirectory = job.output.parent_path();
            plan.jobs.push_back(std::move(job));
            continue;
        }
        std::vector<std::pair<fs::path, fs::path>> files;
        CollectFiles(input, {}, plan, files);
        const fs::path tree = directory.empty() ? fs::path() : directory / TreeName(input);
        for (auto& [path, relative] : files) {
            TPlannedJob job;
            job.input = path;
            job.output =
                DefaultOutput(tree.empty() ? path : tree / relative, arguments.selfExtract);
            job.outputDirectory = job.output.parent_path();
            plan.jobs.push_back(std::move(job));
        }
    }
    // A pipe into a pipe: the header before the data would need what is known only at the end
    // of the input, and the output cannot be rewritten. Refused before anything is read.
    const bool pipeIn = std::find(arguments.inputs.begin(), arguments.inputs.end(), "-") !=
                            arguments.inputs.end() &&
                        !StandardInputIsFile();
    if (pipeIn && arguments.output == "-" && (arguments.includeCrc || arguments.compress)) {
        const char* option = arguments.compress ? "--compress" : "--crc";
        plan.usage = std::string(option) +
                     " cannot be used from a pipe into a pipe: the header "
                     "before the data needs " +
                     (arguments.compress ? "the chunk sizes" : "the CRC-32") +
                     ", known only at the end of standard input, and standard output cannot be "
                     "rewritten; write to a file with -o FILE" +
                     (arguments.compress ? "" : ", or leave out --crc");
        return plan;
    }
    // The form of earlier versions, "encrypt INPUT OUTPUT": a missing input that bears the
    // output's extension is an output meant, and taken as an input the call would write the
    // first file's container under a name the script does not expect.
    const std::string extension = app::OutputExtension(arguments.selfExtract);
    for (const TPlannedJob& job : plan.jobs) {
        const std::string name = job.input.filename().string();
        struct stat info
        {
        };
        if (name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0 &&
            lstat(job.input.c_str(), &info) != 0 && errno == ENOENT) {
            plan.usage = Quoted(job.input) + " does not exist; every name after encrypt is an "
                                             "input: name an output with -o";
            return plan;
        }
    }
    plan.conflict = FindConflict(plan.jobs);
    return plan;
}

TJobPlan PlanDecryption(const TCliArguments& arguments)
{
    TJobPlan plan;
    const fs::path directory = arguments.directory;
    if (!directory.empty() && !IsDirectory(directory)) {
        plan.conflict = "-d " + Quoted(directory) + ": no such directory; nothing was done";
        return plan;
    }
    for (const std::string& given : arguments.inputs) {
        TPlannedJob job;
        const bool standardInput = given == "-";
        job.input = standardInput ? StandardInputPath : fs::path(given);
        job.outputDirectory = !directory.empty() ? directory
                              : standardInput    ? fs::path(".")
                                                 : ContainerDirectory(job.input);
        // Standard input that is a file is looked at like any file (the probe opens it anew and
        // reads by offsets, taking nothing from the stream); a pipe is left to the job, which
        // says why it cannot read a container from one.
        const TContainerProbe probe = ProbeContainer(job.input);
        if (probe.Fault == TProbeFault::NotRegular && !standardInput)
            job.refusal = IsDirectory(job.input) ? "is a directory, not a container"
                                                 : "is not a regular file";
        // What cannot be read now is left to the job, which says why with its own status.
        if (probe.Fault == TProbeFault::None && probe.Kind != TContainerKind::None) {
            job.range = probe.Range;
            if (probe.Kind == TContainerKind::Container)
                job.range = {}; // the whole file, as the job reads a container given alone
            if (const auto name = engine::SafeFileName(probe.Header.FileName))
                job.output = job.outputDirectory / *name;
        }
        // -o: the name given instead of the stored one (still checked by the job).
        if (!arguments.output.empty())
            job.output = OutputPath(arguments.output);
        plan.jobs.push_back(std::move(job));
    }
    plan.conflict = FindConflict(plan.jobs);
    return plan;
}

std::string FindConflict(const std::vector<TPlannedJob>& jobs)
{
    std::map<fs::path, const TPlannedJob*> inputs;
    std::map<TIdentity, const TPlannedJob*> inputFiles;
    for (const TPlannedJob& job : jobs) {
        if (!job.refusal.empty())
            continue;
        if (job.input != StandardInputPath)
            inputs.emplace(Key(job.input), &job);
        if (const auto identity = IdentityOf(job.input))
            inputFiles.emplace(*identity, &job);
    }
    std::map<fs::path, const TPlannedJob*> outputs;
    for (const TPlannedJob& job : jobs) {
        // Standard output is written through: nothing there to collide with or replace.
        if (!job.refusal.empty() || job.output.empty() || job.output == StandardOutputPath)
            continue;
        const fs::path key = Key(job.output);
        const auto [earlier, fresh] = outputs.emplace(key, &job);
        if (!fresh)
            return Quoted(earlier->second->input) + " and " + Quoted(job.input) +
                   " would both be written to " + Quoted(job.output) + "; nothing was done";
        const TPlannedJob* overwritten = nullptr;
        if (const auto found = inputs.find(key); found != inputs.end())
            overwritten = found->second;
        else if (const auto identity = IdentityOf(job.output))
            if (const auto file = inputFiles.find(*identity); file != inputFiles.end())
                overwritten = file->second;
        if (overwritten == &job)
            return Quoted(job.input) +
                   ": Input and output must not be the same ! (its output "
                   "would be " +
                   Quoted(job.output) + "); nothing was done";
        if (overwritten)
            return "the output of " + Quoted(job.input) + " would be " + Quoted(job.output) +
                   ", which is one of the inputs (" + Quoted(overwritten->input) +
                   "); nothing was done (every name given is an input; -o names an output)";
    }
    return {};
}

} // namespace mv::cli
