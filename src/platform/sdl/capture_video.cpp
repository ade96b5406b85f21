// capture_video.cpp -- capture into a video file: the frames go down a pipe to the ffmpeg
// command's standard input as raw RGB, the mixed audio down a named pipe as raw PCM, and
// ffmpeg encodes and interleaves them into the file: H.264 with AAC in .mp4, H.264 with
// FLAC (the mix exactly) in .mkv.
//
// ffmpeg is started once both the frame size (the first frame) and the audio format (the
// sound system's start) are known; frames and audio that come before are held until then.
// A show that never starts its sound is encoded without an audio track. Each frame is
// written before its audio, and the audio pipe is made large, so ffmpeg, which reads its
// two inputs on threads of its own, never waits for one while this side waits on the other.
// Linux only: the command is started with posix_spawn and fed through pipes.
#include "platform/platform_internal.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

extern char** environ;

namespace platform {
namespace {

struct VideoSink {
    std::mutex mutex;
    int width = 0, height = 0;
    int audioRate = 0, audioChannels = 0, audioBits = 0;  // 0: no audio format yet
    std::vector<std::vector<uint8_t>> heldFrames;
    std::vector<uint8_t> heldAudio;
    bool started = false;
    bool failed = false;
    pid_t ffmpeg = -1;
    int videoPipe = -1;  // ffmpeg's standard input
    int audioPipe = -1;  // the named pipe, opened for reading and writing so it never blocks on open
    std::string tempDir, audioPath;
    uint64_t frames = 0;
};

VideoSink sink;

void Fail(VideoSink& s, const std::string& why) {
    if (s.failed) return;
    s.failed = true;
    std::fprintf(stderr, "capture: %s\n", why.c_str());
}

bool WriteAll(VideoSink& s, int fd, const uint8_t* data, size_t size) {
    while (size > 0 && !s.failed) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(s, std::string("ffmpeg stopped taking the capture (") + std::strerror(errno) +
                        "); its messages above tell why");
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return !s.failed;
}

std::vector<std::string> FfmpegArguments(const VideoSink& s, const std::string& target, int fps) {
    std::vector<std::string> a = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
    // GL hands the rows bottom first; the filter turns the picture upright.
    // Both inputs are raw with every parameter given, so ffmpeg is told to look at no more
    // than their first packet before it starts: a longer look at one pipe would wait for
    // data that this side only sends once the other pipe has taken its frame.
    a.insert(a.end(), {"-probesize", "32", "-analyzeduration", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size",
                       std::to_string(s.width) + "x" + std::to_string(s.height), "-framerate", std::to_string(fps),
                       "-i", "pipe:0"});
    const bool audio = s.audioRate > 0;
    if (audio)
        a.insert(a.end(), {"-probesize", "32", "-analyzeduration", "1", "-thread_queue_size", "4096", "-f", s.audioBits == 8 ? "u8" : "s16le", "-ar",
                           std::to_string(s.audioRate), "-ac", std::to_string(s.audioChannels), "-i", s.audioPath});
    // 4:2:0 video needs an even width and height.
    a.insert(a.end(), {"-vf", "vflip,pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-preset", "fast", "-crf",
                       "18", "-pix_fmt", "yuv420p"});
    // MP4 gets AAC, which every player takes; Matroska keeps the mix exactly, as FLAC.
    const bool mp4 = HasExtension(target, ".mp4");
    if (audio && mp4) a.insert(a.end(), {"-c:a", "aac", "-b:a", "192k"});
    if (audio && !mp4) a.insert(a.end(), {"-c:a", "flac"});
    if (mp4) a.insert(a.end(), {"-movflags", "+faststart"});
    a.push_back(target);
    return a;
}

bool StartFfmpeg(VideoSink& s) {
    s.started = true;
    if (s.audioRate > 0) {
        const char* base = std::getenv("TMPDIR");
        std::string dir = std::string(base && *base ? base : "/tmp") + "/umbravel-capture-XXXXXX";
        if (!::mkdtemp(dir.data())) {
            Fail(s, "cannot make a folder for the audio pipe: " + std::string(std::strerror(errno)));
            return false;
        }
        s.tempDir = dir;
        s.audioPath = dir + "/audio";
        if (::mkfifo(s.audioPath.c_str(), 0600) != 0 ||
            (s.audioPipe = ::open(s.audioPath.c_str(), O_RDWR | O_CLOEXEC)) < 0) {
            Fail(s, "cannot make the audio pipe " + s.audioPath + ": " + std::strerror(errno));
            return false;
        }
        // A second of audio or more fits in the pipe (the system may grant less).
        ::fcntl(s.audioPipe, F_SETPIPE_SZ, 1 << 20);
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        Fail(s, std::string("cannot make the video pipe: ") + std::strerror(errno));
        return false;
    }
    // A write to a stopped ffmpeg fails with EPIPE instead of ending the program.
    ::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> arguments = FfmpegArguments(s, GetOptions().captureDir, GetOptions().captureFps);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int spawned = ::posix_spawnp(&s.ffmpeg, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[0]);
    s.videoPipe = pipeEnds[1];
    if (spawned != 0) {
        s.ffmpeg = -1;
        Fail(s, std::string("cannot start ffmpeg: ") + std::strerror(spawned));
        return false;
    }
    for (const std::vector<uint8_t>& frame : s.heldFrames) WriteAll(s, s.videoPipe, frame.data(), frame.size());
    s.heldFrames.clear();
    s.heldFrames.shrink_to_fit();
    if (s.audioPipe >= 0) WriteAll(s, s.audioPipe, s.heldAudio.data(), s.heldAudio.size());
    s.heldAudio.clear();
    s.heldAudio.shrink_to_fit();
    return !s.failed;
}

void RemovePipes(VideoSink& s) {
    if (s.audioPipe >= 0) ::close(s.audioPipe);
    if (s.videoPipe >= 0) ::close(s.videoPipe);
    s.audioPipe = s.videoPipe = -1;
    if (!s.audioPath.empty()) ::unlink(s.audioPath.c_str());
    if (!s.tempDir.empty()) ::rmdir(s.tempDir.c_str());
    s.audioPath.clear();
    s.tempDir.clear();
}
}  // namespace

bool FindVideoEncoder(std::string* error) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t from = 0;
    while (from <= folders.size()) {
        size_t to = folders.find(':', from);
        if (to == std::string::npos) to = folders.size();
        const std::string folder = to > from ? folders.substr(from, to - from) : ".";
        const std::string candidate = folder + "/ffmpeg";
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return true;
        from = to + 1;
    }
    if (error)
        *error = "capturing into a video needs the ffmpeg command, which is not on the PATH: install it "
                 "(Debian package ffmpeg) or capture into a folder";
    return false;
}

