#include "benchmain.h"

#include <QApplication>

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
