// Jobs on the standard streams: a pipe on standard input encrypted into a file (the header's
// CRC-32 and chunk fields written at the end), containers written to and restored onto standard
// output, and the refusals where a pipe cannot carry what the format needs.
#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/Work.h"

#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace mv::test {
namespace {

namespace fs = std::filesystem;
using engine::TJobOptions;
using engine::TJobOutcome;
using engine::TJobResult;
using Bytes = std::vector<uint8_t>;

// Puts the read end of a pipe on standard input while it lives; a thread writes bytes into it.
class TPipedStdin
{
public:
    explicit TPipedStdin(const Bytes& bytes)
    {
        // A job that refuses the pipe closes it unread: the writer then gets EPIPE, not a signal.
        std::signal(SIGPIPE, SIG_IGN);
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        saved = ::dup(STDIN_FILENO);
        ::dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
        writer = std::thread([bytes, fd = ends[1]] {
            size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
                if (n <= 0)
                    break;
                done += static_cast<size_t>(n);
            }
            ::close(fd);
        });
    }
    ~TPipedStdin()
    {
        ::dup2(saved, STDIN_FILENO);
        ::close(saved);
        writer.join();
    }

private:
    int saved = -1;
    std::thread writer;
};

// Puts the write end of a pipe on standard output while it lives; a thread collects what comes.
class TPipedStdout
{
public:
    TPipedStdout()
    {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        saved = ::dup(STDOUT_FILENO);
        ::dup2(ends[1], STDOUT_FILENO);
        ::close(ends[1]);
        reader = std::thread([this, fd = ends[0]] {
            uint8_t buffer[65536];
            ssize_t n;
            while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
                received.insert(received.end(), buffer, buffer + n);
            ::close(fd);
        });
    }
    // Restores standard output and waits for the last byte.
    Bytes Finish()
    {
        if (saved >= 0) {
            ::dup2(saved, STDOUT_FILENO);
            ::close(saved);
            saved = -1;
            reader.join();
        }
        return received;
    }
    ~TPipedStdout() { Finish(); }

private:
    int saved = -1;
    std::thread reader;
    Bytes received;
};

TEST(JobStreams, APipeOnStandardInputBecomesAContainerWithItsCrcAndChunkFields)
{
    struct TCase
    {
        const char* Name;
        bool Compressed;
        size_t Size;
    };
    const TCase cases[] = {{"plain", false, 100000},
                           {"compressed", true, 3 * 32767},
                           {"compressed, short", true, 5},
                           {"empty", false, 0}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        const Bytes plain = PseudoRandomBytes(c.Size, 31);
        TJobOptions options;
        options.IncludeCRC = true;
        options.StoredName = "from-a-pipe.tar";
        TRecordingHost host;
        TJobResult result;
        {
            TPipedStdin in(plain);
            result = c.Compressed
                         ? engine::EncryptCompressedFile(host, options, "/dev/stdin", dir / "p.mvx")
                         : engine::EncryptFile(host, options, "/dev/stdin", dir / "p.mvx");
        }
        ASSERT_EQ(result.Outcome, TJobOutcome::Finished) << host.AllMessages();
        const auto header = engine::ReadContainerHeader(dir / "p.mvx", 0);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->FileName, "from-a-pipe.tar");
        EXPECT_EQ(header->Crc32,
                  static_cast<uint32_t>(crc32(0, plain.data(), static_cast<uInt>(plain.size()))));
        if (c.Compressed) {
            EXPECT_EQ(header->ChunkTableSize, 2 * static_cast<int32_t>(c.Size / 32767 + 1));
            EXPECT_EQ(header->LastChunkSize, static_cast<int32_t>(c.Size % 32767));
        }
        // It restores, its CRC-32 and (compressed) its table confirming it.
        TRecordingHost back;
        ASSERT_EQ(engine::DecryptFile(back, options, dir / "p.mvx", dir.Path()).Outcome,
                  TJobOutcome::Finished)
            << back.AllMessages();
        EXPECT_EQ(ReadBytes(dir / "from-a-pipe.tar"), plain);
    }
}

TEST(JobStreams, StandardOutputIsWrittenThroughForBothDirections)
{
    TTempDir dir;
    const Bytes plain = PseudoRandomBytes(70000, 32);
    WriteBytes(dir / "notes.txt", plain);
    TJobOptions options;
    options.IncludePass = true;
    TRecordingHost host;
    TPipedStdout out;
    ASSERT_EQ(engine::EncryptFile(host, options, dir / "notes.txt", "/dev/stdout").Outcome,
              TJobOutcome::Finished)
        << host.AllMessages();
    const Bytes container = out.Finish();
    EXPECT_EQ(container.size(), engine::HeaderSize + plain.size());
    WriteBytes(dir / "c.mvx", container);

    TPipedStdout restored;
    TRecordingHost back;
    EXPECT_EQ(engine::DecryptFileAs(back, options, dir / "c.mvx", "/dev/stdout").Outcome,
              TJobOutcome::Finished)
        << back.AllMessages();
    EXPECT_EQ(restored.Finish(), plain);
    EXPECT_TRUE(back.Questions.empty());
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"c.mvx", "notes.txt"}));
}

TEST(JobStreams, APipeIntoAPipeCannotCarryACrcOrACompressedBody)
{
    TTempDir dir;
    const Bytes plain = PseudoRandomBytes(1000, 33);
    struct TCase
    {
        const char* Name;
        bool Compressed;
        bool Crc;
        const char* Says;
    };
    const TCase cases[] = {{"crc", false, true, "the CRC-32"},
                           {"compressed", true, false, "chunk sizes"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TJobOptions options;
        options.IncludeCRC = c.Crc;
        TRecordingHost host;
        TJobResult result;
        Bytes written;
        {
            TPipedStdin in(plain);
            TPipedStdout out;
            result = c.Compressed
                         ? engine::EncryptCompressedFile(host, options, "/dev/stdin", "/dev/stdout")
                         : engine::EncryptFile(host, options, "/dev/stdin", "/dev/stdout");
            written = out.Finish();
        }
        EXPECT_EQ(result.Outcome, TJobOutcome::Unsupported);
        EXPECT_NE(result.Detail.find(c.Says), std::string::npos) << result.Detail;
        EXPECT_TRUE(written.empty());
    }
    // A container does not come from a pipe either: it is read by offsets.
    TRecordingHost host;
    {
        TPipedStdin in(plain);
        EXPECT_EQ(engine::DecryptFile(host, {}, "/dev/stdin", dir.Path()).Outcome,
                  TJobOutcome::InputUnopenable);
    }
    EXPECT_NE(host.AllMessages().find("pipe"), std::string::npos);
    EXPECT_TRUE(dir.Names().empty());
}

} // namespace
} // namespace mv::test
