// What every writing command of tessaron-cli does with what is at its output path, when it is
// killed while writing, and when the disk fills: the path holds what it held or the complete
// new output, never a torn file, and nothing but regular files is ever replaced.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/DemoSong.h"
#include "cli/SongJson.h"
#include "framework/COutputFile.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"
#include "support/ProcessSpawn.h"
#include "support/TempDir.h"

namespace tessaron::cli {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const std::string kTool = std::string(TESSARON_BINARY_DIR) + "/tessaron-cli";

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

int TemporaryFilesIn(const fs::path& folder)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().filename().string().starts_with(COutputFile::kTemporaryPrefix) ? 1 : 0;
    }
    return count;
}

test::ProcessOutcome Tool(Args args)
{
    args.insert(args.begin(), kTool);
    return test::RunCapturingErrors(std::move(args));
}

// One writing command, with the arguments that write to `out`.
struct Writer {
    const char* name;
    std::function<Args(const std::string& out)> args;
};

class OutputSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(WriteDemoSong(dir.file("demo")), "");
        song = dir.file("demo/demo.tsn");
        sample = dir.file("demo/drums.wav");
        CChordwayDoc doc;
        ASSERT_TRUE(CSongFile::Read(doc, song, CSongFile::ReadMode::AsStored).ok());
        json = dir.file("demo.json");
        WriteAll(json, SongToJson(doc).dump(2));
    }

    std::vector<Writer> Writers() const
    {
        return {
            {"render", [this](const std::string& out) { return Args{"render", song, out, "--end", "3.1.0"}; }},
            {"resave", [this](const std::string& out) { return Args{"resave", song, out}; }},
            {"build", [this](const std::string& out) { return Args{"build", json, out}; }},
            {"effect", [this](const std::string& out) { return Args{"effect", "gain", sample, out, "3"}; }},
            {"stretch", [this](const std::string& out) { return Args{"stretch", sample, out, "--from", "120", "--to", "100"}; }},
        };
    }

    test::TempDir dir;
    std::string song, sample, json;
};

TEST_F(OutputSafety, EveryWriterTreatsEachKindOfOutputPathSafely)
{
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name);
        const fs::path folder = dir.path() / writer.name;
        fs::create_directory(folder);
        const auto at = [&](const char* name) { return (folder / name).string(); };

        // A new file: the reference output of this writer.
        ASSERT_EQ(Tool(writer.args(at("new"))).status, 0);
        const std::string expected = ReadAll(at("new"));
        ASSERT_GT(expected.size(), 44u);

        // A regular file is replaced and keeps its permissions.
        WriteAll(at("regular"), "old");
        chmod(at("regular").c_str(), 0640);
        EXPECT_EQ(Tool(writer.args(at("regular"))).status, 0);
        EXPECT_EQ(ReadAll(at("regular")), expected);
        struct stat status {};
        stat(at("regular").c_str(), &status);
        EXPECT_EQ(status.st_mode & 0777, 0640u);

        // A read-only file is refused, naming it.
        WriteAll(at("readonly"), "old");
        chmod(at("readonly").c_str(), 0444);
        const auto readOnly = Tool(writer.args(at("readonly")));
        EXPECT_EQ(readOnly.status, 1);
        EXPECT_EQ(ReadAll(at("readonly")), "old");
        EXPECT_NE(readOnly.errors.find("tessaron-cli: " + at("readonly") + ": "), std::string::npos) << readOnly.errors;
        EXPECT_NE(readOnly.errors.find("read-only"), std::string::npos) << readOnly.errors;

        // A symbolic link stays a link; its target gets the output.
        WriteAll(at("target"), "old");
        fs::create_symlink("target", at("link"));
        EXPECT_EQ(Tool(writer.args(at("link"))).status, 0);
        EXPECT_TRUE(fs::is_symlink(at("link")));
        EXPECT_EQ(ReadAll(at("target")), expected);

        // A FIFO is streamed into and stays a FIFO.
        ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
        std::string streamed;
        std::thread reader([&] { streamed = ReadAll(at("fifo")); });
        const auto fifo = Tool(writer.args(at("fifo")));
        reader.join();
        EXPECT_EQ(fifo.status, 0) << fifo.errors;
        EXPECT_TRUE(fs::is_fifo(at("fifo")));
        EXPECT_EQ(streamed, expected);

        // A character device is written to, not replaced.
        EXPECT_EQ(Tool(writer.args("/dev/null")).status, 0);
        EXPECT_TRUE(fs::is_character_file("/dev/null"));

        // A folder is refused and stays.
        fs::create_directory(at("folder"));
        const auto folderOut = Tool(writer.args(at("folder")));
        EXPECT_EQ(folderOut.status, 1);
        EXPECT_TRUE(fs::is_directory(at("folder")));
        EXPECT_TRUE(fs::is_empty(at("folder")));
        EXPECT_NE(folderOut.errors.find("folder"), std::string::npos) << folderOut.errors;

        EXPECT_EQ(TemporaryFilesIn(folder), 0);
    }
}

