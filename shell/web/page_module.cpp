// The browser page's WebAssembly module: the curve model and the painter,
// unchanged, behind the few entry points the page calls, in the order the
// main window calls them, and the theorem of the curve as drawn for the
// classroom view. It imports nothing.
#include "model/challenges.h"
#include "model/curve.h"
#include "model/drag.h"
#include "model/guesses.h"
#include "model/link.h"
#include "model/theorem.h"
#include "render/client_area.h"
#include "render/painter.h"
#include "render/pixel.h"
#include "render/plot_scales.h"
#include "render/raster_surface.h"

#include <stdint.h>

#define PAGE_EXPORT(name) extern "C" __attribute__((export_name(name)))

// One raster surface for the whole run, made on the classic view's first
// repaint, as the window keeps one client area, and the canvas's pixels
// beside it: ImageData wants R, G, B, A bytes.
static RasterSurface *Surface;

// The module allocates once in its life: the surface and its pixels. A bump
// allocator over a static arena does that without a general allocator, which
// would be a third of the module; a request past the arena stops the module
// rather than write outside it.
alignas(16) static unsigned char Arena[sizeof(RasterSurface) + ClientWidth * ClientHeight * 4 + 64];
static size_t ArenaUsed;
void *operator new(size_t size)
{
    size = (size + 15) & ~size_t(15);
    if (size > sizeof Arena - ArenaUsed)
        __builtin_trap();
    void *block = Arena + ArenaUsed;
    ArenaUsed += size;
    return block;
}
void operator delete(void *) noexcept {}
void operator delete(void *, size_t) noexcept {}
static uint32_t CanvasPixels[ClientWidth * ClientHeight];

// The classroom view's repaint as operations, in records of five
// integers: a pen (style, width, colour as 0x00BBGGRR) when a freshly made
// pen is selected, and each line from the current position. Putting the
// previous pen back is not a pass of its own; nothing is allocated.
enum { OpPen = 0, OpLine = 1, OpFields = 5, MaxOps = 2 * SampleCount + 64 };
static int32_t Ops[1 + MaxOps * OpFields];

class OpsSurface final : public PlotSurface {
public:
    PlotObject CreatePen(int style, int width, PlotColour colour) override
    {
        pen_[0] = style, pen_[1] = width, pen_[2] = (int32_t)colour;
        return ++pens_;
    }
    PlotObject SelectObject(PlotObject object) override
    {
        if (object == pens_ && object != 0)
            Put(OpPen, pen_[0], pen_[1], pen_[2], 0);
        PlotObject previous = selected_;
        selected_ = object;
        return previous;
    }
    void MoveToEx(int32_t x, int32_t y) override { x_ = x, y_ = y; }
    void LineTo(int32_t x, int32_t y) override
    {
        Put(OpLine, x_, y_, x, y);
        x_ = x, y_ = y;
    }
    void DeleteObject(PlotObject) override {}

private:
    void Put(int32_t kind, int32_t a, int32_t b, int32_t c, int32_t d)
    {
        if (Ops[0] == MaxOps)
            return;
        int32_t *op = &Ops[1 + Ops[0]++ * OpFields];
        op[0] = kind, op[1] = a, op[2] = b, op[3] = c, op[4] = d;
    }
    int32_t pen_[3] = {0, 0, 0}, x_ = 0, y_ = 0;
    PlotObject pens_ = 0, selected_ = 0x10000;
};

PAGE_EXPORT("width") int32_t PageWidth()
{
    return ClientWidth;
}
PAGE_EXPORT("height") int32_t PageHeight()
{
    return ClientHeight;
}

// Window creation: the flat curve, and the program's own pulse for the
// presses to come (a view that offers another sets it again after a reset).
PAGE_EXPORT("reset") void PageReset()
{
    ResetCurve();
    ResetPulse();
    ResetTheorem();
}

// Coordinates are client pixels; the page passes them as the window's
// message would carry them, 16 bits each.
PAGE_EXPORT("press") void PagePress(int32_t x, int32_t y)
{
    BeginDrag((uint16_t)x, (uint16_t)y);
}
PAGE_EXPORT("move") int32_t PageMove(int32_t y)
{
    return ContinueDrag((uint16_t)y) ? 1 : 0;
}
// The rows the curve moves for one row of the pointer's (the program's
// gain), so that a view can make the curve follow the pointer.
PAGE_EXPORT("dragRowsPerRow") double PageDragRowsPerRow()
{
    return (double)DragGain * CurveScale;
}
PAGE_EXPORT("curveScale") double PageCurveScale()
{
    return CurveScale;
}
PAGE_EXPORT("release") void PageRelease()
{
    EndDrag();
}
PAGE_EXPORT("dragging") int32_t PageDragging()
{
    return Drag.DragActive;
}
PAGE_EXPORT("lastY") int32_t PageLastY()
{
    return Drag.LastPointerY;
}

