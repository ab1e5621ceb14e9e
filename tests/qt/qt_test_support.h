// Shared by the Qt front end's tests: runs the replay tool, reads its state
// back, and plays mouse and key events into a window through Qt's own event
// delivery (so Qt's implicit pointer grab takes part, as on a real screen).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QWindow>

#include <vector>

struct ModelSnapshot {
    std::vector<double> curve, integral;
    double mean = 0.0;
    int active = 0, anchor = 0, lastY = 0;
};

// The replay tool named by BRISQUAL_REPLAY; empty (with `error` set) if unset.
QString ReplayTool(QString *error);

// Runs the replay tool on `script` with `arguments`; false with `error` set
// when it cannot be run or fails.
bool RunReplay(const QStringList &arguments, const QByteArray &script, QByteArray *output, QString *error);

bool SnapshotFromJson(const QByteArray &json, ModelSnapshot *snapshot, QString *error);
ModelSnapshot SnapshotOfModel();   // the curve model in this process

// The first difference, bit for bit, or an empty string when they agree.
QString DescribeDifference(const ModelSnapshot &expected, const ModelSnapshot &actual);
QString DescribeDifference(const QImage &expected, const QImage &actual);

// Plays events, one a line, in window coordinates: "down X Y" / "up X Y" /
// "move X Y" for the left button, "rdown"/"rup" and "mdown"/"mup" for the
// right and middle ones, "dclick X Y", "key NAME" (a QKeySequence name).
// Returns false with `error` set for a line it does not understand.
bool PlayEvents(QWindow *window, const QString &events, QString *error);

// Lets go of every button PlayEvents left held, away from the window, so
// that the next test starts with none held.
void ReleaseHeldButtons(QWindow *window);
