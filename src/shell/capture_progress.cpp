// capture_progress.cpp -- the capture's progress line and its result line.
#include "shell/capture_progress.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

#include "platform/platform.h"
#include "sound/vss.h"

namespace {
// m:ss.s, or m:ss without tenths.
std::string Clock(double seconds, bool tenths) {
    char text[32];
    if (seconds < 0 || !std::isfinite(seconds)) seconds = 0;
    const int minutes = static_cast<int>(seconds / 60);
    const double rest = seconds - 60.0 * minutes;
    if (tenths) std::snprintf(text, sizeof text, "%d:%04.1f", minutes, std::floor(rest * 10) / 10);
    else std::snprintf(text, sizeof text, "%d:%02d", minutes, static_cast<int>(rest));
    return text;
}
}  // namespace

std::string FormatCaptureProgress(const CaptureProgressFigures& f, int barWidth) {
    const bool known = f.showLength > 0;
    const double done = known ? std::clamp(f.showSeconds / f.showLength, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(done * barWidth);
    std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(barWidth - filled), '.') + "]";
    const double fps = f.realSeconds > 0 ? static_cast<double>(f.frames) / f.realSeconds : 0.0;
    // Time left at the speed so far: what remains of the show takes as long, per second
    // of show, as what was captured.
    std::string left = "?";
    if (known && f.showSeconds > 0) left = Clock((f.showLength - f.showSeconds) * f.realSeconds / f.showSeconds, false);
    char text[160];
    std::snprintf(text, sizeof text, "%s / %s %s %6llu frames %5.1f fps %s left", Clock(f.showSeconds, true).c_str(),
                  known ? Clock(f.showLength, true).c_str() : "?", bar.c_str(),
                  static_cast<unsigned long long>(f.frames), fps, left.c_str());
    return text;
}

void CaptureProgress::Frame(const CaptureProgressFigures& figures) {
    if (terminal) {
        // The show's last frame is always shown, so the line ends at its full length.
        const bool last = figures.showLength > 0 && figures.showSeconds >= figures.showLength;
        if (lastWrite >= 0 && figures.realSeconds - lastWrite < 0.25 && !last) return;
        lastWrite = figures.realSeconds;
        // The line is padded so that a shorter one covers the longer one before it.
        std::fprintf(out, "\rcapture %-90s", FormatCaptureProgress(figures, 30).c_str());
        lineOpen = true;
    } else {
        if (figures.showLength <= 0) return;
        const int tenths = static_cast<int>(std::floor(10.0 * figures.showSeconds / figures.showLength));
        if (tenths <= tenthsWritten) return;
        tenthsWritten = std::min(tenths, 10);
        std::fprintf(out, "capture %3d%% %s\n", 10 * tenthsWritten, FormatCaptureProgress(figures, 20).c_str());
    }
    std::fflush(out);
}

void CaptureProgress::Finish(const std::string& result) {
    if (lineOpen) std::fputc('\n', out);
    lineOpen = false;
    if (!result.empty()) std::fprintf(out, "%s\n", result.c_str());
    std::fflush(out);
}

int64_t MusicRowsBefore(const VssModule* module, int32_t order) {
    int64_t rows = 0;
    if (!module || !module->orders) return 0;
    for (int32_t i = 0; i < order && i < module->numOrders; ++i) {
        const uint8_t entry = module->orders[i];
        if (entry == 0xFF) break;
        if (entry == 0xFE || entry >= module->numPatterns) continue;
        rows += module->patterns[entry].rows;
    }
    return rows;
}

std::string CaptureFolderResult(const std::string& folder, uint64_t frames, int fps) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "capture: wrote %s: %llu frames (frame_000000.png to frame_%06llu.png), %.1f seconds, sound.wav "
                  "and timeline.txt",
                  folder.c_str(), static_cast<unsigned long long>(frames),
                  static_cast<unsigned long long>(frames > 0 ? frames - 1 : 0),
                  fps > 0 ? static_cast<double>(frames) / fps : 0.0);
    return text;
}

namespace {
struct ShowProgress {
    std::atomic<bool> running{false};
    std::unique_ptr<CaptureProgress> line;
    const VssModule* module = nullptr;
    uint64_t firstFrame = 0;
    uint64_t startNs = 0;
    int64_t startRows = 0, endRows = 0;
    double tailSeconds = 0;
    double endReachedAt = -1;  // show seconds when the music reached the end order
};
ShowProgress show;
}  // namespace

void CaptureProgressStart(const VssModule* module, int32_t startOrder, int32_t endOrder, double tailSeconds) {
    if (!platform::IsCapture()) return;
    show.line = std::make_unique<CaptureProgress>(stderr, isatty(fileno(stderr)) != 0);
    show.module = module;
    show.firstFrame = platform::CapturedFrameCount();
    show.startNs = platform::RealNanoseconds();
    show.startRows = MusicRowsBefore(module, startOrder);
    show.endRows = MusicRowsBefore(module, endOrder);
    show.tailSeconds = tailSeconds;
    show.endReachedAt = -1;
    show.running.store(true, std::memory_order_release);
}

void CaptureProgressFrame() {
    if (!show.running.load(std::memory_order_acquire)) return;
    CaptureProgressFigures f;
    f.frames = platform::CapturedFrameCount() - show.firstFrame;
    f.showSeconds = static_cast<double>(f.frames) / platform::GetOptions().captureFps;
    f.realSeconds = static_cast<double>(platform::RealNanoseconds() - show.startNs) * 1e-9;
    const int32_t order = show.module->currentOrder.load(std::memory_order_relaxed);
    const int64_t rows = MusicRowsBefore(show.module, order) + show.module->currentRow.load(std::memory_order_relaxed);
    if (rows >= show.endRows && show.endReachedAt < 0) show.endReachedAt = f.showSeconds;
    if (show.endReachedAt >= 0) f.showLength = show.endReachedAt + show.tailSeconds;
    else if (rows > show.startRows)
        f.showLength = f.showSeconds * static_cast<double>(show.endRows - show.startRows) /
                           static_cast<double>(rows - show.startRows) + show.tailSeconds;
    show.line->Frame(f);
}

void CaptureProgressFinish() {
    if (!show.running.exchange(false)) return;
    const platform::Options& options = platform::GetOptions();
    show.line->Finish(platform::CaptureIsVideo() ? std::string()
                                                 : CaptureFolderResult(options.captureDir,
                                                                       platform::CapturedFrameCount(),
                                                                       options.captureFps));
}