// One repaint: erase, paint, and hand back the pixels as RGBA bytes.
PAGE_EXPORT("paint") const uint32_t *PagePaint()
{
    if (!Surface)
        Surface = new RasterSurface(ClientWidth, ClientHeight);
    Surface->Clear();
    PaintContent(*Surface);
    const uint32_t *from = Surface->Pixels();
    for (int i = 0; i < ClientWidth * ClientHeight; i++) {
        const uint32_t p = from[i];   // 0x00RRGGBB
        CanvasPixels[i] = 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
    }
    return CanvasPixels;
}

// One repaint as operations: a pen (style, width, colour as 0x00BBGGRR)
// when a freshly made pen is selected, and each line from the current
// position. Putting the previous pen back is not a pass of its own.
PAGE_EXPORT("ops") const int32_t *PageOps()
{
    OpsSurface surface;
    Ops[0] = 0;
    PaintContent(surface);
    return Ops;
}

// What the page tells in words: the samples, the mean level by the model's
// own rule, and where a sample is drawn.
PAGE_EXPORT("samples") const double *PageSamples()
{
    return Curve.CurveValues;
}
PAGE_EXPORT("sampleCount") int32_t PageSampleCount()
{
    return SampleCount;
}
PAGE_EXPORT("mean") double PageMean()
{
    ComputeRunningIntegral();
    return MeanLevel();
}
PAGE_EXPORT("sampleX") int32_t PageSampleX(int32_t k)
{
    return ToScreenX(k);
}
PAGE_EXPORT("sampleY") int32_t PageSampleY(int32_t k)
{
    return k >= 0 && k <= SampleCount ? CurveY(Curve.CurveValues[k]) : 0;
}
PAGE_EXPORT("stepWidth") double PageStepWidth()
{
    return Curve.StepWidth;
}

// The pulse of the drags to come, and a preview of what it moves:
//   setPulse(shape, width): 1, or 0 and nothing changed for a shape outside
//     0..3 (0 plateau, 1 hill, 2 triangle, 3 whole curve) or a width
//     outside 1..60. A drag in progress keeps its pulse; the next press that
//     grabs a sample takes the new one. A link writes it as pK.W.
//   validPulse(shape, width): 1 for a pulse there is, else 0; nothing changes.
//   pulseShape(), pulseWidth(): the pulse that press will take.
//   anchorAt(x): the sample a press at client x grabs, or -1 for none.
//   pulseWeights(anchor): SampleCount + 1 doubles, the weight by which a
//     drag step from that anchor moves each sample (the sample becomes
//     F - step * weight); 0 for a sample that stays, and for all of them
//     when the anchor is out of range. The same numbers until the next call.
//   pulseMoves(anchor): how many samples that drag moves; at the middle
//     sample, SampleCount / 2, the most any anchor moves.
static double PreviewWeights[SampleCount + 1];

PAGE_EXPORT("setPulse") int32_t PageSetPulse(int32_t shape, int32_t width)
{
    return SetPulse(shape, width) ? 1 : 0;
}
PAGE_EXPORT("validPulse") int32_t PageValidPulse(int32_t shape, int32_t width)
{
    return ValidPulse(shape, width) ? 1 : 0;
}
// The limits the page's controls offer.
PAGE_EXPORT("pulseShapeCount") int32_t PagePulseShapeCount()
{
    return PulseShapeCount;
}
PAGE_EXPORT("pulseWidthMin") int32_t PagePulseWidthMin()
{
    return MinPulseWidth;
}
PAGE_EXPORT("pulseWidthMax") int32_t PagePulseWidthMax()
{
    return MaxPulseWidth;
}
PAGE_EXPORT("pulseShape") int32_t PagePulseShape()
{
    return Drag.NextPulse.Shape;
}
PAGE_EXPORT("pulseWidth") int32_t PagePulseWidth()
{
    return Drag.NextPulse.Width;
}
PAGE_EXPORT("anchorAt") int32_t PageAnchorAt(int32_t x)
{
    return x >= 0 && x <= 65535 ? GrabbedSample((uint16_t)x) : -1;
}
PAGE_EXPORT("pulseWeights") const double *PagePulseWeights(int32_t anchor)
{
    PulseWeights(Drag.NextPulse, anchor, PreviewWeights);
    return PreviewWeights;
}
PAGE_EXPORT("pulseMoves") int32_t PagePulseMoves(int32_t anchor)
{
    return PulseWeights(Drag.NextPulse, anchor, PreviewWeights);
}

