// Feeds arbitrary bytes to everything that reads text from files or from the
// user: the project document decoder, the saved file references inside it, the
// colour and the time parsers, and the chapter lists people paste. Besides crashes and sanitizer
// reports, it checks that whatever is accepted survives a round trip unchanged.
#include "export/chapter_import.h"
#include "export/chapter_list.h"
#include "model/codable_color.h"
#include "model/file_reference.h"
#include "model/project_json.h"
#include "ui/time_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    try {
        kestrune::Project project = kestrune::decodeProject(text);
        // A document that reads must write, and read back as the same project.
        if (kestrune::decodeProject(kestrune::encodeProject(project)) != project)
            std::abort();
    } catch (const kestrune::DocumentError&) {
    }

    // A clip's bookmarkData comes from the document as arbitrary bytes.
    if (auto reference = kestrune::FileReference::decode({data, data + size})) {
        if (kestrune::FileReference::decode(reference->encode()) != reference)
            std::abort();
    }

    if (auto color = kestrune::CodableColor::fromHex(text)) {
        auto again = kestrune::CodableColor::fromHex(color->hex());
        if (!again || again->hex() != color->hex())
            std::abort();
    }

    if (auto seconds =
            kestrune::parseTime(QString::fromUtf8(text.data(), static_cast<qsizetype>(size)))) {
        if (!std::isfinite(*seconds) || *seconds < 0)
            std::abort();
        kestrune::formatTime(*seconds);
    }

    // Chapters read from any text are in time order, at real times, with a title,
    // and what the WebVTT writer makes of them reads back as as many chapters.
    const kestrune::ChapterImport chapters = kestrune::parseChapterText(text);
    std::vector<kestrune::Chapter> written;
    for (std::size_t i = 0; i < chapters.chapters.size(); ++i) {
        const auto& chapter = chapters.chapters[i];
        if (!std::isfinite(chapter.start) || chapter.start < 0 || chapter.title.empty() ||
            (i > 0 && chapter.start < chapters.chapters[i - 1].start))
            std::abort();
        written.push_back({chapter.title, chapter.start, chapter.start + 1});
    }
    if (!written.empty() &&
        kestrune::parseChapterText(kestrune::webVttChapters(written)).chapters.size() !=
            written.size())
        std::abort();
    return 0;
}
