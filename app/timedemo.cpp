#include "app/timedemo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <utility>

#include "app/authored_files.h"
#include "app/contact_sheet.h"
#include "app/frame_capture.h"
#include "app/show_session.h"
#include "core/timeline.h"
#include "platform/clock.h"
#include "render/fill_only.h"
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
    std::vector<double> fillMilliseconds;  // with --fill-only: frame k's fill alone
    std::vector<double> overFill;          // frame k's time over its fill's
};

int64_t lastMark = 0;
double* markTicks = nullptr;  // the frame's shares being filled

double millisecondsOf(int64_t ticks) { return 1000.0 * double(ticks) / double(Sys_CounterFrequency()); }

// Each pass is timed to its end on the card, not to the end of its calls.
// Waiting for it costs the overlap of one pass with the next, so only a
// run that asks for the shares waits.
bool timePasses = false;
bool fillOnly = false;
void passEnded(FramePass pass)
{
    if (!timePasses && pass != FramePass::Present) return;
    finishDrawing();
    const int64_t now = Sys_Counter();
    if (markTicks) markTicks[1 + static_cast<int>(pass)] += double(now - lastMark);
    lastMark = now;
}

double medianOf(std::vector<double> values) { return summarizeFrameTimes(std::move(values)).median; }

void printRow(const char* name, const SceneRun& run)
{
    const FrameTimes t = summarizeFrameTimes(run.milliseconds);
    const double* shareTicks = run.shareTicks;
    std::printf("%-22.22s %7ld %9.2f %9.2f %9.2f %8.1f", name, t.frames, t.median, t.percentile95, t.worst,
                t.framesPerSecond);
    if (fillOnly) std::printf(" %9.2f %7.2f", medianOf(run.fillMilliseconds), medianOf(run.overFill));
    if (!timePasses) {
        std::printf("\n");
        return;
    }
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
    SceneRun all{-1, {}, {}, {}, {}};
    int64_t firstFrameDone = 0;
    timePasses = commandLine.timePasses;
    fillOnly = commandLine.fillOnly;
    if (fillOnly && !fillOnlyAvailable()) {
        complain("--fill-only: the OpenGL driver has no occlusion queries (GL_ARB_occlusion_query)");
        shutdownRenderer();
        show.destroy();
        return 1;
    }
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
        double fillMs = 0;
        if (fillOnly) {
            // The same frame again with its pixels counted, untimed; then its fill.
            setFillMode(FillMode::Count);
            renderFrame(*show.registry, *show.timeline);
            setFillMode(FillMode::Fill);
            const int64_t fillStart = Sys_Counter();
            renderFrame(*show.registry, *show.timeline);
            fillMs = millisecondsOf(lastMark - fillStart);
            setFillMode(FillMode::Off);
        }

        const int32_t scene = show.timeline->sceneIndex;
        auto run = std::find_if(runs.begin(), runs.end(), [scene](const SceneRun& r) { return r.sceneIndex == scene; });
        if (run == runs.end()) run = runs.insert(runs.end(), SceneRun{scene, {}, {}, {}, {}});
        for (SceneRun* r : {&*run, &all}) {
            r->milliseconds.push_back(ms);
            for (int i = 0; i < SHARES; ++i) r->shareTicks[i] += ticks[i];
            if (!fillOnly) continue;
            r->fillMilliseconds.push_back(fillMs);
            r->overFill.push_back(fillMs > 0 ? ms / fillMs : 0.0);
        }
    }
    tr.passEnded = nullptr;

    const int exitCode = all.milliseconds.empty() ? 1 : 0;
    if (all.milliseconds.empty()) {
        complain("no frames drawn");
    } else {
        const double seconds = 1.0 / double(Sys_CounterFrequency());
        std::printf("timedemo: first frame %.3f s after start (graphics %.3f s, textures and meshes %.3f s, "
                    "the frame %.3f s)\n",
                    double(firstFrameDone - started) * seconds, double(contextMade - started) * seconds,
                    double(built - contextMade) * seconds, double(firstFrameDone - built) * seconds);
        std::printf("timedemo: %dx%d (picture %dx%d), %g frames a second of show time, %s to %s%s\n", tr.outputWidth,
                    tr.outputHeight, tr.screenWidth, tr.screenHeight, span.fps,
                    showTimeText(span.seconds(span.first)).c_str(),
                    showTimeText(span.seconds(span.first + static_cast<long>(all.milliseconds.size()))).c_str(),
                    timePasses ? ", each pass waited for" : fillOnly ? ", each frame beside its fill alone" : "");
        std::printf("%-22s %7s %9s %9s %9s %8s", "scene", "frames", "median ms", "95% ms", "worst ms", "fps");
        if (fillOnly) std::printf(" %9s %7s", "fill ms", "/fill");
        if (timePasses)
            for (const char* name : shareNames) std::printf(" %7s", name);
        std::printf("\n");
        for (const SceneRun& run : runs)
            printRow(sceneLabel(project.sceneLabels, run.sceneIndex, sceneCount).c_str(), run);
        printRow("total", all);
    }
    releaseFillOnly();
    shutdownRenderer();
    show.destroy();
    return exitCode;
}