// The theorem of the curve as drawn (straight segments between samples),
// over an interval of samples [a, b], for the classroom view. The page sets
// the interval, calls theorem() after every change of the curve or the
// interval, and then reads, never computes:
//   setInterval(a, b)   1 and the interval set when 0 <= a < b <= N, else 0
//                       and the interval kept; intervalFirst(), intervalLast();
//                       validInterval(a, b): 1 for an interval there is
//   theoremIntegral(), theoremMean()
//   pointCount(), points(): the abscissas c, increasing (doubles);
//     pointPositions(): the same in samples (c / step, a whole number at a
//     sample); pointIntegrals(): the running integral at each c
//   stretchCount(), stretches(): [from, to] pairs of abscissas where the
//     curve lies on its mean; stretchSamples(): the same as pairs of sample
//     numbers (int32); stretchIntegrals(): the running integral at each end
//   areaAbove(), areaBelow(): between the curve and its mean
//   runningIntegral(): N+1 doubles, the integral from a at samples a..b
//     (0 elsewhere), for the yellow curve on its own axis
// and, in client pixels by the painter's own mappings:
//   meanRow(): the mean on the red curve's axis (CurveY)
//   curveRow(v), integralRow(v): a value on the red or the yellow axis
//   curveAtRow(row), integralAtRow(row): the red or the yellow axis's value
//     at a row (the plot's edges, the yellow axis's labels)
//   positionColumn(p): the column of a position p in samples (a c's, or
//     a whole sample's), exactly as ToScreenX places samples
//   sampleAbscissa(k), sampleNearColumn(x): a handle's sample and back
//   secantRow(p): the yellow curve's secant from a to b at position p
//   tangentRow(i, p): the tangent at c number i (slope: the mean) at p
// Positions rather than abscissas place the marks, as dividing an abscissa
// by the step can land a sample's column one pixel off.
PAGE_EXPORT("setInterval") int32_t PageSetInterval(int32_t first, int32_t last)
{
    return SetTheoremInterval(first, last) ? 1 : 0;
}
PAGE_EXPORT("validInterval") int32_t PageValidInterval(int32_t first, int32_t last)
{
    return TheoremIntervalValid(first, last) ? 1 : 0;
}
PAGE_EXPORT("intervalFirst") int32_t PageIntervalFirst()
{
    return Theorem.First;
}
PAGE_EXPORT("intervalLast") int32_t PageIntervalLast()
{
    return Theorem.Last;
}
PAGE_EXPORT("theorem") void PageTheorem()
{
    ComputeTheorem();
}
PAGE_EXPORT("theoremIntegral") double PageTheoremIntegral()
{
    return Theorem.Integral;
}
PAGE_EXPORT("theoremMean") double PageTheoremMean()
{
    return Theorem.Mean;
}
PAGE_EXPORT("pointCount") int32_t PagePointCount()
{
    return Theorem.PointCount;
}
PAGE_EXPORT("points") const double *PagePoints()
{
    return Theorem.Points;
}
PAGE_EXPORT("pointPositions") const double *PagePointPositions()
{
    return Theorem.PointPositions;
}
PAGE_EXPORT("pointIntegrals") const double *PagePointIntegrals()
{
    return Theorem.PointIntegrals;
}
PAGE_EXPORT("stretchCount") int32_t PageStretchCount()
{
    return Theorem.StretchCount;
}
PAGE_EXPORT("stretches") const double *PageStretches()
{
    return &Theorem.Stretches[0][0];
}
PAGE_EXPORT("stretchSamples") const int32_t *PageStretchSamples()
{
    return &Theorem.StretchSamples[0][0];
}
PAGE_EXPORT("stretchIntegrals") const double *PageStretchIntegrals()
{
    return &Theorem.StretchIntegrals[0][0];
}
PAGE_EXPORT("areaAbove") double PageAreaAbove()
{
    return Theorem.AreaAbove;
}
PAGE_EXPORT("areaBelow") double PageAreaBelow()
{
    return Theorem.AreaBelow;
}
PAGE_EXPORT("runningIntegral") const double *PageRunningIntegral()
{
    return Theorem.RunningIntegral;
}
PAGE_EXPORT("meanRow") int32_t PageMeanRow()
{
    return CurveY(Theorem.Mean);
}
PAGE_EXPORT("curveRow") int32_t PageCurveRow(double v)
{
    return CurveY(v);
}
PAGE_EXPORT("integralRow") int32_t PageIntegralRow(double v)
{
    return IntegralY(v);
}
PAGE_EXPORT("curveAtRow") double PageCurveAtRow(int32_t row)
{
    return (ZeroLevel - (double)row) / CurveScale;
}
PAGE_EXPORT("integralAtRow") double PageIntegralAtRow(int32_t row)
{
    return IntegralAtRow(row);
}
// As ToScreenX places sample k: (k / N) * PlotWidth, truncated.
PAGE_EXPORT("positionColumn") int32_t PagePositionColumn(double p)
{
    return PixelFromDouble((p / (double)SampleCount) * (double)PlotWidth);
}
PAGE_EXPORT("sampleAbscissa") double PageSampleAbscissa(int32_t k)
{
    return (double)k * Curve.StepWidth;
}
// The sample drawn nearest a column, clamped to the curve's ends.
PAGE_EXPORT("sampleNearColumn") int32_t PageSampleNearColumn(int32_t x)
{
    int32_t best = 0;
    for (int k = 1; k <= SampleCount; k++) {
        int32_t d = ToScreenX(k) - x, bestD = ToScreenX(best) - x;
        if ((d < 0 ? -d : d) < (bestD < 0 ? -bestD : bestD))
            best = k;
    }
    return best;
}
PAGE_EXPORT("secantRow") int32_t PageSecantRow(double p)
{
    const double along = (p - (double)Theorem.First) / (double)(Theorem.Last - Theorem.First);
    return IntegralY(Theorem.Integral * along);
}
PAGE_EXPORT("tangentRow") int32_t PageTangentRow(int32_t i, double p)
{
    if (i < 0 || i >= Theorem.PointCount)
        return 0;
    const double dx = (p - Theorem.PointPositions[i]) * Curve.StepWidth;
    return IntegralY(Theorem.PointIntegrals[i] + Theorem.Mean * dx);
}

