// Configuration reader on arbitrary bytes: never crashes, and a file it reads completely is
// written back as a file that reads to the same settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vireon::CfgSettings s;
    vireon::SetCfgDefaults(s, "/prog");
    const vireon::CfgLoadResult r = vireon::ParseCfgText(text, s);
    if (r.LinesRead < 0 || r.LinesRead > vireon::kCfgLines || r.Complete != r.Problem.empty() ||
        r.Complete != (r.LinesRead == vireon::kCfgLines)) {
        std::abort();
    }
    const std::string written = vireon::CfgText(s);
    vireon::CfgSettings again;
    const vireon::CfgLoadResult back = vireon::ParseCfgText(written, again);
    if (!back.Complete || vireon::CfgText(again) != written) {
        std::abort();
    }
    return 0;
}
