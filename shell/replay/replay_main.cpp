// brisqual-replay: replays mouse and key events through the curve model as
// the main window would, then paints one repaint and reports it as the
// model's state, the list of drawing operations, or a PNG picture.
#include "model/challenges.h"
#include "model/curve.h"
#include "model/drag.h"
#include "model/guesses.h"
#include "model/theorem.h"
#include "render/painter.h"
#include "render/raster_surface.h"
#include "render/recording_surface.h"
#include "shell/replay/event_script.h"
#include "shell/replay/io.h"
#include "shell/replay/link.h"
#include "shell/replay/png_file.h"

#include <charconv>
#include <errno.h>
#include <fcntl.h>
#include <memory>
#include <new>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <unistd.h>
#include <vector>

// The largest side of a picture: at 4 bytes a pixel, 1 GiB at most.
static const int MaxSide = 16384;

// The one text of the tool's usage: docs/replay-tool.md and the manual page are checked
// against it.
static const char Usage[] =
    "usage: brisqual-replay [--state] [--ops] [--link] [--link-form events|state]\n"
    "                       [--png FILE] [--size WxH] [--from-link] [--] [EVENTS]\n"
    "       brisqual-replay --help | --version\n"
    "\n"
    "Replays mouse and key events through the curve as the main window does,\n"
    "then paints one repaint.\n"
    "\n"
    "  --state      print the curve, its integral, mean level and drag as JSON\n"
    "               (the default when no output is chosen), and the theorem\n"
    "               over the interval, for the curve as drawn (straight\n"
    "               segments): its integral, mean, the points c where the\n"
    "               curve meets the mean, the stretches where it lies on it,\n"
    "               the areas above and below the mean, and what students\n"
    "               mistake for the mean (the ends' and the extremes'\n"
    "               averages, f at the middle, the secant's slope) with the\n"
    "               tolerances a guess is judged by, and the numbers of the\n"
    "               lesson's challenges the curve meets\n"
    "  --ops        print the drawing operations of the repaint, one a line\n"
    "  --link       print a link to the browser page's curve, pulse and\n"
    "               interval: its fragment, in the shorter of its two forms\n"
    "               (the events form when they are as long). The events form\n"
    "               (brisqual.html#d200.300m200.310u200.310): d press, m move,\n"
    "               u release, each with x.y, pK.W, the pulse that the next\n"
    "               press grabbing a sample takes, when it changes, and i the\n"
    "               interval, with its samples a.b; keys, and moves that change\n"
    "               nothing, are left out. The state form: s and the 301\n"
    "               samples as the bytes of little-endian doubles in base64url,\n"
    "               then the pulse in force and the interval (s...p0.19i0.300),\n"
    "               3,236 characters at most. A fragment longer than 2,095,104\n"
    "               characters is refused: browsers open addresses of up to\n"
    "               2,097,152, and the page's own needs the rest\n"
    "  --link-form events|state\n"
    "               write --link in that form whatever its length; a curve\n"
    "               opened from a state form has no events form\n"
    "  --png FILE   write the picture of the client area as a PNG; '-' is\n"
    "               standard output (alone: not with --state, --ops or --link),\n"
    "               and so are /dev/stdout, /dev/fd/1 and /proc/self/fd/1\n"
    "  --size WxH   size of the picture (default 602x504), each side from 1 to\n"
    "               16384; it takes 4 bytes a pixel of memory, 1 GiB at most\n"
    "  --from-link  EVENTS holds a link instead: a whole address, or its '#'\n"
    "               and the fragment after it, percent-decoded and read as\n"
    "               the page reads it; one longer than 2,097,152 characters\n"
    "               is refused. An address with no '#' opens the page's first\n"
    "               prepared curve, as the page does. A link that ends in the\n"
    "               middle of a drag ends the drag there with a release, as\n"
    "               the page does\n"
    "  -h, --help   print this and exit\n"
    "  --version    print the version and exit\n"
    "  --           ends the options\n"
    "  EVENTS       event file; standard input when absent or '-'\n"
    "\n"
    "Event lines: 'down X Y', 'move X Y', 'up X Y' (client pixels 0..65535)\n"
    "and 'key NAME', NAME being esc or one lower-case letter or digit ('key\n"
    "esc' ends the program: later lines are not read). '#' starts a comment.\n"
    "'pulse K W' sets the pulse that the presses after it take: shape K 0\n"
    "plateau, 1 hill, 2 triangle or 3 whole curve, and width W from 1 to 60;\n"
    "a drag moves the samples closer than 2.66 W to the one it grabs, or all\n"
    "of them for the whole curve. Until then the pulse is 'pulse 0 19'.\n"
    "'interval A B' sets the theorem's interval to samples A to B,\n"
    "0 <= A < B <= 300 (the whole curve, 0 to 300, unless set; the last one\n"
    "holds; the picture does not change).\n"
    "\n"
    "Exit status: 0 done; 1 a file could not be read or written, or memory ran\n"
    "out; 2 a bad option, event line or link, or a link too long to open.\n"
    "Unless it is 0, no file was created or replaced.\n";

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

