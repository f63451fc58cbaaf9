#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/MemoryStream.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace mv::platform;
namespace fs = std::filesystem;

namespace {

fs::path FreshDir()
{
    std::string pattern = (fs::temp_directory_path() / "morvane-streams-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp");
    return pattern;
}

} // namespace

TEST(MemoryStream, ReadWriteSeekSize)
{
    TMemoryStream s;
    EXPECT_EQ(s.Write("hello world", 11), 11);
    EXPECT_EQ(s.Size(), 11);
    EXPECT_EQ(s.Seek(6, TSeekOrigin::Begin), 6);
    char buf[16] = {};
    EXPECT_EQ(s.Read(buf, 16), 5); // short read only at the end
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(s.Read(buf, 16), 0);
    EXPECT_EQ(s.Seek(-5, TSeekOrigin::End), 6);
    EXPECT_EQ(s.Write("WORLD!", 6), 6); // writing past the end grows the stream
    EXPECT_EQ(s.Size(), 12);
    const std::string all(s.Bytes().begin(), s.Bytes().end());
    EXPECT_EQ(all, "hello WORLD!");
}

TEST(FileStream, WritesReadsAndReportsSize)
{
    const fs::path dir = FreshDir();
    const fs::path file = dir / "data.bin";
    {
        TFileStream out(file, TFileMode::Create);
        std::vector<char> bytes(100000, 'x');
        EXPECT_EQ(out.Write(bytes.data(), static_cast<int64_t>(bytes.size())), 100000);
        EXPECT_EQ(out.Size(), 100000);
    }
    TFileStream in(file, TFileMode::OpenRead);
    std::vector<char> back(200000);
    EXPECT_EQ(in.Read(back.data(), 200000), 100000);
    EXPECT_EQ(in.Seek(10, TSeekOrigin::Begin), 10);
    EXPECT_EQ(in.Position(), 10);
    fs::remove_all(dir);
}

TEST(FileStream, FailuresNameTheFileAndTheReason)
{
    const fs::path dir = FreshDir();
    const fs::path missing = dir / "missing.bin";
    try {
        TFileStream in(missing, TFileMode::OpenRead);
        FAIL() << "opening a missing file must raise";
    } catch (const EStreamError& e) {
        EXPECT_NE(std::string(e.what()).find(missing.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }
    // CreateNew refuses an existing name, also a symlink pointing nowhere.
    const fs::path link = dir / "planted";
    fs::create_symlink(dir / "elsewhere", link);
    EXPECT_THROW(TFileStream(link, TFileMode::CreateNew), EStreamError);
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
    fs::remove_all(dir);
}

TEST(FileStream, WriteToFullDeviceRaises)
{
    // /dev/full answers every write with ENOSPC.
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "/dev/full not writable here";
    TFileStream full("/dev/full", TFileMode::OpenReadWrite);
    char byte = 1;
    try {
        full.Write(&byte, 1);
        FAIL() << "a refused write must raise";
    } catch (const EStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("No space left"), std::string::npos) << e.what();
    }
}
