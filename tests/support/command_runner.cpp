#include "support/command_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace brivo::test {

namespace {

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

CommandResult runCommand(const std::string& program, const std::vector<std::string>& arguments) {
    const TempDir outputs;
    std::string command = quoted(program);
    for (const auto& argument : arguments) command += ' ' + quoted(argument);
    command += " >" + quoted((outputs / "out").string()) + " 2>" +
               quoted((outputs / "err").string()) + " </dev/null";
    const int status = std::system(command.c_str());
    CommandResult result;
    if (status != -1 && WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    else if (status != -1 && WIFSIGNALED(status))
        result.exitStatus = 128 + WTERMSIG(status);
    result.out = slurp(outputs / "out");
    result.err = slurp(outputs / "err");
    return result;
}

}  // namespace brivo::test
