// brisqual-replay: replays mouse and key events through the curve model as
// the main window would, then paints one repaint and reports it as the
// model's state, the list of drawing operations, or a PNG picture.
#include "model/curve.h"
#include "model/drag.h"
#include "render/painter.h"
#include "render/raster_surface.h"
#include "render/recording_surface.h"
#include "tools/replay/event_script.h"
#include "tools/replay/png_file.h"

#include <charconv>
#include <errno.h>
#include <new>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

// The largest side of a picture: at 4 bytes a pixel, 1 GiB at most.
static const int MaxSide = 16384;

static const char Usage[] =
    "usage: brisqual-replay [--state] [--ops] [--link] [--png FILE] [--size WxH] [--] [SCRIPT]\n"
    "\n"
    "Replays mouse and key events through the curve as the main window does,\n"
    "then paints one repaint.\n"
    "\n"
    "  --state      print the curve, its integral, mean level and drag as JSON\n"
    "               (the default when no output is chosen)\n"
    "  --ops        print the drawing operations of the repaint, one a line\n"
    "  --link       print the events as the fragment of a link to the browser\n"
    "               page (brisqual.html#d200.300m200.310u200.310): d press,\n"
    "               m move, u release, each with x.y; keys are left out\n"
    "  --png FILE   write the picture of the client area as a PNG; '-' is\n"
    "               standard output (alone: not with --state, --ops or --link)\n"
    "  --size WxH   size of the picture (default 602x504), each side from 1 to\n"
    "               16384; it takes 4 bytes a pixel of memory, 1 GiB at most\n"
    "  --           ends the options\n"
    "  SCRIPT       event script; standard input when absent or '-'\n"
    "\n"
    "Script lines: 'down X Y', 'move X Y', 'up X Y' (client pixels 0..65535)\n"
    "and 'key NAME' ('key esc' ends the program: later lines are not read).\n"
    "'#' starts a comment.\n"
    "\n"
    "Exit status: 0 done; 1 a file could not be read or written, or memory ran\n"
    "out; 2 a bad option or script line. Unless it is 0, no file was created\n"
    "or replaced.\n";

static void AppendDouble(std::string &out, double v)
{
    if (!(v == v) || v - v != 0.0) {
        out += "null";   // JSON has no infinities; no drag can reach them
        return;
    }
    char buffer[32];
    std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, r.ptr);
}

static void AppendArray(std::string &out, const double *values, int count)
{
    out += '[';
    for (int i = 0; i < count; i++) {
        if (i)
            out += ',';
        AppendDouble(out, values[i]);
    }
    out += ']';
}

static std::string StateJson()
{
    std::string out = "{\"step_width\": ";
    AppendDouble(out, Curve.StepWidth);
    out += ", \"curve\": ";
    AppendArray(out, Curve.CurveValues, SampleCount + 1);
    out += ", \"integral\": ";
    AppendArray(out, Curve.IntegralValues, SampleCount + 1);
    out += ", \"mean\": ";
    AppendDouble(out, MeanLevel());
    out += ", \"drag\": {\"active\": " + std::to_string(Drag.DragActive);
    out += ", \"anchor\": " + std::to_string(Drag.AnchorIndex);
    out += ", \"last_y\": " + std::to_string(Drag.LastPointerY) + "}}\n";
    return out;
}

static std::string OpsListing(const RecordingSurface &surface)
{
    std::string out;
    char line[96];
    int32_t fromX = 0, fromY = 0;
    const PlotCall *created = NULL;
    for (const PlotCall &c : surface.calls) {
        if (c.kind == CallCreatePen) {
            created = &c;
        } else if (c.kind == CallSelectObject) {
            // Only a freshly created pen starts a pass; putting the previous
            // object back is not listed.
            if (created && c.object != 0 && c.object == created->result) {
                snprintf(line, sizeof line, "pen %s %d 0x%08X\n", created->style == PlotPenDash ? "DASH" : "SOLID",
                         (int)created->width, (unsigned)created->colour);
                out += line;
            }
        } else if (c.kind == CallMoveToEx) {
            fromX = c.x;
            fromY = c.y;
        } else if (c.kind == CallLineTo) {
            snprintf(line, sizeof line, "line %d %d %d %d\n", (int)fromX, (int)fromY, (int)c.x, (int)c.y);
            out += line;
            fromX = c.x;
            fromY = c.y;
        }
    }
    return out;
}

// The page reads the events after '#' in its address, one letter and x.y
// each: the compact form of a script for a link.
static void AppendLink(std::string &out, const std::vector<ScriptEvent> &events)
{
    for (const ScriptEvent &e : events) {
        const char letter = e.kind == EventDown ? 'd' : e.kind == EventMove ? 'm' : e.kind == EventUp ? 'u' : 0;
        if (!letter)
            continue;   // Esc ends the parse before it; other keys do nothing
        out += letter;
        out += std::to_string(e.x);
        out += '.';
        out += std::to_string(e.y);
    }
}

