#include "app/timedemo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>

#include "app/authored_files.h"
#include "app/contact_sheet.h"
#include "app/frame_capture.h"
#include "app/show_session.h"
#include "core/timeline.h"
#include "platform/clock.h"
#include "render/frame.h"
#include "render/render_state.h"

namespace {

// A frame's time split by what it was spent on: the Timeline's animation,
// then the passes of renderFrame.
constexpr int SHARES = 1 + FRAME_PASSES;
const char* const shareNames[SHARES] = {"animate", "glow", "backgr", "meshes", "partic", "2d", "present"};

struct SceneRun {
    int32_t sceneIndex;
    std::vector<double> milliseconds;
    double shareTicks[SHARES] = {};
};

int64_t lastMark = 0;
double* markTicks = nullptr;  // the frame's shares being filled

double millisecondsOf(int64_t ticks) { return 1000.0 * double(ticks) / double(Sys_CounterFrequency()); }

// Each pass is timed to its end on the card, not to the end of its calls.
void passEnded(FramePass pass)
{
    finishDrawing();
    const int64_t now = Sys_Counter();
    if (markTicks) markTicks[1 + static_cast<int>(pass)] += double(now - lastMark);
    lastMark = now;
}

void printRow(const char* name, const FrameTimes& t, const double* shareTicks)
{
    std::printf("%-22.22s %7ld %9.2f %9.2f %9.2f %8.1f", name, t.frames, t.median, t.percentile95, t.worst,
                t.framesPerSecond);
    const double total = std::accumulate(shareTicks, shareTicks + SHARES, 0.0);
    for (int i = 0; i < SHARES; ++i) std::printf(" %6.1f%%", total > 0 ? 100.0 * shareTicks[i] / total : 0.0);
    std::printf("\n");
}

}  // namespace

FrameTimes summarizeFrameTimes(std::vector<double> milliseconds)
{
    FrameTimes t;
    const size_t n = milliseconds.size();
    t.frames = static_cast<long>(n);
    if (n == 0) return t;
    std::sort(milliseconds.begin(), milliseconds.end());
    t.median = n % 2 ? milliseconds[n / 2] : (milliseconds[n / 2 - 1] + milliseconds[n / 2]) / 2;
    const size_t rank = static_cast<size_t>(std::ceil(0.95 * double(n)));
    t.percentile95 = milliseconds[std::max<size_t>(rank, 1) - 1];
    t.worst = milliseconds.back();
    const double sum = std::accumulate(milliseconds.begin(), milliseconds.end(), 0.0);
    t.framesPerSecond = sum > 0 ? 1000.0 * double(n) / sum : 0.0;
    return t;
}

int runTimedemo(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    const int64_t started = Sys_Counter();
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;
    if (!startHeadlessGraphics(commandLine.width, commandLine.height, commandLine.stretch)) return 1;
    const int64_t contextMade = Sys_Counter();
    Show show;
    if (!show.load(project)) return 1;
    const int64_t built = Sys_Counter();

    const double showEnd = show.timeline->showLength();
    if (commandLine.fromSeconds >= showEnd) {
        complain("no frames to draw: --from is at or after the end of the show");
        shutdownRenderer();
        show.destroy();
        return 1;
    }
    // As the show starts at --from: no frames drawn before it.
    const FrameSpan span(commandLine.fps, commandLine.fromSeconds, std::min(commandLine.toSeconds, showEnd));
    show.timeline->time = static_cast<float>(span.seconds(span.first));
    show.timeline->start();
    const int32_t sceneCount = (*show.registry)[SectionKind::Scene].count();

    std::vector<SceneRun> runs;  // in the order the scenes are first shown
    std::vector<double> all;
    double allShares[SHARES] = {};
    int64_t firstFrameDone = 0;
    tr.passEnded = passEnded;
    for (long k = span.first; k < span.end; ++k) {
        const int64_t frameStart = Sys_Counter();
        double ticks[SHARES] = {};
        const float step = k == span.first ? 0.0f : static_cast<float>(span.seconds(k)) - show.timeline->time;
        show.timeline->advance(*show.registry, step);
        if (!show.timeline->running) break;
        lastMark = Sys_Counter();
        ticks[0] = double(lastMark - frameStart);
        markTicks = ticks;
        renderFrame(*show.registry, *show.timeline);
        markTicks = nullptr;
        const double ms = millisecondsOf(lastMark - frameStart);
        if (!firstFrameDone) firstFrameDone = lastMark;

        const int32_t scene = show.timeline->sceneIndex;
        auto run = std::find_if(runs.begin(), runs.end(), [scene](const SceneRun& r) { return r.sceneIndex == scene; });
        if (run == runs.end()) run = runs.insert(runs.end(), SceneRun{scene, {}, {}});
        run->milliseconds.push_back(ms);
        all.push_back(ms);
        for (int i = 0; i < SHARES; ++i) {
            run->shareTicks[i] += ticks[i];
            allShares[i] += ticks[i];
        }
    }
    tr.passEnded = nullptr;

    const int exitCode = all.empty() ? 1 : 0;
    if (all.empty()) {
        complain("no frames drawn");
    } else {
        const double seconds = 1.0 / double(Sys_CounterFrequency());
        std::printf("timedemo: first frame %.3f s after start (graphics %.3f s, textures and meshes %.3f s, "
                    "the frame %.3f s)\n",
                    double(firstFrameDone - started) * seconds, double(contextMade - started) * seconds,
                    double(built - contextMade) * seconds, double(firstFrameDone - built) * seconds);
        std::printf("timedemo: %dx%d (picture %dx%d), %g frames a second of show time, %s to %s\n", tr.outputWidth,
                    tr.outputHeight, tr.screenWidth, tr.screenHeight, span.fps,
                    showTimeText(span.seconds(span.first)).c_str(),
                    showTimeText(span.seconds(span.first + static_cast<long>(all.size()))).c_str());
        std::printf("%-22s %7s %9s %9s %9s %8s", "scene", "frames", "median ms", "95% ms", "worst ms", "fps");
        for (const char* name : shareNames) std::printf(" %7s", name);
        std::printf("\n");
        for (const SceneRun& run : runs)
            printRow(sceneLabel(project.sceneLabels, run.sceneIndex, sceneCount).c_str(),
                     summarizeFrameTimes(run.milliseconds), run.shareTicks);
        printRow("total", summarizeFrameTimes(all), allShares);
    }
    shutdownRenderer();
    show.destroy();
    return exitCode;
}
