#include "host/scripting/resource_reader.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "pluginapi/resource_section.h"

namespace brivo::host {

namespace {

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ResourceError("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Copies a T from offset, checking that it lies inside the bytes.
template <class T>
T readAt(const std::vector<uint8_t>& bytes, uint64_t offset, const char* what) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T))
        throw ResourceError(std::string(what) + " lies outside the file");
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

std::vector<uint8_t> sliceOf(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t size,
                             const char* what) {
    if (offset > bytes.size() || bytes.size() - offset < size)
        throw ResourceError(std::string(what) + " lies outside the file");
    const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    return {first, first + static_cast<std::ptrdiff_t>(size)};
}

std::vector<uint8_t> resourceSection(const std::vector<uint8_t>& file) {
    const auto header = readAt<Elf64_Ehdr>(file, 0, "the ELF header");
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) throw ResourceError("not an ELF file");
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB)
        throw ResourceError("not a 64-bit little-endian ELF file");
    if (header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum)
        throw ResourceError("malformed section headers");
    const auto sectionHeader = [&](uint64_t index) {
        return readAt<Elf64_Shdr>(file, header.e_shoff + index * sizeof(Elf64_Shdr),
                                  "a section header");
    };
    const Elf64_Shdr names = sectionHeader(header.e_shstrndx);
    const std::vector<uint8_t> nameTable =
        sliceOf(file, names.sh_offset, names.sh_size, "the section names");
    const std::string_view wanted = BRIVO_RESOURCE_SECTION_NAME;
    for (uint64_t index = 0; index < header.e_shnum; ++index) {
        const Elf64_Shdr section = sectionHeader(index);
        if (section.sh_name >= nameTable.size()) continue;
        const auto* name = reinterpret_cast<const char*>(nameTable.data() + section.sh_name);
        if (strnlen(name, nameTable.size() - section.sh_name) != wanted.size() ||
            wanted != std::string_view(name, wanted.size()))
            continue;
        if (section.sh_type == SHT_NOBITS) break;
        return sliceOf(file, section.sh_offset, section.sh_size, "the resource section");
    }
    throw ResourceError("the module carries no resources");
}

}  // namespace

ResourceReader::ResourceReader(const std::filesystem::path& module)
    : resources_(parseSection(resourceSection(readFile(module)))) {}

const Resource* ResourceReader::find(uint32_t type, int32_t id) const {
    for (const Resource& resource : resources_)
        if (resource.type == type && resource.id == id) return &resource;
    return nullptr;
}

std::vector<Resource> ResourceReader::parseSection(const std::vector<uint8_t>& section) {
    std::vector<Resource> found;
    uint64_t offset = 0;
    while (section.size() - offset >= sizeof(uint32_t)) {
        // Zero words are padding between records.
        if (readAt<uint32_t>(section, offset, "a record") == 0) {
            offset += sizeof(uint32_t);
            continue;
        }
        const auto header = readAt<BrivoResourceHeader>(section, offset, "a record header");
        if (header.magic != BRIVO_RESOURCE_RECORD_MAGIC)
            throw ResourceError("malformed resource record");
        offset += sizeof header;
        const uint64_t padded = (uint64_t{header.length} + 3) / 4 * 4;
        if (section.size() - offset < padded)
            throw ResourceError("resource record runs past its section");
        found.push_back(
            {header.type, header.id, sliceOf(section, offset, header.length, "a resource")});
        offset += padded;
    }
    return found;
}

}  // namespace brivo::host
