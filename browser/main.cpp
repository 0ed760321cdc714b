#include "program.h"

int main(int argc, char *argv[])
{
    return tamsel::runProgram(argc, argv);
}