// A lesson's predictions and challenges, judged on the current curve over
// the interval (the theorem is worked out afresh, as theorem() does):
//   judgeMean(guess): the MeanGuess, as its number (0 right, 1 the ends'
//     average, 2 the extremes', 3 f at the middle, 4 the secant's slope,
//     5 unexplained)
//   judgePoint(k): the PointGuess of a c guessed at sample k (0 right,
//     1 the middle, 2 unexplained)
//   challengeMet(n): 1 when challenge n, 1..challengeCount(), is met, else 0
static MistakenMeans Mistakes;
static void ComputeMistakes()
{
    ComputeTheorem();
    ComputeMistakenMeans(Curve, Theorem, Mistakes);
}
PAGE_EXPORT("judgeMean") int32_t PageJudgeMean(double guess)
{
    ComputeMistakes();
    return (int32_t)JudgeMeanGuess(guess, Theorem.Mean, Mistakes);
}
PAGE_EXPORT("judgePoint") int32_t PageJudgePoint(int32_t k)
{
    ComputeMistakes();
    return (int32_t)JudgePointGuess(PageSampleAbscissa(k), Theorem, Mistakes, Curve.StepWidth);
}
PAGE_EXPORT("challengeCount") int32_t PageChallengeCount()
{
    return ChallengeCount;
}
PAGE_EXPORT("challengeMet") int32_t PageChallengeMet(int32_t n)
{
    if (n < 1 || n > ChallengeCount)
        return 0;
    ComputeTheorem();
    return ChallengeMet((Challenge)n, Curve, Theorem) ? 1 : 0;
}

