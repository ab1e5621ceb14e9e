// Helpers of the Qt tests: the model's state and pictures compared with the
// replay tool's.
#include "tests/qt/qt_test_support.h"

#include "model/curve.h"
#include "model/drag.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QProcess>
#include <QTest>

#include <string.h>

QString ReplayTool(QString *error)
{
    const QString path = qEnvironmentVariable("BRISQUAL_REPLAY");
    if (path.isEmpty())
        *error = QStringLiteral("BRISQUAL_REPLAY is not set to the brisqual-replay program");
    return path;
}

bool RunReplay(const QStringList &arguments, const QByteArray &script, QByteArray *output, QString *error)
{
    const QString tool = ReplayTool(error);
    if (tool.isEmpty())
        return false;
    QProcess process;
    process.start(tool, arguments + QStringList{QStringLiteral("-")});
    if (!process.waitForStarted(10000)) {
        *error = QStringLiteral("cannot start %1: %2").arg(tool, process.errorString());
        return false;
    }
    process.write(script);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        *error = QStringLiteral("%1 did not finish").arg(tool);
        process.kill();
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = QStringLiteral("%1 failed (%2): %3")
                     .arg(tool)
                     .arg(process.exitCode())
                     .arg(QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

static bool ReadArray(const QJsonObject &object, const char *name, std::vector<double> *values, QString *error)
{
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isArray()) {
        *error = QStringLiteral("no array \"%1\" in the state").arg(QLatin1String(name));
        return false;
    }
    values->clear();
    for (const QJsonValue &v : value.toArray()) {
        if (!v.isDouble()) {
            *error = QStringLiteral("a value of \"%1\" is not a number").arg(QLatin1String(name));
            return false;
        }
        values->push_back(v.toDouble());
    }
    return true;
}

bool SnapshotFromJson(const QByteArray &json, ModelSnapshot *snapshot, QString *error)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (!document.isObject()) {
        *error = QStringLiteral("the state is not a JSON object: %1").arg(parse.errorString());
        return false;
    }
    const QJsonObject state = document.object();
    if (!ReadArray(state, "curve", &snapshot->curve, error) ||
        !ReadArray(state, "integral", &snapshot->integral, error))
        return false;
    snapshot->mean = state.value(QLatin1String("mean")).toDouble();
    const QJsonObject drag = state.value(QLatin1String("drag")).toObject();
    snapshot->active = drag.value(QLatin1String("active")).toInt(-1);
    snapshot->anchor = drag.value(QLatin1String("anchor")).toInt(-1);
    snapshot->lastY = drag.value(QLatin1String("last_y")).toInt(-1);
    return true;
}

ModelSnapshot SnapshotOfModel()
{
    // As the replay tool reports it: after the repaint's running integral.
    ComputeRunningIntegral();
    ModelSnapshot s;
    s.curve.assign(Curve.CurveValues, Curve.CurveValues + SampleCount + 1);
    s.integral.assign(Curve.IntegralValues, Curve.IntegralValues + SampleCount + 1);
    s.mean = MeanLevel();
    s.active = Drag.DragActive;
    s.anchor = Drag.AnchorIndex;
    s.lastY = Drag.LastPointerY;
    return s;
}

