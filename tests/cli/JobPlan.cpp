// The jobs of a call worked out before any runs: inputs found below directories, the output of
// each, and the conflicts that refuse the whole call.
#include "cli/JobPlan.h"

#include "engine/Work.h"
#include "engine/WorkSfx.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace mv::cli {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;
using test::WriteFile;

class JobPlan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previous = fs::current_path();
        fs::current_path(dir.Path());
    }
    void TearDown() override { fs::current_path(previous); }

    static TCliArguments Encrypt(std::vector<std::string> inputs)
    {
        TCliArguments arguments;
        arguments.command = TCommand::Encrypt;
        arguments.inputs = std::move(inputs);
        return arguments;
    }

    // A container of a file named storedName, written where asked.
    static void Container(const fs::path& container, const std::string& storedName)
    {
        const fs::path source = fs::path("src") / storedName;
        fs::create_directories(source.parent_path());
        WriteFile(source, "plain bytes of " + storedName);
        test::TRecordingHost host;
        ASSERT_EQ(engine::EncryptFile(host, {}, source, container).Outcome,
                  engine::TJobOutcome::Finished);
        fs::remove(source);
    }

    static std::vector<std::string> Pairs(const TJobPlan& plan)
    {
        std::vector<std::string> pairs;
        for (const TPlannedJob& job : plan.jobs)
            pairs.push_back(job.input.string() + " -> " +
                            (job.refusal.empty() ? job.output.string() : "(" + job.refusal + ")"));
        return pairs;
    }

    TTempDir dir;
    fs::path previous;
};

TEST_F(JobPlan, EachInputBesideItselfByTheWindowsRule)
{
    for (const char* name : {"one.txt", "two", ".profile", "v1.2"})
        WriteFile(name, "x");
    const TJobPlan plan = PlanEncryption(Encrypt({"one.txt", "two", ".profile", "v1.2"}));
    EXPECT_EQ(plan.conflict, "");
    EXPECT_EQ(Pairs(plan),
              (std::vector<std::string>{"one.txt -> one.mvx", "two -> two.mvx",
                                        ".profile -> .profile.mvx", "v1.2 -> v1.mvx"}));

    TCliArguments sfx = Encrypt({"one.txt"});
    sfx.selfExtract = true;
    EXPECT_EQ(Pairs(PlanEncryption(sfx)), std::vector<std::string>{"one.txt -> one.exe"});
    TCliArguments named = Encrypt({"one.txt"});
    named.output = "elsewhere.bin";
    EXPECT_EQ(Pairs(PlanEncryption(named)), std::vector<std::string>{"one.txt -> elsewhere.bin"});
    // A missing input keeps its place: its job says that it is missing.
    EXPECT_EQ(Pairs(PlanEncryption(Encrypt({"gone.txt"}))),
              std::vector<std::string>{"gone.txt -> gone.mvx"});
    // Unless it bears the output's extension: the old "encrypt INPUT OUTPUT" is a usage error.
    EXPECT_EQ(PlanEncryption(Encrypt({"one.txt", "gone.txt"})).usage, "");
    EXPECT_NE(PlanEncryption(Encrypt({"one.txt", "out.mvx"})).usage.find("name an output with -o"),
              std::string::npos);
    TCliArguments oldSfx = Encrypt({"one.txt", "out.exe"});
    oldSfx.selfExtract = true;
    EXPECT_NE(PlanEncryption(oldSfx).usage, "");
}

TEST_F(JobPlan, DirectoryOption)
{
    fs::create_directories("in/deep");
    fs::create_directory("out");
    WriteFile("in/deep/a.txt", "x");
    TCliArguments arguments = Encrypt({"in/deep/a.txt"});
    arguments.directory = "out";
    EXPECT_EQ(Pairs(PlanEncryption(arguments)),
              std::vector<std::string>{"in/deep/a.txt -> out/a.mvx"});
    arguments.directory = "missing";
    EXPECT_NE(PlanEncryption(arguments).conflict.find("\"missing\": no such directory"),
              std::string::npos);
}

TEST_F(JobPlan, RecursionFindsEveryRegularFileInNameOrder)
{
    fs::create_directories("tree/b/c");
    fs::create_directories("tree/a");
    WriteFile("tree/z.txt", "x");
    WriteFile("tree/a/one.txt", "x");
    WriteFile("tree/b/c/deep", "x");
    WriteFile("outside.txt", "x");
    fs::create_symlink("../outside.txt", "tree/link.txt");
    fs::create_directory_symlink("..", "tree/up");
    ASSERT_EQ(mkfifo("tree/fifo", 0600), 0);

    // Without -r a directory is refused and the other inputs go on.
    EXPECT_EQ(Pairs(PlanEncryption(Encrypt({"tree", "outside.txt"}))),
              (std::vector<std::string>{
                  "tree -> (is a directory; give -r to encrypt every file below it)",
                  "outside.txt -> outside.mvx"}));

    TCliArguments arguments = Encrypt({"tree"});
    arguments.recursive = true;
    const TJobPlan plan = PlanEncryption(arguments);
    EXPECT_EQ(plan.conflict, "");
    EXPECT_EQ(Pairs(plan), (std::vector<std::string>{"tree/a/one.txt -> tree/a/one.mvx",
                                                     "tree/b/c/deep -> tree/b/c/deep.mvx",
                                                     "tree/z.txt -> tree/z.mvx"}));
    // Links are not followed (one to a parent would never end) and special files are skipped.
    EXPECT_EQ(plan.skipped, (std::vector<fs::path>{"tree/fifo", "tree/link.txt", "tree/up"}));

    // With -d the tree is made again below DIR, under the directory's own name.
    fs::create_directory("backup");
    arguments.directory = "backup";
    EXPECT_EQ(Pairs(PlanEncryption(arguments)),
              (std::vector<std::string>{"tree/a/one.txt -> backup/tree/a/one.mvx",
                                        "tree/b/c/deep -> backup/tree/b/c/deep.mvx",
                                        "tree/z.txt -> backup/tree/z.mvx"}));
    EXPECT_EQ(PlanEncryption(arguments).jobs[1].outputDirectory, "backup/tree/b/c");
}

