// The fonts Kestrune brings along: where a program finds them, and that
// fontconfig lists them once they are added.
#include "sidebar/bundled_fonts.h"
#include "sidebar/font_lookup.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

TEST(BundledFonts, AnInstalledProgramReadsItsPrefixAndABuiltOneTheBuildFolder) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const fs::path root = prefix.path().toStdString();
    fs::create_directories(root / "bin");
    // Without share/kestrune/fonts beside it, a program uses the build's folder.
    EXPECT_EQ(bundledFontFolder(root / "bin" / "kestrune"), fs::path(KESTRUNE_BUILD_FONT_DIR));
    fs::create_directories(root / "share" / "kestrune" / "fonts");
    EXPECT_EQ(bundledFontFolder(root / "bin" / "kestrune-cli"),
              root / "share" / "kestrune" / "fonts");
    EXPECT_FALSE(addFontFolder(root / "nowhere"));
}

TEST(BundledFonts, TheAddedFolderLendsFontconfigItsLexend) {
    // A copy of the build's Lexend in a folder of its own, so that the face can
    // only have come from there.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QFile::copy(KESTRUNE_BUILD_FONT_DIR "/Lexend_400Regular.ttf",
                            folder.filePath("Lexend_400Regular.ttf")));
    ASSERT_TRUE(addFontFolder(folder.path().toStdString()));

    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Lexend"));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_POSTSCRIPT_NAME, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    bool fromFolder = false;
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
            fromFolder |= QString::fromUtf8(reinterpret_cast<const char*>(file))
                              .startsWith(folder.path() + "/");
    }
    FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    EXPECT_TRUE(fromFolder);
    EXPECT_EQ(findFontFace("Lexend-Regular").postScriptName, "Lexend-Regular");
}

} // namespace
} // namespace kestrune
