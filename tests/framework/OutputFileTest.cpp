#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "framework/COutputFile.h"
#include "support/TempDir.h"

namespace tessaron {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool Save(const std::string& path, const std::string& text)
{
    COutputFile out;
    return out.Open(path) && out.Write(text.data(), text.size()) && out.Commit();
}

int EntriesIn(const fs::path& folder) { return static_cast<int>(std::distance(fs::directory_iterator(folder), {})); }

mode_t ModeOf(const std::string& path)
{
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// A process id that belonged to a process that has ended.
pid_t EndedProcess()
{
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

class OutputFile : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(OutputFile, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode)
{
    const mode_t previous = umask(027);
    EXPECT_TRUE(Save(dir.file("new.txt"), "new"));
    umask(previous);
    EXPECT_EQ(ModeOf(dir.file("new.txt")), 0640u);

    WriteText(dir.file("old.txt"), "old");
    chmod(dir.file("old.txt").c_str(), 0604);
    EXPECT_TRUE(Save(dir.file("old.txt"), "replaced"));
    EXPECT_EQ(ReadText(dir.file("old.txt")), "replaced");
    EXPECT_EQ(ModeOf(dir.file("old.txt")), 0604u);
    EXPECT_EQ(EntriesIn(dir.path()), 2) << "no temporary file stays";
}

TEST_F(OutputFile, LinksAreFollowedToTheFileTheyFinallyName)
{
    WriteText(dir.file("target.txt"), "old");
    fs::create_symlink("target.txt", dir.file("first"));   // relative
    fs::create_symlink(dir.file("first"), dir.file("second"));  // a chain, absolute
    fs::create_symlink("missing.txt", dir.file("dangling"));

    EXPECT_TRUE(Save(dir.file("second"), "through two links"));
    EXPECT_TRUE(fs::is_symlink(dir.file("second")));
    EXPECT_TRUE(fs::is_symlink(dir.file("first")));
    EXPECT_EQ(ReadText(dir.file("target.txt")), "through two links");

    EXPECT_TRUE(Save(dir.file("dangling"), "made"));
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling")));
    EXPECT_EQ(ReadText(dir.file("missing.txt")), "made");

    fs::create_symlink("loop", dir.file("loop"));
    COutputFile out;
    EXPECT_FALSE(out.Open(dir.file("loop")));
    EXPECT_FALSE(out.Error().empty());
}

TEST_F(OutputFile, RefusalsLeaveEverythingAsItWas)
{
    struct Case {
        const char* name;
        std::string path;
        const char* reason;
    };
    fs::create_directory(dir.file("folder"));
    WriteText(dir.file("readonly.txt"), "keep");
    chmod(dir.file("readonly.txt").c_str(), 0444);
    const Case cases[] = {
        {"folder", dir.file("folder"), "folder"},
        {"read-only file", dir.file("readonly.txt"), "read-only"},
        {"missing folder", dir.file("no/such.txt"), "No such file or directory"},
        {"empty name", "", "no file name"},
    };
    for (const Case& c : cases) {
        COutputFile out;
        EXPECT_FALSE(out.Open(c.path)) << c.name;
        EXPECT_NE(out.Error().find(c.reason), std::string::npos) << c.name << ": " << out.Error();
    }
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    EXPECT_EQ(ReadText(dir.file("readonly.txt")), "keep");
    EXPECT_EQ(EntriesIn(dir.path()), 2);
}

TEST_F(OutputFile, AnOutputNeverCommittedLeavesThePathAsItWas)
{
    WriteText(dir.file("kept.txt"), "old");
    {
        COutputFile out;
        ASSERT_TRUE(out.Open(dir.file("kept.txt")));
        ASSERT_TRUE(out.Write("half", 4));
        EXPECT_TRUE(fs::exists(out.TemporaryPath()));
        EXPECT_EQ(fs::path(out.TemporaryPath()).parent_path(), dir.path());
    }
    EXPECT_EQ(ReadText(dir.file("kept.txt")), "old");
    EXPECT_EQ(EntriesIn(dir.path()), 1);
}

TEST_F(OutputFile, DevicesAreStreamedAndTheirErrorsReported)
{
    COutputFile null;
    ASSERT_TRUE(null.Open("/dev/null"));
    EXPECT_TRUE(null.IsStream());
    EXPECT_TRUE(null.Write("x", 1));
    EXPECT_TRUE(null.Commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    if (fs::is_character_file("/dev/full")) {
        COutputFile full;
        ASSERT_TRUE(full.Open("/dev/full"));
        EXPECT_FALSE(full.Write("x", 1));
        EXPECT_EQ(full.Error(), "No space left on device");
    }
}

TEST_F(OutputFile, TemporaryFilesOfEndedProcessesAreRemovedUnlessStillLocked)
{
    const std::string prefix(COutputFile::kTemporaryPrefix);
    const std::string orphan = dir.file(prefix + std::to_string(EndedProcess()) + "-0badf00d-song.tsn");
    const std::string locked = dir.file(prefix + std::to_string(EndedProcess()) + "-0badf00d-reused.tsn");
    const std::string ours = dir.file(prefix + std::to_string(getpid()) + "-0badf00d-ours.tsn");
    const std::string other = dir.file(".tessaron-tmp-notanumber");
    for (const auto& path : {orphan, locked, ours, other}) {
        WriteText(path, "torn");
    }
    // A file still locked is being written by a process that reuses the id.
    const int holder = open(locked.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);

    EXPECT_TRUE(Save(dir.file("song.tsn"), "complete"));  // opening an output cleans its folder
    EXPECT_FALSE(fs::exists(orphan));
    EXPECT_TRUE(fs::exists(locked));
    EXPECT_TRUE(fs::exists(ours));
    EXPECT_TRUE(fs::exists(other));

    close(holder);
    EXPECT_EQ(COutputFile::RemoveOrphans(dir.path().string()), 1);
    EXPECT_FALSE(fs::exists(locked));
}

}  // namespace
}  // namespace tessaron
