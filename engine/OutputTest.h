// The test of a finished output, run before the output is claimed under its name (and before
// any wipe of the input): the output is forced to the disk, its pages are dropped from the cache,
// and it is read back from the device through the job's own open file. An encryption decrypts
// what it reads with a cipher of its own, keyed as the writer's was, and compares the digest of
// the plain bytes with the one taken while the input was read; a decryption compares the digest
// of the restored file read back with the one taken while it was written, and with the stored
// CRC-32 when there is one. The test is a phase of its own on the status page, with the progress
// running again, and Stop ends it like the job's main loop.
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/Sha1.h"
#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/JobHost.h"
#include "engine/JobOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mv::engine {

// Passes reads through and takes the SHA-1 of every byte delivered (the input of an encryption).
class TDigestingReader : public platform::TStream
{
public:
    explicit TDigestingReader(platform::TStream& source);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;
    int64_t Size() override;
    // The SHA-1 of everything delivered; the sum ends here.
    TDigest Finish();

private:
    platform::TStream& source;
    cipher::TMV_sha1 sha;
};

enum class TTestEnd
{
    Passed,
    Failed, // the reason says what differed
    Stopped
};

struct TTestResult
{
    TTestEnd End = TTestEnd::Passed;
    std::string Reason;
};

// What an encryption wrote: the container in output's bytes Begin..End, the header as written,
// the plain size and digest of the input; for a self-decrypting file, the trailer's end.
struct TWrittenContainer
{
    int64_t Begin = 0;
    int64_t End = 0;
    THeaderBytes Header{};
    int64_t PlainSize = 0;
    TDigest PlainDigest{};
    // Beyond End up to here: the self-decrypting trailer; -1 when there is none.
    int64_t TrailerEnd = -1;
};

// Reads the container back and decrypts it into nothing with cipher (keyed from the same
// password as the writer's, not used before). Raises platform::EStreamError for a failed read.
TTestResult TestContainer(TJobHost& host, const TJobOptions& options, TJobOutput& output,
                          cipher::TMV_blockcipher& cipher, const TWrittenContainer& written);

// Reads a restored file back; written is its digest taken while it was written (TakeDigest),
// storedCrc the container's CRC-32 when it has one. Raises platform::EStreamError for a failed
// read.
TTestResult TestRestoredFile(TJobHost& host, const TJobOptions& options, TJobOutput& output,
                             const TDigest& written, std::optional<uint32_t> storedCrc);

// Why an output cannot be tested (a device or FIFO written straight through); empty when it can.
std::string UntestableOutputText(const TOutputTarget& target);

} // namespace mv::engine
