// The packer's commands: create, info and extract.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs one command line (without the program name); returns the exit code.
int RunPanopack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
