#include "render.h"

#include <cstdio>

int runRender(const QStringList& args)
{
    Q_UNUSED(args)
    std::fputs("tavtool: render is not available in this build\n", stderr);
    return 2;
}
