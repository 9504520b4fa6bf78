// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardProbe.h"

#include "DeviceConnection.h"
#include "DeviceNodeAccess.h"
#include "ReportDescriptor.h"
#include "ReportHex.h"

#include <QJsonArray>

#include <cstring>

namespace fs = std::filesystem;

namespace {

const QString kReportIt =
    QStringLiteral("report it, see README 'Reporting a problem with your card'");
// What the card's control interface sends and takes, without a report id.
constexpr std::size_t kReportBytes = 15;

QString hex4(unsigned value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString hexOf(const QByteArray &bytes)
{
    return ReportHex::bytes(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString nodePath(const HidrawSysfs::Node &node)
{
    return QStringLiteral("/dev/") + QString::fromStdString(node.deviceName);
}

QJsonValue stateReadJson(const std::optional<CardLink::StateRead> &read)
{
    if (!read)
        return QJsonValue::Null;
    QJsonArray others;
    for (const QByteArray &report : read->others)
        others.append(hexOf(report));
    const bool answered = read->received.has_value();
    return QJsonObject{
        {"sent", hexOf(read->sent)},
        {"received", answered ? QJsonValue(hexOf(*read->received)) : QJsonValue::Null},
        {"round_trip_ms", answered ? QJsonValue(read->roundTripMs) : QJsonValue::Null},
        {"checksum",
         answered ? QJsonValue(read->checksumRight ? "right" : "wrong") : QJsonValue::Null},
        {"other_reports", others}};
}

// The sysfs node the library tries first, where both know it.
const HidrawSysfs::Node *firstTried(const CardLink::Result &link,
                                    const std::vector<HidrawSysfs::Node> &nodes)
{
    if (!link.interfaces || link.interfaces->empty())
        return nodes.empty() ? nullptr : &nodes.front();
    for (const HidrawSysfs::Node &node : nodes) {
        if (nodePath(node) == link.interfaces->front().path)
            return &node;
    }
    return nullptr;
}

// How the control interface's reports differ from the card's, as its
// descriptor declares them; empty when they do not.
QString shapeDifference(const HidrawSysfs::Node *node)
{
    if (!node || node->reportDescriptor.empty())
        return {};
    const ReportDescriptor descriptor = ReportDescriptor::parse(node->reportDescriptor);
    QStringList differences;
    if (!descriptor.reportIds().empty())
        differences
            << QStringLiteral("numbered reports (id %1)").arg(descriptor.reportIds().front());
    if (descriptor.inputReportBytes() != kReportBytes)
        differences << QStringLiteral("%1-byte input reports").arg(descriptor.inputReportBytes());
    if (descriptor.outputReportBytes() != kReportBytes)
        differences << QStringLiteral("%1-byte output reports").arg(descriptor.outputReportBytes());
    if (differences.isEmpty())
        return {};
    return QStringLiteral("; %1 declares %2 where the card has unnumbered %3-byte reports")
        .arg(nodePath(*node), differences.join(QStringLiteral(", ")))
        .arg(kReportBytes);
}

std::optional<DiagnosisProblem> openProblem(const CardLink::Result &link,
                                            const std::vector<HidrawSysfs::Node> &nodes,
                                            const std::optional<fs::path> &rule)
{
    switch (link.open) {
    case CardLink::Open::NoLibrary:
        return DiagnosisProblem{
            QStringLiteral("the HID library could not be loaded: %1").arg(link.libraryError),
            QStringLiteral("reinstall Orlenta: its program folder lacks a working %1")
                .arg(link.libraryPath)};
    case CardLink::Open::NotFound:
        if (!nodes.empty())
            return DiagnosisProblem{
                QStringLiteral("the kernel shows the card (%1), but the HID library finds none")
                    .arg(nodePath(nodes.front())),
                kReportIt};
        return DiagnosisProblem{
            QStringLiteral("the card (USB 0c45:1f7d) was not found"),
            QStringLiteral("plug the card in; if it is, try another USB port or cable "
                           "(lsusb should list 0c45:1f7d)")};
    case CardLink::Open::Denied:
        if (rule)
            return DiagnosisProblem{
                QStringLiteral("the card's hidraw node is not readable by you, although the udev "
                               "rule is installed (%1)")
                    .arg(QString::fromStdString(rule->string())),
                QStringLiteral("unplug the card and plug it in again; the rule lets in the user "
                               "logged in at the seat only")};
        return DiagnosisProblem{
            QStringLiteral("the card's hidraw node is not readable by you"),
            QStringLiteral("install the udev rule, see README 'Running against a real card'")};
    case CardLink::Open::Failed:
        return DiagnosisProblem{
            QStringLiteral("the card could not be opened: %1").arg(errorText(link.openError)),
            QStringLiteral("unplug the card and plug it in again; if that does not help, ") +
                kReportIt};
    case CardLink::Open::PanelDidNotAnswer:
        return DiagnosisProblem{
            QStringLiteral("the running panel did not answer for the card"),
            QStringLiteral("end the panel (its tray menu's Exit, or kill it) and run orlenta "
                           "diagnose again; a panel that hangs is a fault: ") +
                kReportIt};
    case CardLink::Open::Opened:
        break;
    }
    return std::nullopt;
}

std::optional<DiagnosisProblem> readProblem(const CardLink::Result &link,
                                            const std::vector<HidrawSysfs::Node> &nodes)
{
    if (!link.stateRead)
        return std::nullopt;
    const QString shape = shapeDifference(firstTried(link, nodes));
    if (!link.stateRead->received)
        return DiagnosisProblem{
            QStringLiteral("the card did not answer the state read") + shape,
            QStringLiteral("unplug the card and plug it in again; if it stays silent, ") +
                kReportIt};
    if (!link.stateRead->checksumRight)
        return DiagnosisProblem{
            QStringLiteral("the card's answer to the state read has a wrong checksum") + shape,
            kReportIt};
    return std::nullopt;
}

} // namespace

std::vector<fs::path> CardProbe::systemUdevRuleFolders()
{
    return {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d",
            "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
}

bool CardProbe::cardPresent(const QJsonObject &section)
{
    const QString open = section.value("open").toObject().value("result").toString();
    return open == CardLink::openText(CardLink::Open::Opened) ||
           open == CardLink::openText(CardLink::Open::Denied) ||
           open == CardLink::openText(CardLink::Open::Failed);
}

ProbeResult CardProbe::run() const
{
    const CardLink::Result link = setup_.link ? setup_.link->inspect() : CardLink::Result{};
    const std::vector<HidrawSysfs::Node> nodes =
        HidrawSysfs(setup_.sysRoot)
            .nodesWithIds(DeviceConnection::kDefaultVendorId, DeviceConnection::kDefaultProductId);
    const std::optional<fs::path> rule = installedRule();

    ProbeResult result;
    result.section = QJsonObject{
        {"ids", QStringLiteral("%1:%2").arg(hex4(DeviceConnection::kDefaultVendorId),
                                            hex4(DeviceConnection::kDefaultProductId))},
        {"interfaces", interfaces(link, nodes)},
        {"udev_rule", rule ? QJsonValue(QString::fromStdString(rule->string())) : QJsonValue::Null},
        {"through", link.throughRunningPanel ? QStringLiteral("running panel")
                                             : QStringLiteral("HID library")},
        {"open", QJsonObject{{"result", CardLink::openText(link.open)},
                             {"error", link.openError ? QJsonValue(errorText(link.openError))
                                                      : QJsonValue::Null}}},
        {"state_read", stateReadJson(link.stateRead)}};
    for (const auto &problem : {openProblem(link, nodes, rule), readProblem(link, nodes)}) {
        if (problem)
            result.problems.push_back(*problem);
    }
    return result;
}

std::optional<fs::path> CardProbe::installedRule() const
{
    for (const fs::path &folder : setup_.udevRuleFolders) {
        std::error_code error;
        if (fs::exists(folder / kUdevRuleName, error))
            return folder / kUdevRuleName;
    }
    return std::nullopt;
}

// One entry per node: the library's in the order it tries them (what hidapi
// says of a node wins over what its descriptor says), then the ones only the
// kernel shows.
QJsonArray CardProbe::interfaces(const CardLink::Result &link,
                                 const std::vector<HidrawSysfs::Node> &nodes) const
{
    QJsonArray entries;
    std::vector<bool> shown(nodes.size(), false);
    QStringList listed;
    const std::vector<CardLink::Interface> none;
    int order = 0;
    for (const CardLink::Interface &interface : link.interfaces.value_or(none)) {
        // hidapi lists a node once per top-level collection; the library
        // tries each node once.
        if (listed.contains(interface.path))
            continue;
        listed << interface.path;
        ++order;
        QJsonObject entry;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodePath(nodes[i]) == interface.path) {
                entry = nodeFields(nodes[i]);
                shown[i] = true;
            }
        }
        entry.insert("node", interface.path);
        entry.insert("interface", interface.number);
        entry.insert("usage_page", hex4(interface.usagePage));
        entry.insert("usage", hex4(interface.usage));
        entry.insert("library_order", order);
        entries.append(entry);
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (!shown[i])
            entries.append(nodeFields(nodes[i]));
    }
    return entries;
}

// What the kernel tells of a node: what it is, its reports' shape and who
// may open it.
QJsonObject CardProbe::nodeFields(const HidrawSysfs::Node &node) const
{
    const ReportDescriptor descriptor = ReportDescriptor::parse(node.reportDescriptor);
    QJsonArray ids;
    for (const std::uint8_t id : descriptor.reportIds())
        ids.append(id);
    const DeviceNodeAccess::Inspection access =
        DeviceNodeAccess::inspect(setup_.devRoot / node.deviceName);
    QJsonArray acl;
    for (const std::string &entry : access.acl)
        acl.append(QString::fromStdString(entry));
    return QJsonObject{
        {"node", nodePath(node)},
        {"interface", node.interfaceNumber},
        {"usage_page", hex4(descriptor.usagePage())},
        {"usage", hex4(descriptor.usage())},
        {"report_ids", ids},
        {"input_report_bytes", static_cast<qint64>(descriptor.inputReportBytes())},
        {"output_report_bytes", static_cast<qint64>(descriptor.outputReportBytes())},
        {"owner",
         access.exists ? QJsonValue(QString::fromStdString(access.owner)) : QJsonValue::Null},
        {"group",
         access.exists ? QJsonValue(QString::fromStdString(access.group)) : QJsonValue::Null},
        {"mode", access.exists
                     ? QJsonValue(QStringLiteral("%1").arg(access.mode, 4, 8, QLatin1Char('0')))
                     : QJsonValue::Null},
        {"you_can_open", access.openError == 0},
        {"open_error",
         access.openError ? QJsonValue(errorText(access.openError)) : QJsonValue::Null},
        {"acl", acl}};
}
