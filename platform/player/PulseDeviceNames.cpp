// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseDeviceNames.h"

#include <pulse/pulseaudio.h>

namespace {
struct Listing {
    PulseConnection *connection;
    std::vector<std::string> names;
};

void onSink(pa_context *, const pa_sink_info *info, int last, void *data)
{
    auto *listing = static_cast<Listing *>(data);
    if (last || !info) {
        listing->connection->signal();
        return;
    }
    listing->names.emplace_back(info->description ? info->description : info->name);
}

void onSource(pa_context *, const pa_source_info *info, int last, void *data)
{
    auto *listing = static_cast<Listing *>(data);
    if (last || !info) {
        listing->connection->signal();
        return;
    }
    if (info->monitor_of_sink == PA_INVALID_INDEX)
        listing->names.emplace_back(info->description ? info->description : info->name);
}
} // namespace

PulseDeviceNames::PulseDeviceNames() : connection_("Orlenta recorder devices") {}

std::vector<std::string> PulseDeviceNames::outputs()
{
    Listing listing{&connection_, {}};
    if (!connection_.ensureReady())
        return {};
    connection_.lock();
    connection_.await(pa_context_get_sink_info_list(connection_.context(), onSink, &listing));
    connection_.unlock();
    return listing.names;
}

std::vector<std::string> PulseDeviceNames::inputs()
{
    Listing listing{&connection_, {}};
    if (!connection_.ensureReady())
        return {};
    connection_.lock();
    connection_.await(pa_context_get_source_info_list(connection_.context(), onSource, &listing));
    connection_.unlock();
    return listing.names;
}
