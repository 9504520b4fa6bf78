// SPDX-License-Identifier: GPL-3.0-or-later
#include "CVarnelApp.h"
#include "CommandLine.h"
#include "CommandRunner.h"
#include "ProcessLog.h"
#include "QtBusThread.h"

#include <algorithm>

int main(int argc, char **argv)
{
    QtBusThread::startOutsideLeakCheck();
    ProcessLog::install(ProcessLog::takeVerbose(argc, argv));
    const CommandLine::Parsed parsed =
        CommandLine::parse(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (!parsed.command || parsed.command->kind != CommandLine::Kind::StartPanel)
        return CommandRunner::runFromMain(parsed, argc, argv);
    CVarnelApp app;
    return app.run(argc, argv, parsed.command->hidden);
}
