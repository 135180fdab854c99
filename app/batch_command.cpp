#include "app/batch_command.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <thread>

#include "app/action_hash.h"
#include "app/batch_file_task.h"
#include "app/batch_inputs.h"
#include "app/batch_outputs.h"
#include "app/batch_process_pool.h"
#include "app/batch_progress.h"
#include "app/batch_report.h"
#include "host/scripting/action_file.h"
#include "host/scripting/parameter_catalog.h"

namespace brivo::app {

namespace {

namespace fs = std::filesystem;

int fail(const std::string& message) {
    std::cerr << "brivo: " << message << '\n';
    return kExitFailure;
}

// The parameters as an action file that every worker replays; removed with this object.
class ActionForWorkers {
  public:
    explicit ActionForWorkers(const host::DescriptorValues& values) {
        std::string pattern = (fs::temp_directory_path() / "brivo-batch-XXXXXX.json").string();
        const int fd = mkstemps(pattern.data(), 5);
        if (fd < 0) throw std::runtime_error("cannot create a temporary action file");
        close(fd);
        path_ = pattern;
        host::saveAction(path_, values);
    }
    ~ActionForWorkers() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    ActionForWorkers(const ActionForWorkers&) = delete;
    ActionForWorkers& operator=(const ActionForWorkers&) = delete;

    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// The executable that is running, which filters each file.
fs::path thisProgram() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) throw std::runtime_error("cannot find the brivo program: " + error.message());
    return program;
}

// The cores this process may run on: those a scheduler's CPU set leaves it, else all.
size_t availableCores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<size_t>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

// The module's own worker threads share the cores with the jobs: each of J jobs gets
// cores / J threads, unless the user chose a count.
void shareCoresWithModuleThreads(size_t jobs) {
    if (std::getenv("BRIVO_THREADS")) return;
    const size_t threads = std::max<size_t>(1, availableCores() / std::max<size_t>(1, jobs));
    setenv("BRIVO_THREADS", std::to_string(threads).c_str(), 1);
}

struct Plan {
    std::vector<BatchInput> inputs;
    std::vector<fs::path> outputs;
};

Plan planBatch(const ApplyOptions& options) {
    const BatchOptions& batch = options.batch;
    std::vector<BatchInput> inputs = expandInputs(batch.inputs, batch.recursive);
    if (batch.shard) inputs = shardOf(inputs, parseShard(*batch.shard));
    std::vector<fs::path> outputs =
        planOutputs(inputs, OutputNaming(options.output, options.format));
    return {std::move(inputs), std::move(outputs)};
}

// Opening the report empties it, so it must be none of the batch's files.
void checkReportPath(const fs::path& report, const Plan& plan) {
    std::error_code error;
    const fs::path id = fs::weakly_canonical(report, error);
    const auto same = [&](const fs::path& path) {
        std::error_code ignored;
        return fs::weakly_canonical(path, ignored) == id;
    };
    if (std::ranges::any_of(plan.inputs, same, &BatchInput::path) ||
        std::ranges::any_of(plan.outputs, same))
        throw std::invalid_argument("the report " + report.string() +
                                    " would replace one of the batch's images");
}

// Makes the folder an output goes to; the message when that fails.
std::optional<std::string> prepareFolder(const fs::path& output) {
    std::error_code error;
    if (output.has_parent_path()) fs::create_directories(output.parent_path(), error);
    if (!error) return std::nullopt;
    return "cannot create the folder " + output.parent_path().string() + ": " + error.message();
}

}  // namespace

int runBatch(const ApplyOptions& options) {
    const BatchOptions& batch = options.batch;
    const auto standardStream = [](const std::string& path) { return path == "-"; };
    if (standardStream(options.output) || std::ranges::any_of(batch.inputs, standardStream))
        return fail("standard input and output (-) take one file, not a batch");
    if (options.record)
        return fail(
            "--record takes one input: record the action on one file, then replay it on "
            "the batch with --action");

    Plan plan;
    host::DescriptorValues parameters;
    std::optional<ActionForWorkers> action;
    std::optional<BatchReport> report;
    FileTaskSettings settings;
    try {
        plan = planBatch(options);
        if (!fs::is_regular_file(options.module))
            return fail("cannot find the filter module " + options.module.string());
        ParameterSources sources = options.parameters;
        sources.patternFolder = options.module.parent_path() / "Patterns";
        GatheredParameters gathered =
            gatherParameters(sources, host::ParameterCatalog::ofModule(options.module));
        for (const std::string& warning : gathered.warnings)
            std::cerr << "brivo: warning: " << warning << '\n';
        parameters = std::move(gathered.values);
        action.emplace(parameters);
        if (batch.report) {
            checkReportPath(*batch.report, plan);
            report.emplace(*batch.report, actionHash(parameters));
        }
        settings = {thisProgram(), fs::absolute(options.module), action->path(), options};
    } catch (const std::exception& error) {
        return fail(error.what());
    }

    const size_t jobs = batch.jobs ? static_cast<size_t>(*batch.jobs) : availableCores();
    BatchProgress progress(stderr, plan.inputs.size());
    bool reportComplete = true;
    const auto record = [&](size_t i, const FileResult& result) {
        progress.fileEnded(plan.inputs[i].path, result);
        if (report) reportComplete &= report->add(plan.inputs[i].path, plan.outputs[i], result);
        if (options.verbose && result.status == FileStatus::ok)
            std::cerr << plan.inputs[i].path.string() << " -> " << plan.outputs[i].string() << " ("
                      << result.megapixels << " MP, " << result.seconds << " s)\n";
    };

    std::vector<size_t> toRun;
    for (size_t i = 0; i < plan.inputs.size(); ++i) {
        std::error_code error;
        if (batch.skipExisting && fs::exists(plan.outputs[i], error)) {
            record(i, {FileStatus::skipped, "", 0, 0});
            continue;
        }
        if (const auto problem = prepareFolder(plan.outputs[i])) {
            record(i, {FileStatus::failed, *problem, 0, 0});
            continue;
        }
        toRun.push_back(i);
    }
    shareCoresWithModuleThreads(std::min(jobs, toRun.size()));
    ProcessPool pool(jobs);
    const size_t notStarted = pool.run(
        toRun.size(),
        [&](size_t k) {
            return fileTaskCommand(settings, plan.inputs[toRun[k]].path, plan.outputs[toRun[k]]);
        },
        [&](size_t k, const ProcessOutcome& outcome) {
            record(toRun[k], fileTaskResult(outcome));
        });

    progress.printSummary();
    if (pool.stopped() && (notStarted > 0 || progress.cancelled() > 0)) return kExitCancelled;
    if (!reportComplete) return fail("the report " + *batch.report + " is incomplete");
    return progress.failed() + progress.cancelled() > 0 ? kExitSomeFailed : kExitSuccess;
}

}  // namespace brivo::app
