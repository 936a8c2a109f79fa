// The fonts Kestrune brings along (Lexend for the sidebar), made known to
// fontconfig for this process only, so that neither the window nor kestrune-cli
// needs them in the user's font folder. Fonts the user has installed are still
// found as before.
#pragma once

#include <filesystem>
#include <optional>

namespace kestrune {

// Where the fonts of the program at `executable` are: PREFIX/share/kestrune/fonts
// for an installed PREFIX/bin/kestrune, otherwise the build folder's fonts/ when
// it exists. None when neither is there.
std::optional<std::filesystem::path> bundledFontFolder(const std::filesystem::path& executable);

// Adds the fonts in `folder` to fontconfig's configuration of this process.
// False when the folder cannot be read.
bool addFontFolder(const std::filesystem::path& folder);

// Adds the fonts of the running program (bundledFontFolder of /proc/self/exe).
// Called at start, before Qt or the sidebar first look a font up.
void addBundledFonts();

} // namespace kestrune
