// Runs a program and collects its exit status and output.
#pragma once

#include <string>
#include <vector>

namespace brivo::test {

struct CommandResult {
    int exitStatus = -1;  // the program's exit status, or 128 + signal when killed
    std::string out;
    std::string err;
};

CommandResult runCommand(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace brivo::test
