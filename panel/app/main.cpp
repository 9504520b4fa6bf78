#include "CVarnelApp.h"

int main(int argc, char **argv)
{
    CVarnelApp app;
    return app.run(argc, argv);
}
