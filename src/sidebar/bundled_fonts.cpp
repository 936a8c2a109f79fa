#include "bundled_fonts.h"

#include <fontconfig/fontconfig.h>
#include <system_error>

namespace kestrune {

namespace {

bool isFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

std::optional<std::filesystem::path> bundledFontFolder(const std::filesystem::path& executable) {
    const auto installed = executable.parent_path().parent_path() / "share" / "kestrune" / "fonts";
    if (isFolder(installed))
        return installed;
    const std::filesystem::path build = KESTRUNE_BUILD_FONT_DIR;
    if (isFolder(build))
        return build;
    return std::nullopt;
}

bool addFontFolder(const std::filesystem::path& folder) {
    if (!isFolder(folder))
        return false;
    return FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(folder.c_str())) ==
           FcTrue;
}

void addBundledFonts() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return;
    if (const auto folder = bundledFontFolder(executable))
        addFontFolder(*folder);
}

} // namespace kestrune