// Links, read and written here for the page by model/link, as the replay
// tool reads and writes them, a piece at a time through one buffer:
//   maxAddress(): the longest address a browser opens, in characters
//   linkBegin(): a new link; linkInput(), linkInputSize(): where the page
//     puts its next piece, as UTF-8, and how many bytes fit
//   linkFeed(n): reads n bytes of it and gives the count of events they
//     complete, as [letter, x, y] triples (int32) at linkItems(), until the
//     next call; -1 once the link is refused
//   linkFinish(): the same for the link's end
//   linkFault(): a refusal's name (LinkFaultName, a C string); linkAt():
//     its character, 0 for none
//   writeLink(n): the fragment (without '#') of the n triples the page put
//     at linkItems(), at most linkWriteMax(), as text at linkInput(); its
//     length, or -1 for a triple that is no event
// A link in the state form gives first the item ['s', 0, 0]: the curve's
// samples, which the module keeps (linkSamples(), sampleCount() + 1
// doubles) until the next link that holds some:
//   applyLinkSamples(): lets go of a drag and sets the curve to them
//   writeLink(n) writes an 's' triple, first of the n, as those samples
//   writeStateLink(): the state form (without '#') of the curve, the pulse
//     the next press takes and the interval, as text at linkInput(); its
//     length, or -1 for a sample no link carries (beyond 1e15, or not finite)
// Nothing is allocated: a piece completes at most one event for each four
// bytes, and one more begun before it.
enum { LinkPieceSize = 3 * 65536, LinkPieceItems = LinkPieceSize / 4 + 1 };
static char LinkPiece[LinkPieceSize];
static int32_t LinkItems[3 * LinkPieceItems];
static LinkReader Reader;
static double LinkSamples[SampleCount + 1];

struct PageLinkEvents final : LinkEvents {
    int32_t count = 0;
    void Add(const ScriptEvent &e) override
    {
        int32_t *item = LinkItems + 3 * count++;
        if (e.kind == EventSamples) {
            for (int k = 0; k <= SampleCount; k++)
                LinkSamples[k] = e.samples[k];
            item[0] = 's', item[1] = 0, item[2] = 0;
            return;
        }
        item[0] = LinkLetter(e.kind), item[1] = e.x, item[2] = e.y;
    }
};

PAGE_EXPORT("maxAddress") int32_t PageMaxAddress()
{
    return (int32_t)MaxUrlLength;
}
PAGE_EXPORT("linkBegin") void PageLinkBegin()
{
    Reader = LinkReader();
}
PAGE_EXPORT("linkInput") char *PageLinkInput()
{
    return LinkPiece;
}
PAGE_EXPORT("linkInputSize") int32_t PageLinkInputSize()
{
    return LinkPieceSize;
}
PAGE_EXPORT("linkItems") int32_t *PageLinkItems()
{
    return LinkItems;
}
PAGE_EXPORT("linkFeed") int32_t PageLinkFeed(int32_t size)
{
    PageLinkEvents events;
    if (size < 0 || size > LinkPieceSize)
        return -1;
    return Reader.Feed(LinkPiece, (size_t)size, events) ? events.count : -1;
}
PAGE_EXPORT("linkFinish") int32_t PageLinkFinish()
{
    PageLinkEvents events;
    return Reader.Fault() == LinkFine && Reader.Finish(events) ? events.count : -1;
}
PAGE_EXPORT("linkFault") const char *PageLinkFault()
{
    return LinkFaultName(Reader.Fault());
}
PAGE_EXPORT("linkAt") int32_t PageLinkAt()
{
    return (int32_t)Reader.At();
}
PAGE_EXPORT("linkSamples") const double *PageLinkSamples()
{
    return LinkSamples;
}
PAGE_EXPORT("applyLinkSamples") void PageApplyLinkSamples()
{
    if (Drag.DragActive)
        EndDrag();
    SetCurveSamples(LinkSamples);
}
// Room for the samples and the events after them.
enum { LinkWriteMax = (LinkPieceSize - LinkSamplesLength) / MaxLinkEventLength };
PAGE_EXPORT("linkWriteMax") int32_t PageLinkWriteMax()
{
    return LinkWriteMax;
}
PAGE_EXPORT("writeLink") int32_t PageWriteLink(int32_t count)
{
    if (count < 0 || count > LinkWriteMax)
        return -1;
    size_t length = 0;
    for (int32_t i = 0; i < count; i++) {
        const int32_t *item = LinkItems + 3 * i;
        if (i == 0 && item[0] == 's') {
            if (!WriteLinkSamples(LinkSamples, LinkPiece))
                return -1;
            length = LinkSamplesLength;
            continue;
        }
        ScriptEvent e = {};
        if (item[0] < 0 || item[0] > 255 || !LinkKindOf((unsigned char)item[0], e.kind) || item[1] < 0 ||
            item[1] > 65535 || item[2] < 0 || item[2] > 65535)
            return -1;
        e.x = (uint16_t)item[1], e.y = (uint16_t)item[2];
        length += WriteLinkEvent(e, LinkPiece + length);
    }
    return (int32_t)length;
}
PAGE_EXPORT("writeStateLink") int32_t PageWriteStateLink()
{
    const size_t length = WriteStateLink(LinkPiece);
    return length ? (int32_t)length : -1;
}
