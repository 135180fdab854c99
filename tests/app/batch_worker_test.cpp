// The worker processes of a batch: how they are run and how their ends are read.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "app/batch_file_task.h"
#include "app/batch_process_pool.h"
#include "support/temp_dir.h"

namespace brivo::app {
namespace {

std::vector<std::string> shell(const std::string& script) {
    return {"/bin/sh", "-c", script};
}

TEST(ProcessPool, CollectsEveryEndWithinItsSlots) {
    test::TempDir dir;
    const std::string running = (dir / "running").string();
    std::filesystem::create_directory(running);
    // Each command marks itself while it runs and fails if it ever sees more than two marks.
    std::vector<std::vector<std::string>> commands;
    for (int i = 0; i < 9; ++i)
        commands.push_back(shell("cd " + running + " && touch $$ && n=$(ls | wc -l) && " +
                                 "sleep 0.05 && rm $$ && echo line-" + std::to_string(i) +
                                 " >&2; [ $n -le 2 ] || exit 9; exit " + std::to_string(i % 3)));
    commands.push_back({(dir / "no-such-program").string()});
    commands.push_back(shell("kill -TERM $$"));

    std::vector<ProcessOutcome> outcomes(commands.size());
    std::vector<int> seen(commands.size(), 0);
    ProcessPool pool(2);
    std::vector<int> asked(commands.size(), 0);
    const size_t notStarted = pool.run(
        commands.size(),
        [&](size_t i) {
            ++asked[i];
            return commands[i];
        },
        [&](size_t i, const ProcessOutcome& outcome) {
            outcomes[i] = outcome;
            ++seen[i];
        });
    EXPECT_EQ(notStarted, 0u);
    EXPECT_FALSE(pool.stopped());
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(seen[i], 1);
        EXPECT_EQ(asked[i], 1);
        EXPECT_EQ(outcomes[i].exitStatus, i % 3) << i;
        EXPECT_EQ(outcomes[i].errorText, "line-" + std::to_string(i) + "\n");
    }
    EXPECT_EQ(outcomes[9].exitStatus, 127);
    EXPECT_NE(outcomes[9].errorText.find("cannot start"), std::string::npos);
    EXPECT_EQ(outcomes[10].signal, SIGTERM);
    EXPECT_EQ(outcomes[10].exitStatus, -1);
}

TEST(ProcessPool, KeepsOnlyTheEndOfEndlessMessages) {
    ProcessPool pool(1);
    ProcessOutcome outcome;
    pool.run(
        1,
        [](size_t) {
            return shell("yes 'chatter chatter chatter' | head -c 3000000 >&2; echo 'the end' >&2");
        },
        [&](size_t, const ProcessOutcome& ended) { outcome = ended; });
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_LE(outcome.errorText.size(), 64u * 1024);
    EXPECT_TRUE(outcome.errorText.ends_with("chatter\nthe end\n"));
}

TEST(FileTaskResult, ReadsSizeMessagesAndEnds) {
    const auto resultOf = [](int exitStatus, int signal, const std::string& text) {
        return fileTaskResult({exitStatus, signal, text, 1.5});
    };
    FileResult ok = resultOf(0, 0,
                             "module: x\nimage: 4000 x 3000 RGB\nbrivo: warning: pattern not "
                             "used: missing\nwrote out.jpg\n");
    EXPECT_EQ(ok.status, FileStatus::ok);
    EXPECT_DOUBLE_EQ(ok.megapixels, 12.0);
    EXPECT_DOUBLE_EQ(ok.seconds, 1.5);
    EXPECT_EQ(ok.message, "warning: pattern not used: missing");
    EXPECT_EQ(resultOf(0, 0, "image: 3 x 2 Grayscale\n").message, "");

    const FileResult failed =
        resultOf(1, 0, "image: 3 x 2 Gray\nbrivo: warning: w\nbrivo: a.png: cannot write\n");
    EXPECT_EQ(failed.status, FileStatus::failed);
    EXPECT_EQ(failed.message, "a.png: cannot write");
    EXPECT_DOUBLE_EQ(failed.megapixels, 6e-6);

    const FileResult crashed = resultOf(-1, SIGSEGV, "image: 3 x 2 Gray\n");
    EXPECT_EQ(crashed.status, FileStatus::failed);
    EXPECT_NE(crashed.message.find("signal 11"), std::string::npos) << crashed.message;
    EXPECT_EQ(resultOf(7, 0, "").message, "failed with exit status 7");

    EXPECT_EQ(resultOf(130, 0, "brivo: cancelled\n").status, FileStatus::cancelled);
    EXPECT_EQ(resultOf(-1, SIGINT, "").status, FileStatus::cancelled);
}

}  // namespace
}  // namespace brivo::app
