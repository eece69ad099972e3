#pragma once

// The MP3 the music benchmarks play and decode: a stereo 44.1 kHz sweep over a steady tone
// made by sox and encoded by lame at 192 kbit/s, in a temporary folder removed at exit. Also
// the quiet shell runs and the sox decode they time as the peer.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tessaron::bench {

// Runs a shell command with its output dropped; answers whether it succeeded.
inline bool RunQuiet(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// sox decoding `path` to 16-bit PCM thrown away.
inline bool SoxDecode(const std::string& path)
{
    return RunQuiet("sox -q '" + path + "' -t raw -e signed-integer -b 16 /dev/null");
}

class SweepMp3 {
public:
    explicit SweepMp3(int seconds)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaron-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        dir_ = pattern;
        path_ = (dir_ / "sweep.mp3").string();
        const std::string wav = (dir_ / "sweep.wav").string();
        available_ = RunQuiet("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth " + std::to_string(seconds) +
                              " sine 110-1760 sine 330 remix 1 2") &&
                     RunQuiet("lame --quiet -b 192 '" + wav + "' '" + path_ + "'");
        std::filesystem::remove(wav);
    }
    ~SweepMp3() { std::filesystem::remove_all(dir_); }
    SweepMp3(const SweepMp3&) = delete;
    SweepMp3& operator=(const SweepMp3&) = delete;

    // False when sox or lame is missing: the benchmarks skip.
    bool Available() const { return available_; }
    const std::string& Path() const { return path_; }

private:
    std::filesystem::path dir_;
    std::string path_;
    bool available_ = false;
};

}  // namespace tessaron::bench
