// The sample GUI engine for tests and the demo; see README.md beside this file.
#include "ServerProcess.h"

int main(int argc, char** argv)
{
    return sampleengine::RunProgram(std::vector<std::string>(argv + 1, argv + argc));
}