void VideoFrame(const uint8_t* rgbBottomUp, int width, int height) {
    VideoSink& s = sink;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.failed) return;
    if (s.width == 0) s.width = width, s.height = height;
    if (width != s.width || height != s.height) {
        Fail(s, "the frame size changed during the capture");
        return;
    }
    const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    s.frames += 1;
    if (!s.started && s.audioRate > 0) StartFfmpeg(s);
    if (s.started)
        WriteAll(s, s.videoPipe, rgbBottomUp, size);
    else
        s.heldFrames.emplace_back(rgbBottomUp, rgbBottomUp + size);
}

bool OpenCaptureAudio(int rate, int channels, int bits) {
    VideoSink& s = sink;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.started || s.audioRate > 0 || rate <= 0 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16))
        return false;
    s.audioRate = rate;
    s.audioChannels = channels;
    s.audioBits = bits;
    if (s.width > 0) StartFfmpeg(s);
    return !s.failed;
}

void WriteCaptureAudio(const void* data, size_t bytes) {
    VideoSink& s = sink;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.failed || s.audioRate == 0) return;
    const auto* p = static_cast<const uint8_t*>(data);
    if (s.started)
        WriteAll(s, s.audioPipe, p, bytes);
    else
        s.heldAudio.insert(s.heldAudio.end(), p, p + bytes);
}

bool FinishVideo() {
    VideoSink& s = sink;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.started && s.frames > 0 && !s.failed) StartFfmpeg(s);  // a show without sound
    RemovePipes(s);
    if (s.ffmpeg > 0) {
        int status = 0;
        while (::waitpid(s.ffmpeg, &status, 0) < 0 && errno == EINTR) {
        }
        s.ffmpeg = -1;
        if (!s.failed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            Fail(s, "ffmpeg could not write " + GetOptions().captureDir + " (exit status " +
                        std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")");
    }
    const bool ok = !s.failed;
    if (ok && s.frames > 0) {
        const double seconds = static_cast<double>(s.frames) / GetOptions().captureFps;
        std::fprintf(stderr, "capture: wrote %s: %llu frames, %.1f seconds%s\n", GetOptions().captureDir.c_str(),
                     static_cast<unsigned long long>(s.frames), seconds, s.audioRate > 0 ? " with sound" : "");
    }
    s.width = s.height = 0;
    s.audioRate = s.audioChannels = s.audioBits = 0;
    s.heldFrames.clear();
    s.heldAudio.clear();
    s.started = s.failed = false;
    s.frames = 0;
    return ok;
}

}  // namespace platform
