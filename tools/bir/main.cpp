// bir: looks into BioAPI biometric information records from the command line.
#include <iostream>

#include "command_line.h"

int main(int argc, char** argv) {
  return bir_tool::RunCommandLine(argc, argv, std::cout, std::cerr);
}
