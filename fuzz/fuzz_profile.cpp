// Any profile file contents: reads give a value or the default, writes keep
// the file readable and every other key as it was; nothing crashes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/profile/profile.h"

namespace {

std::string TempPath() {
    static std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/orvalis-fuzz-profile-" + std::to_string(getpid());
        return p + ".ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = TempPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    profile::SetPath(path);
    for (int k = 0; k <= static_cast<int>(profile::Key::UFontCharSet); ++k) {
        profile::GetInt(static_cast<profile::Key>(k));
        profile::GetString(static_cast<profile::Key>(k));
    }
    const std::string before = profile::GetString(profile::Key::WindowPos);
    const int sortBefore = profile::GetInt(profile::Key::RViewSort);
    if (profile::WriteInt(profile::Key::Dup, 0)) {
        if (profile::GetInt(profile::Key::Dup) != 0) std::abort();
        // A write touches its own key only.
        if (profile::GetString(profile::Key::WindowPos) != before) std::abort();
        if (profile::GetInt(profile::Key::RViewSort) != sortBefore) std::abort();
    }
    return 0;
}