// The theorem over the interval, its abscissas and areas in the curve's
// units; stretches as [from, to] pairs.
static std::string TheoremJson()
{
    const TheoremState &t = Theorem;
    std::string out = "{\"interval\": [" + std::to_string(t.First) + ", " + std::to_string(t.Last) + "]";
    out += ", \"integral\": ";
    AppendDouble(out, t.Integral);
    out += ", \"mean\": ";
    AppendDouble(out, t.Mean);
    out += ", \"c\": ";
    AppendArray(out, t.Points, t.PointCount);
    out += ", \"stretches\": [";
    for (int i = 0; i < t.StretchCount; i++) {
        if (i)
            out += ',';
        AppendArray(out, t.Stretches[i], 2);
    }
    out += "], \"area_above\": ";
    AppendDouble(out, t.AreaAbove);
    out += ", \"area_below\": ";
    AppendDouble(out, t.AreaBelow);
    // What students mistake for the mean value, and how near a guess is taken for one.
    MistakenMeans m;
    ComputeMistakenMeans(Curve, t, m);
    const struct {
        const char *key;
        double value;
    } mistakes[] = {{"ends_average", m.EndsAverage}, {"extremes_average", m.ExtremesAverage},
                    {"middle_value", m.MiddleValue}, {"secant_slope", m.SecantSlope},
                    {"tolerance", m.Tolerance},      {"point_tolerance", m.PointTolerance}};
    out += ", \"mistaken_means\": {";
    for (const auto &each : mistakes) {
        out += std::string(&each == mistakes ? "\"" : ", \"") + each.key + "\": ";
        AppendDouble(out, each.value);
    }
    // The lesson's challenges the curve meets over the interval, by number.
    out += "}, \"challenges_met\": [";
    bool first = true;
    for (int n = 1; n <= ChallengeCount; n++)
        if (ChallengeMet((Challenge)n, Curve, t)) {
            out += (first ? "" : ", ") + std::to_string(n);
            first = false;
        }
    return out + "]}";
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
    out += ", \"last_y\": " + std::to_string(Drag.LastPointerY);
    out += ", \"pulse_shape\": " + std::to_string(Drag.DragPulse.Shape);
    out += ", \"pulse_width\": " + std::to_string(Drag.DragPulse.Width);
    out += ", \"next_pulse_shape\": " + std::to_string(Drag.NextPulse.Shape);
    out += ", \"next_pulse_width\": " + std::to_string(Drag.NextPulse.Width) + "}";
    out += ", \"theorem\": " + TheoremJson() + "}\n";
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

// The --link text as the events are replayed: a move that changes nothing
// (no drag, or no vertical motion) is left out, so it must be told before
// the move is replayed. A pulse is written before the press that takes it
// (one that grabs a sample), and only when it differs from what the link's
// presses take so far; an interval where it comes. Past the longest fragment only the length counts.
struct LinkText {
    std::string text = "#";
    size_t length = 1;
    Pulse written;           // what the link's next press takes
    ScriptEvent last = {};   // the last press, move or release written
    bool samples = false;    // a curve set whole, which only the state form holds

    void Add(const ScriptEvent &e)
    {
        if (e.kind == EventSamples) {
            samples = true;
            return;
        }
        if (e.kind == EventMove && (!Drag.DragActive || e.y == Drag.LastPointerY))
            return;
        if (e.kind == EventDown && GrabbedSample(e.x) >= 0 &&
            (Drag.NextPulse.Shape != written.Shape || Drag.NextPulse.Width != written.Width)) {
            written = Drag.NextPulse;
            ScriptEvent pulse = {EventPulse, (uint16_t)written.Shape, (uint16_t)written.Width, false, NULL};
            Put(pulse);
        }
        if (e.kind == EventInterval) {
            Put(e);   // as it comes: the last one holds
            return;
        }
        if (e.kind != EventDown && e.kind != EventMove && e.kind != EventUp)
            return;   // pulses are written with presses; keys never
        Put(e);
        last = e;
    }

    // The release the page adds to a link that ends inside a drag, where
    // the pointer was last.
    void Release()
    {
        ScriptEvent up = last;
        up.kind = EventUp;
        Put(up);
    }

    // The pulse chosen after the last press, which the page keeps too.
    void Finish()
    {
        if (Drag.NextPulse.Shape != written.Shape || Drag.NextPulse.Width != written.Width) {
            written = Drag.NextPulse;
            Put(ScriptEvent{EventPulse, (uint16_t)written.Shape, (uint16_t)written.Width, false, NULL});
        }
    }

    void Put(const ScriptEvent &e)
    {
        char piece[MaxLinkEventLength];
        const size_t n = WriteLinkEvent(e, piece);
        length += n;
        if (length <= MaxFragmentLength)
            text.append(piece, n);
    }
};

// The state form of the model's curve, pulse and interval, from its '#';
// empty for a sample no link carries.
static std::string StateLinkText()
{
    char text[1 + MaxStateLinkLength];
    text[0] = '#';
    const size_t n = WriteStateLink(text + 1);
    return n ? std::string(text, 1 + n) : std::string();
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

static int UsageError(const std::string &message)
{
    fprintf(stderr, "brisqual-replay: %s\n%s", message.c_str(), Usage);
    return 2;
}

// Standard output, written whole; a failure is reported and is exit 1.
static int WriteOut(const std::string &text)
{
    if (WriteAll(STDOUT_FILENO, text.data(), text.size()))
        return 0;
    fprintf(stderr, "brisqual-replay: cannot write standard output: %s\n", strerror(errno));
    return 1;
}

static int Run(int argc, char **argv)
{
    bool wantState = false, wantOps = false, wantLink = false, fromLink = false, sized = false, options = true;
    enum { AnyForm, EventsForm, StateForm } linkForm = AnyForm;
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
            return WriteOut(Usage);
        } else if (strcmp(arg, "--version") == 0) {
            return WriteOut("brisqual-replay " BRISQUAL_VERSION "\n");
        } else if (strcmp(arg, "--state") == 0) {
            wantState = true;
        } else if (strcmp(arg, "--ops") == 0) {
            wantOps = true;
        } else if (strcmp(arg, "--link") == 0) {
            wantLink = true;
        } else if (strcmp(arg, "--link-form") == 0) {
            if (++i >= argc || (strcmp(argv[i], "events") != 0 && strcmp(argv[i], "state") != 0))
                return UsageError("--link-form needs events or state");
            linkForm = strcmp(argv[i], "events") == 0 ? EventsForm : StateForm;
            wantLink = true;
        } else if (strcmp(arg, "--from-link") == 0) {
            fromLink = true;
        } else if (strcmp(arg, "--png") == 0) {
            if (++i >= argc || argv[i][0] == '\0')
                return UsageError("--png needs a file name");
            if (pngPath)
                return UsageError("--png given twice");
            pngPath = argv[i];
        } else if (strcmp(arg, "--size") == 0) {
            if (++i >= argc || !ParseSize(argv[i], width, height))
                return UsageError("--size needs WxH, each from 1 to 16384");
            if (sized)
                return UsageError("--size given twice");
            sized = true;
        } else {
            return UsageError("unknown option " + Printable(arg, strlen(arg)));
        }
    }
    if (pngPath && DescriptorNamed(pngPath) == STDOUT_FILENO && (wantState || wantOps || wantLink))
        return UsageError("--png " + Printable(pngPath, strlen(pngPath)) +
                          " takes standard output for itself: not with --state, --ops or --link");
    if (!wantOps && !wantLink && !pngPath)
        wantState = true;

    bool fromStdin = !scriptPath || strcmp(scriptPath, "-") == 0;
    const std::string scriptName = fromStdin ? "<stdin>" : Printable(scriptPath, strlen(scriptPath));
    int input = fromStdin ? STDIN_FILENO : open(scriptPath, O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (input < 0) {
        fprintf(stderr, "brisqual-replay: cannot open %s: %s\n", scriptName.c_str(), strerror(errno));
        return 1;
    }

    // As the window does: reset at creation, then the events as they are
    // read (in memory that does not grow with the input), then one
    // repaint. Nothing is written before the last byte has been checked.
    ResetCurve();
    ResetTheorem();
    EventScriptParser script;
    LinkParser link;
    std::vector<ScriptEvent> events;
    ScriptError error;
    LinkText linkText;
    static char buffer[65536];
    bool parsed = true, readFailed = false, more = true;
    int readErrno = 0;
    while (parsed && more) {
        ssize_t n = ReadSome(input, buffer, sizeof buffer);
        events.clear();
        if (n < 0) {
            readFailed = true;
            readErrno = errno;
            break;
        } else if (n == 0) {
            parsed = fromLink ? link.Finish(events, error.reason) : script.Finish(events, error);
            more = false;
        } else {
            parsed = fromLink ? link.Feed(buffer, (size_t)n, events, error.reason) :
                                script.Feed(buffer, (size_t)n, events, error);
            more = !script.Ended();
        }
        for (const ScriptEvent &e : events) {
            if (wantLink)
                linkText.Add(e);
            ReplayEvent(e);
        }
    }
    if (!fromStdin)
        close(input);
    if (!parsed && fromLink) {
        fprintf(stderr, "brisqual-replay: %s: a link the page cannot read: %s\n", scriptName.c_str(),
                error.reason.c_str());
        return 2;
    }
    if (!parsed) {
        fprintf(stderr, "brisqual-replay: %s:%llu: %s: %s\n", scriptName.c_str(), (unsigned long long)error.line,
                error.reason.c_str(), error.text.c_str());
        return 2;
    }
    if (readFailed) {
        fprintf(stderr, "brisqual-replay: cannot read %s: %s\n", fromStdin ? "standard input" : scriptName.c_str(),
                strerror(readErrno));
        return 1;
    }
    // The page lets go of a drag that a link leaves held, and its link
    // then holds that release.
    if (fromLink && Drag.DragActive) {
        if (wantLink)
            linkText.Release();
        EndDrag();
    }
    if (wantLink)
        linkText.Finish();
    // The shorter form, unless one is asked for; a curve set whole has no
    // events, and a sample no link carries has no state form.
    std::string stateLink = wantLink ? StateLinkText() : std::string();
    if (wantLink && linkForm == EventsForm && linkText.samples) {
        fprintf(stderr, "brisqual-replay: a curve opened from a link's samples has no events form\n");
        return 2;
    }
    if (wantLink && linkForm == StateForm && stateLink.empty()) {
        fprintf(stderr, "brisqual-replay: a sample beyond %g has no state form\n", MaxLinkSample);
        return 2;
    }
    const bool writeState = wantLink && linkForm != EventsForm && !stateLink.empty() &&
        (linkForm == StateForm || linkText.samples || stateLink.size() < linkText.length);
    if (wantLink && !writeState && linkText.length > MaxFragmentLength) {
        fprintf(stderr,
                "brisqual-replay: the link's fragment would be %zu characters long, more than the %zu that leave "
                "room for the page's address in the %zu characters a browser opens\n",
                linkText.length, MaxFragmentLength, MaxUrlLength);
        return 2;
    }
    ComputeRunningIntegral();
    ComputeTheorem();

    // Every output that can fail comes first: the PNG's temporary file,
    // then standard output, and last the rename of the file, or the PNG
    // written through to a stream. An exit status other than 0 means that
    // nothing was replaced.
    std::string out;
    if (wantState)
        out += StateJson();
    if (wantLink)
        out += (writeState ? stateLink : linkText.text) + "\n";
    if (wantOps) {
        RecordingSurface recording;
        PaintContent(recording);
        out += OpsListing(recording);
    }
    PngOutput png;
    std::string message;
    std::unique_ptr<RasterSurface> raster;
    if (pngPath) {
        raster.reset(new RasterSurface(width, height));
        PaintContent(*raster);
        if (!png.Write(pngPath, raster->Pixels(), width, height, message)) {
            fprintf(stderr, "brisqual-replay: %s\n", message.c_str());
            return 1;
        }
    }
    if (!out.empty() && WriteOut(out) != 0)
        return 1;
    if (!png.Commit(message)) {
        fprintf(stderr, "brisqual-replay: %s\n", message.c_str());
        return 1;
    }
    return 0;
}

int main(int argc, char **argv)
{
    // Past a file-size limit a write fails, and is reported, instead of the
    // signal ending the program with its temporary file left behind.
    signal(SIGXFSZ, SIG_IGN);
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc &) {
        fputs("brisqual-replay: out of memory\n", stderr);
        return 1;
    }
}
