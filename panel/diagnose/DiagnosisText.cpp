// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosisText.h"

#include <QJsonArray>

#include <limits>

namespace {

constexpr int kIndent = 2;

QString scalar(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return QStringLiteral("-");
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    case QJsonValue::Double: {
        // Every JSON number is a double; sizes in bytes must not turn into
        // "1.764e+06".
        constexpr qint64 kNotWhole = std::numeric_limits<qint64>::min();
        const qint64 whole = value.toInteger(kNotWhole);
        return whole != kNotWhole ? QString::number(whole) : QString::number(value.toDouble());
    }
    default:
        return value.toString();
    }
}

void appendValue(QString &text, const QString &key, const QJsonValue &value, int depth);

void appendObject(QString &text, const QJsonObject &object, int depth)
{
    for (auto field = object.begin(); field != object.end(); ++field)
        appendValue(text, field.key(), field.value(), depth);
}

void appendValue(QString &text, const QString &key, const QJsonValue &value, int depth)
{
    const QString indent(depth * kIndent, QLatin1Char(' '));
    if (value.isObject()) {
        text += indent + key + QStringLiteral(":\n");
        appendObject(text, value.toObject(), depth + 1);
        return;
    }
    if (!value.isArray()) {
        text += indent + key + QStringLiteral(": ") + scalar(value) + QLatin1Char('\n');
        return;
    }
    const QJsonArray items = value.toArray();
    if (items.isEmpty()) {
        text += indent + key + QStringLiteral(": none\n");
        return;
    }
    text += indent + key + QStringLiteral(":\n");
    for (int i = 0; i < items.size(); ++i) {
        if (items[i].isObject()) {
            text +=
                indent + QString(kIndent, QLatin1Char(' ')) + QStringLiteral("- %1\n").arg(i + 1);
            appendObject(text, items[i].toObject(), depth + 2);
        } else {
            text += indent + QString(kIndent, QLatin1Char(' ')) + QStringLiteral("- ") +
                    scalar(items[i]) + QLatin1Char('\n');
        }
    }
}

} // namespace

QString DiagnosisText::render(const DiagnosisReport &report)
{
    QString text;
    for (const char *name : DiagnosisReport::kSections) {
        text += QLatin1String(name) + QLatin1Char('\n');
        const QJsonObject &section = report.section(name);
        if (section.isEmpty())
            text += QString(kIndent, QLatin1Char(' ')) + QStringLiteral("(not examined)\n");
        appendObject(text, section, 1);
        text += QLatin1Char('\n');
    }
    if (report.problems.empty())
        return text + QStringLiteral("problems: none found\n");
    text += QStringLiteral("problems:\n");
    for (const DiagnosisProblem &problem : report.problems)
        text += QStringLiteral("  - %1\n    fix: %2\n").arg(problem.what, problem.fix);
    return text;
}
