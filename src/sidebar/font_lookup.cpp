#include "font_lookup.h"

#include <fontconfig/fontconfig.h>
#include <memory>

#include <QFontMetricsF>
#include <QImage>
#include <QRawFont>
#include <QtEndian>

namespace kestrune {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

QString stringOf(const FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

FontFace faceOf(const FcPattern* pattern) {
    return {stringOf(pattern, FC_FAMILY), stringOf(pattern, FC_STYLE),
            stringOf(pattern, FC_POSTSCRIPT_NAME)};
}

} // namespace

FontFace findFontFace(const QString& postScriptName) {
    const QByteArray name = postScriptName.toUtf8();
    Pattern pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_POSTSCRIPT_NAME,
                       reinterpret_cast<const FcChar8*>(name.constData()));

    // An exact match first: fontconfig's scoring alone may prefer another face.
    std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
        FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_POSTSCRIPT_NAME, nullptr));
    std::unique_ptr<FcFontSet, FontSetDeleter> exact(
        FcFontList(nullptr, pattern.get(), objects.get()));
    // Listing compares PostScript names loosely, so check what came back.
    for (int i = 0; exact && i < exact->nfont; ++i) {
        FontFace face = faceOf(exact->fonts[i]);
        if (face.postScriptName.compare(postScriptName, Qt::CaseInsensitive) == 0)
            return face;
    }

    // Missing: fontconfig's scoring of PostScript names would pick whatever face
    // shares a suffix such as "-Regular" (a maths font, say); the desktop's own
    // sans-serif face is the sensible stand-in for chapter titles.
    Pattern fallback(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:style=Regular")));
    FcConfigSubstitute(nullptr, fallback.get(), FcMatchPattern);
    FcDefaultSubstitute(fallback.get());
    FcResult result = FcResultNoMatch;
    Pattern substitute(FcFontMatch(nullptr, fallback.get(), &result));
    return substitute ? faceOf(substitute.get()) : FontFace{};
}

LineMetrics lineMetrics(const QFont& font, double pixelSize) {
    // The horizontal header holds the face's ascender and descender in font units.
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray hhea = raw.fontTable("hhea");
    if (raw.isValid() && raw.unitsPerEm() > 0 && hhea.size() >= 8) {
        const auto* bytes = reinterpret_cast<const uchar*>(hhea.constData());
        const double ascender = qFromBigEndian<qint16>(bytes + 4);
        const double descender = qFromBigEndian<qint16>(bytes + 6);
        const double scale = pixelSize / raw.unitsPerEm();
        return {ascender * scale, -descender * scale};
    }
    const QFontMetricsF metrics(font, pixelDevice());
    return {metrics.ascent(), metrics.descent()};
}

QPaintDevice* pixelDevice() {
    // Only its resolution is ever read, so sharing it between threads is safe.
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        image.setDotsPerMeterX(2835); // 72.009 dpi, which Qt rounds to 72
        image.setDotsPerMeterY(2835);
        return image;
    }();
    return &device;
}

QFont makeFont(const FontFace& face, double pixelSize) {
    QFont font(face.family);
    if (!face.style.isEmpty())
        font.setStyleName(face.style);
    // At 72 dpi a point is a pixel, and point sizes keep their fractions.
    font.setPointSizeF(pixelSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace kestrune
