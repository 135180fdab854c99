#include <exception>
#include <iostream>
#include <variant>

#include "app/about_command.h"
#include "app/apply_command.h"
#include "app/batch_command.h"
#include "app/command_line.h"
#include "app/info_command.h"

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace brivo::app;
    try {
        const ParsedCommandLine parsed = parseCommandLine(argc, argv);
        if (!parsed.command) return parsed.exitStatus;
        return std::visit(Overloaded{[](const ApplyOptions& options) {
                                         return options.batch.requested(options.output)
                                                    ? runBatch(options)
                                                    : runApply(options);
                                     },
                                     [](const InfoOptions& options) { return runInfo(options); },
                                     [](const AboutOptions& options) { return runAbout(options); }},
                          *parsed.command);
    } catch (const std::exception& error) {
        std::cerr << "brivo: " << error.what() << '\n';
        return 1;
    }
}
