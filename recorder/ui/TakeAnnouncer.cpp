// SPDX-License-Identifier: GPL-3.0-or-later
#include "TakeAnnouncer.h"

#include <QWidget>

namespace {
QString lengthText(double seconds)
{
    return QStringLiteral("Take %1 s").arg(seconds, 0, 'f', 1);
}

QString markText(const char *mark, unsigned ms)
{
    return QStringLiteral("%1 %2 s").arg(QLatin1String(mark)).arg(ms / 1000);
}

// "No take", "Recording", or the length with the marks that are set.
QString summary(const TakeModel &model, std::optional<double> takeSeconds)
{
    if (model.recordShowsStop() || model.mode() == TakeModel::Mode::Stopping)
        return QStringLiteral("Recording");
    if (!model.hasTake() || !takeSeconds)
        return QStringLiteral("No take");
    QString text = lengthText(*takeSeconds);
    const TakeMarks &marks = model.marks();
    if (marks.startSet)
        text += QStringLiteral(", ") + markText("start", marks.startMs);
    if (marks.endSet)
        text += QStringLiteral(", ") + markText("end", marks.endMs);
    return text;
}

// Only a change is told: the window renders on every captured block.
void describe(QWidget *control, const QString &description)
{
    if (control->accessibleDescription() != description)
        control->setAccessibleDescription(description);
}
} // namespace

void TakeAnnouncer::show(const TakeModel &model, std::optional<double> takeSeconds) const
{
    const QString whole = summary(model, takeSeconds);
    describe(controls_.waveform, whole);
    describe(controls_.position, whole);
    const bool taken = model.hasTake() && takeSeconds;
    describe(controls_.record, taken ? lengthText(*takeSeconds) : QString());
    const TakeMarks &marks = model.marks();
    describe(controls_.start, marks.startSet ? markText("Start", marks.startMs) : QString());
    describe(controls_.end, marks.endSet ? markText("End", marks.endMs) : QString());
}