static bool ParseSize(const char *text, int &width, int &height)
{
    char *end = NULL;
    if (text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    long w = strtol(text, &end, 10);
    if (end == text || *end != 'x' || errno)
        return false;
    const char *rest = end + 1;
    if (rest[0] < '0' || rest[0] > '9')
        return false;
    long h = strtol(rest, &end, 10);
    if (end == rest || *end != '\0' || errno)
        return false;
    if (w < 1 || h < 1 || w > MaxSide || h > MaxSide)
        return false;
    width = (int)w;
    height = (int)h;
    return true;
}

static int UsageError(const char *message)
{
    fprintf(stderr, "brisqual-replay: %s\n%s", message, Usage);
    return 2;
}

static int Run(int argc, char **argv)
{
    bool wantState = false, wantOps = false, wantLink = false, options = true;
    const char *pngPath = NULL;
    const char *scriptPath = NULL;
    int width = ClientWidth, height = ClientHeight;

    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (!options || arg[0] != '-' || arg[1] == '\0') {
            if (scriptPath)
                return UsageError("more than one script given");
            scriptPath = arg;
        } else if (strcmp(arg, "--") == 0) {
            options = false;
        } else if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            fputs(Usage, stdout);
            return fflush(stdout) == 0 ? 0 : 1;
        } else if (strcmp(arg, "--state") == 0) {
            wantState = true;
        } else if (strcmp(arg, "--ops") == 0) {
            wantOps = true;
        } else if (strcmp(arg, "--link") == 0) {
            wantLink = true;
        } else if (strcmp(arg, "--png") == 0) {
            if (++i >= argc || argv[i][0] == '\0')
                return UsageError("--png needs a file name");
            if (pngPath)
                return UsageError("--png given twice");
            pngPath = argv[i];
        } else if (strcmp(arg, "--size") == 0) {
            if (++i >= argc || !ParseSize(argv[i], width, height))
                return UsageError("--size needs WxH, each from 1 to 16384");
        } else {
            std::string message = std::string("unknown option ") + arg;
            return UsageError(message.c_str());
        }
    }
    bool pngToStdout = pngPath && strcmp(pngPath, "-") == 0;
    if (pngToStdout && (wantState || wantOps || wantLink))
        return UsageError("--png - takes standard output for itself: not with --state, --ops or --link");
    if (!wantOps && !wantLink && !pngPath)
        wantState = true;

    bool fromStdin = !scriptPath || strcmp(scriptPath, "-") == 0;
    const char *scriptName = fromStdin ? "<stdin>" : scriptPath;
    FILE *file = fromStdin ? stdin : fopen(scriptPath, "rb");
    if (!file) {
        fprintf(stderr, "brisqual-replay: cannot open %s: %s\n", scriptPath, strerror(errno));
        return 1;
    }

    // As the window does: reset at creation, then the events as they are
    // read (in memory that does not grow with the script), then one
    // repaint. Nothing is written before the last line has been checked.
    ResetCurve();
    EventScriptParser parser;
    std::vector<ScriptEvent> events;
    ScriptError error;
    static char buffer[65536];
    std::string link = "#";
    bool parsed = true, readFailed = false;
    int readErrno = 0;
    while (parsed && !parser.Ended()) {
        size_t n = fread(buffer, 1, sizeof buffer, file);
        if (n == 0) {
            readFailed = ferror(file) != 0;
            readErrno = errno;
            break;
        }
        events.clear();
        parsed = parser.Feed(buffer, n, events, error);
        if (wantLink)
            AppendLink(link, events);
        ReplayEvents(events);
    }
    if (parsed && !readFailed) {
        events.clear();
        parsed = parser.Finish(events, error);
        if (wantLink)
            AppendLink(link, events);
        ReplayEvents(events);
    }
    if (!fromStdin)
        fclose(file);
    if (!parsed) {
        fprintf(stderr, "brisqual-replay: %s:%llu: %s: %s\n", scriptName, (unsigned long long)error.line,
                error.reason.c_str(), error.text.c_str());
        return 2;
    }
    if (readFailed) {
        fprintf(stderr, "brisqual-replay: cannot read %s: %s\n", fromStdin ? "standard input" : scriptPath,
                strerror(readErrno));
        return 1;
    }
    ComputeRunningIntegral();

    // Every output that can fail comes first, and the rename of the PNG
    // over its file last: an exit status other than 0 means that nothing
    // was replaced.
    std::string out;
    if (wantState)
        out += StateJson();
    if (wantLink)
        out += link + "\n";
    if (wantOps) {
        RecordingSurface recording;
        PaintContent(recording);
        out += OpsListing(recording);
    }
    PngOutput png;
    std::string message;
    if (pngPath) {
        RasterSurface raster(width, height);
        PaintContent(raster);
        if (!png.Write(pngPath, raster.Pixels(), width, height, message)) {
            fprintf(stderr, "brisqual-replay: %s\n", message.c_str());
            return 1;
        }
    }
    if (fwrite(out.data(), 1, out.size(), stdout) != out.size() || fflush(stdout) != 0) {
        fprintf(stderr, "brisqual-replay: cannot write standard output: %s\n", strerror(errno));
        return 1;
    }
    if (!png.Commit(message)) {
        fprintf(stderr, "brisqual-replay: %s\n", message.c_str());
        return 1;
    }
    return 0;
}

int main(int argc, char **argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc &) {
        fputs("brisqual-replay: out of memory\n", stderr);
        return 1;
    }
}