TEST_F(JobPlan, ConflictsRefuseTheWholeCall)
{
    for (const char* name : {"c.txt", "c.dat", "a.txt", "a.mvx", "x.txt"})
        WriteFile(name, "x");
    ASSERT_EQ(link("x.txt", "hard.mvx"), 0);
    fs::create_directory("sub");
    const struct
    {
        std::vector<std::string> inputs;
        const char* output; // -o, or nullptr
        const char* conflict;
    } cases[] = {
        {{"c.txt", "c.dat"},
         nullptr,
         "\"c.txt\" and \"c.dat\" would both be written to \"c.mvx\"; nothing was done"},
        // Spelled differently, the same file.
        {{"c.txt", "./sub/../c.dat"}, nullptr, "would both be written to"},
        {{"c.txt", "c.txt"}, nullptr, "would both be written to"},
        {{"a.txt", "a.mvx"},
         nullptr,
         "the output of \"a.txt\" would be \"a.mvx\", which is one of the inputs (\"a.mvx\")"},
        {{"a.mvx"}, nullptr, "\"a.mvx\": Input and output must not be the same !"},
        {{"x.txt"}, "x.txt", "Input and output must not be the same !"},
        // A hard link is the same file under another name.
        {{"x.txt"}, "hard.mvx", "Input and output must not be the same !"},
    };
    for (const auto& c : cases) {
        TCliArguments arguments = Encrypt(c.inputs);
        if (c.output)
            arguments.output = c.output;
        const std::string conflict = PlanEncryption(arguments).conflict;
        EXPECT_NE(conflict.find(c.conflict), std::string::npos) << c.inputs[0] << ": " << conflict;
    }
    // Inputs that do not meet stay apart.
    EXPECT_EQ(PlanEncryption(Encrypt({"c.txt", "x.txt", "a.txt"})).conflict, "");
}

TEST_F(JobPlan, DecryptionNamesTheStoredFileAndFindsSelfDecryptingContainers)
{
    fs::create_directories("from/one");
    fs::create_directory("to");
    Container("from/one/first.mvx", "same.txt");
    Container("from/second.mvx", "same.txt");
    Container("from/other.mvx", "other.txt");
    WriteFile("from/text", std::string(400, 't'));

    TCliArguments arguments;
    arguments.command = TCommand::Decrypt;
    arguments.inputs = {"from/one/first.mvx", "from/other.mvx", "from/text"};
    TJobPlan plan = PlanDecryption(arguments);
    EXPECT_EQ(plan.conflict, "");
    // Each beside its container; what is no container is left to its job.
    EXPECT_EQ(Pairs(plan),
              (std::vector<std::string>{"from/one/first.mvx -> from/one/same.txt",
                                        "from/other.mvx -> from/other.txt", "from/text -> "}));

    arguments.inputs = {"from/one/first.mvx", "from/second.mvx"};
    EXPECT_EQ(PlanDecryption(arguments).conflict, "");
    arguments.directory = "to";
    EXPECT_NE(PlanDecryption(arguments).conflict.find("would both be written to \"to/same.txt\""),
              std::string::npos);

    // A container whose file would replace another container of the call.
    Container("to/victim.mvx", "x");
    Container("from/overwriter.mvx", "victim.mvx");
    arguments.inputs = {"to/victim.mvx", "from/overwriter.mvx"};
    EXPECT_NE(PlanDecryption(arguments).conflict.find("which is one of the inputs"),
              std::string::npos);

    // A self-decrypting file: its container lies between the module and the trailer.
    WriteFile("src/inside.txt", "plain");
    test::TRecordingHost host;
    ASSERT_EQ(engine::EncryptToSelfExtractor(host, {}, "src/inside.txt", "self.exe",
                                             fs::path(MORVANE_CLI_PROGRAM).parent_path())
                  .Outcome,
              engine::TJobOutcome::Finished);
    arguments.inputs = {"self.exe"};
    plan = PlanDecryption(arguments);
    ASSERT_EQ(plan.jobs.size(), 1u);
    EXPECT_EQ(plan.jobs[0].output, "to/inside.txt");
    const int64_t size = int64_t(fs::file_size("self.exe"));
    EXPECT_EQ(plan.jobs[0].range.End, size - 16);
    EXPECT_EQ(plan.jobs[0].range.Begin, size - 16 - 5 - 296);
    EXPECT_GT(plan.jobs[0].range.Begin, 0);
}

} // namespace
} // namespace mv::cli
