#include "CVarnelApp.h"
#include "CommandRunner.h"

int main(int argc, char **argv)
{
    if (const std::optional<int> status = CommandRunner::runFromMain(argc, argv))
        return *status;
    CVarnelApp app;
    return app.run(argc, argv);
}
