// The files a batch filters: inputs expanded from files and folders, sorted, and cut into
// shards so that several processes or machines share one list.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brivo::app {

// Inputs or a shard that cannot be used; the message says which and why.
class BatchInputError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

struct BatchInput {
    std::filesystem::path path;      // as it will be opened
    std::filesystem::path relative;  // below the folder it was found in; the file name alone
                                     // for a file given by name
};

// Files given by name are taken as they are; folders give the PNG, JPEG and TIFF files in
// them (by extension, any letter case), and with `recursive` those of every subfolder.
// Hidden files and folders are left out. The result is sorted by path, each file once, so
// that every process given the same arguments sees the same list. Throws BatchInputError
// when nothing is left.
std::vector<BatchInput> expandInputs(const std::vector<std::string>& arguments, bool recursive);

struct Shard {
    size_t index = 0;  // from 0
    size_t count = 1;
};

// "I/N" with 0 <= I < N.
Shard parseShard(std::string_view text);

// The inputs at positions index, index + count, index + 2 count, ...: every input falls in
// exactly one shard, and shards get near-equal shares of a sorted folder.
std::vector<BatchInput> shardOf(const std::vector<BatchInput>& inputs, Shard shard);

}  // namespace brivo::app
