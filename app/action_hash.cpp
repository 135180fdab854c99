#include "app/action_hash.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "host/scripting/action_file.h"

namespace brivo::app {

std::string actionHash(const host::DescriptorValues& values) {
    // Keys in one order, so that the order the values were given in does not matter.
    std::vector<host::DescriptorItem> items = values.items();
    std::ranges::sort(items, {}, &host::DescriptorItem::key);
    host::DescriptorValues ordered;
    for (const host::DescriptorItem& item : items) ordered.put(item.key, item.value);
    const std::string text = host::actionToJson(ordered);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("cannot compute the action's SHA-256");
    static constexpr char hex[] = "0123456789abcdef";
    std::string result = "sha256:";
    for (unsigned int i = 0; i < length; ++i) {
        result += hex[digest[i] >> 4];
        result += hex[digest[i] & 15];
    }
    return result;
}

}  // namespace brivo::app
