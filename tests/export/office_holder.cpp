// Starts an office and then waits to be killed; the test kills it and checks that the
// office does not outlive it.
#include "export/OfficeProcess.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    OfficeProcess office;
    if (!office.launch())
        return 1;
    std::printf("launched\n");
    std::fflush(stdout);
    for (int i = 0; i < 600; ++i) // bounded: ends by itself after a minute
        QThread::msleep(100);
    return 0;
}