// Kills each writer at random moments while it replaces a file in place; the file must always
// be the old one or the complete new one, and the next run must clear what the killed left.
TEST_F(OutputSafety, KilledWritersLeaveTheOldFileOrTheCompleteNewOne)
{
    const std::string longSound = dir.file("long.wav");
    ASSERT_EQ(Tool({"render", song, longSound, "--end", "17.1.0"}).status, 0);  // 32 s
    struct Case {
        const char* name;
        std::string path;  // the file replaced in place
        Args args;
    };
    const std::vector<Case> cases = {
        {"render", dir.file("render.wav"), {"render", song, dir.file("render.wav"), "--end", "60.1.0"}},
        {"effect", dir.file("effect.wav"), {"effect", "gain", dir.file("effect.wav"), dir.file("effect.wav"), "3"}},
        {"stretch", dir.file("stretch.wav"), {"stretch", dir.file("stretch.wav"), dir.file("stretch.wav"), "--from", "120", "--to", "90"}},
        {"save", dir.file("save.tsn"), {"build", json, dir.file("save.tsn")}},
    };
    std::mt19937 random(20261209);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string old = ReadAll(longSound);
        WriteAll(c.path, old);
        Args args = c.args;
        args.insert(args.begin(), kTool);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(test::WaitForExit(test::SpawnQuietly(args), 120), 0);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string complete = ReadAll(c.path);
        ASSERT_NE(complete, old);

        int keptOld = 0;
        int gotNew = 0;
        for (int run = 0; run < 20; ++run) {
            WriteAll(c.path, old);
            const pid_t pid = test::SpawnQuietly(args);
            ASSERT_GT(pid, 0);
            std::uniform_real_distribution<double> moment(0.0, seconds * 1.1);
            std::this_thread::sleep_for(std::chrono::duration<double>(moment(random)));
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            const std::string now = ReadAll(c.path);
            ASSERT_TRUE(now == old || now == complete) << "run " << run << ": a torn file of " << now.size() << " bytes";
            (now == old ? keptOld : gotNew) += 1;
        }
        std::printf("%s: killed 20 times, old file kept %d times, new file complete %d times\n", c.name, keptOld, gotNew);
        // The next write into the folder removes the temporary files of the killed runs.
        WriteAll(c.path, old);
        ASSERT_EQ(test::WaitForExit(test::SpawnQuietly(args), 120), 0);
        EXPECT_EQ(TemporaryFilesIn(dir.path()), 0);
    }
}

// On a full disk a failed write reports the system's reason and keeps the file it would have
// replaced, even when that file is its own input. Needs a private tmpfs (root, mount namespaces).
TEST_F(OutputSafety, AFullDiskKeepsTheInputAndSaysWhy)
{
    const std::string small = dir.file("small");
    fs::create_directory(small);
    const std::string script =
        "unshare -m sh -c '"
        "mount -t tmpfs -o size=1m tmpfs \"$1\" 2>/dev/null || { echo cannot-mount; exit 0; }; "
        "cp \"$2\" \"$1/src.wav\"; "
        "\"$3\" stretch \"$1/src.wav\" \"$1/src.wav\" --from 120 --to 60; echo \"stretch=$?\"; "
        "cmp -s \"$1/src.wav\" \"$2\" && echo stretch-source-kept; "
        "\"$3\" render \"$4\" \"$1/src.wav\" --end 9.1.0; echo \"render=$?\"; "
        "cmp -s \"$1/src.wav\" \"$2\" && echo render-target-kept; "
        "ls -A \"$1\" | grep -c tessaron-tmp' sh " +
        small + " " + sample + " " + kTool + " " + song + " 2>&1";
    FILE* shell = popen(script.c_str(), "r");
    ASSERT_NE(shell, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, shell) != nullptr) {
        output += buffer;
    }
    pclose(shell);
    if (output.find("cannot-mount") != std::string::npos || output.find("unshare:") != std::string::npos) {
        GTEST_SKIP() << "no private tmpfs can be mounted here (needs root and mount namespaces): " << output;
    }
    EXPECT_NE(output.find("stretch=1"), std::string::npos) << output;
    EXPECT_NE(output.find("stretch-source-kept"), std::string::npos) << output;
    EXPECT_NE(output.find("render=1"), std::string::npos) << output;
    EXPECT_NE(output.find("render-target-kept"), std::string::npos) << output;
    EXPECT_NE(output.find("No space left on device"), std::string::npos) << output;
    EXPECT_NE(output.find("\n0\n"), std::string::npos) << "temporary files stayed: " << output;
}

}  // namespace
}  // namespace tessaron::cli