static bool SameBits(double a, double b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

static QString CompareArrays(const char *name, const std::vector<double> &expected, const std::vector<double> &actual)
{
    if (expected.size() != actual.size())
        return QStringLiteral("%1: %2 values, expected %3")
            .arg(QLatin1String(name))
            .arg(actual.size())
            .arg(expected.size());
    for (size_t i = 0; i < expected.size(); i++) {
        if (!SameBits(expected[i], actual[i]))
            return QStringLiteral("%1[%2] is %3, expected %4")
                .arg(QLatin1String(name))
                .arg(i)
                .arg(actual[i], 0, 'g', 17)
                .arg(expected[i], 0, 'g', 17);
    }
    return QString();
}

QString DescribeDifference(const ModelSnapshot &expected, const ModelSnapshot &actual)
{
    QString d = CompareArrays("curve", expected.curve, actual.curve);
    if (d.isEmpty())
        d = CompareArrays("integral", expected.integral, actual.integral);
    if (d.isEmpty() && !SameBits(expected.mean, actual.mean))
        d = QStringLiteral("mean is %1, expected %2").arg(actual.mean, 0, 'g', 17).arg(expected.mean, 0, 'g', 17);
    if (d.isEmpty() &&
        (expected.active != actual.active || expected.anchor != actual.anchor || expected.lastY != actual.lastY))
        d = QStringLiteral("drag is active %1 anchor %2 last y %3, expected %4 %5 %6")
                .arg(actual.active)
                .arg(actual.anchor)
                .arg(actual.lastY)
                .arg(expected.active)
                .arg(expected.anchor)
                .arg(expected.lastY);
    return d;
}

QString DescribeDifference(const QImage &expected, const QImage &actual)
{
    if (expected.size() != actual.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    int differing = 0;
    QString first;
    for (int y = 0; y < expected.height(); y++) {
        for (int x = 0; x < expected.width(); x++) {
            const QRgb e = expected.pixel(x, y) & 0xFFFFFF, a = actual.pixel(x, y) & 0xFFFFFF;
            if (e != a) {
                if (differing++ == 0)
                    first = QStringLiteral("(%1, %2) is %3, expected %4")
                                .arg(x)
                                .arg(y)
                                .arg(a, 6, 16, QLatin1Char('0'))
                                .arg(e, 6, 16, QLatin1Char('0'));
            }
        }
    }
    if (differing == 0)
        return QString();
    return QStringLiteral("%1 pixels differ; first %2").arg(differing).arg(first);
}

static Qt::MouseButtons HeldButtons;

void ReleaseHeldButtons(QWindow *window)
{
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        if (HeldButtons & button)
            QTest::mouseRelease(window, button, Qt::NoModifier, QPoint(-40, -40));
    }
    HeldButtons = Qt::NoButton;
}

bool PlayEvents(QWindow *window, const QString &events, QString *error)
{
    int number = 0;
    for (const QString &raw : events.split(QLatin1Char('\n'))) {
        number++;
        const QStringList words = raw.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const QString &verb = words[0];
        if (verb == QLatin1String("key") && words.size() == 2) {
            const QKeySequence sequence(words[1]);
            if (sequence.isEmpty()) {
                *error = QStringLiteral("line %1: unknown key %2").arg(number).arg(words[1]);
                return false;
            }
            QTest::keyClick(window, sequence[0].key(), sequence[0].keyboardModifiers());
            continue;
        }
        bool okX = false, okY = false;
        const QPoint at(words.value(1).toInt(&okX), words.value(2).toInt(&okY));
        if (words.size() != 3 || !okX || !okY) {
            *error = QStringLiteral("line %1: cannot read '%2'").arg(number).arg(raw);
            return false;
        }
        static const struct {
            const char *press, *release;
            Qt::MouseButton button;
        } buttons[] = {
            {"down", "up", Qt::LeftButton}, {"rdown", "rup", Qt::RightButton}, {"mdown", "mup", Qt::MiddleButton}};
        bool handled = false;
        for (const auto &b : buttons) {
            if (verb == QLatin1String(b.press)) {
                QTest::mousePress(window, b.button, Qt::NoModifier, at);
                HeldButtons |= b.button;
                handled = true;
            } else if (verb == QLatin1String(b.release)) {
                QTest::mouseRelease(window, b.button, Qt::NoModifier, at);
                HeldButtons &= ~Qt::MouseButtons(b.button);
                handled = true;
            }
        }
        if (handled)
            continue;
        if (verb == QLatin1String("move"))
            QTest::mouseMove(window, at);
        else if (verb == QLatin1String("dclick"))
            QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, at);
        else {
            *error = QStringLiteral("line %1: unknown event '%2'").arg(number).arg(verb);
            return false;
        }
    }
    return true;
}
