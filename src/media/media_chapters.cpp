#include "media_chapters.h"

#include "av_handles.h"
#include "media_error.h"

extern "C" {
#include <libavutil/dict.h>
}

namespace kestrune {

namespace {

struct DictionaryDeleter {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

double seconds(std::int64_t timestamp, AVRational timeBase) {
    if (timestamp == AV_NOPTS_VALUE || timeBase.num <= 0 || timeBase.den <= 0)
        return 0;
    return static_cast<double>(timestamp) * av_q2d(timeBase);
}

} // namespace

std::vector<MediaChapter> readMediaChapters(const std::string& path) {
    AVDictionary* rawOptions = nullptr;
    // The chapters live in the header of both families; playlists and other
    // demuxers that open further inputs are never tried.
    av_dict_set(&rawOptions, "format_whitelist", "mov,matroska", 0);
    av_dict_set(&rawOptions, "protocol_whitelist", "file", 0);
    std::unique_ptr<AVDictionary, DictionaryDeleter> options(rawOptions);

    AVFormatContext* raw = nullptr;
    // A path such as "http:x" or "concat:a|b" would name a protocol; a file path
    // says which protocol it means.
    const std::string url = path.starts_with('/') ? path : "file:" + path;
    rawOptions = options.release();
    const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &rawOptions);
    options.reset(rawOptions);
    // On failure FFmpeg frees the context itself.
    throwIfFailed(opened, "Cannot open \"" + path + "\"");
    const InputContextPtr context(raw);

    std::vector<MediaChapter> chapters;
    for (unsigned i = 0; i < context->nb_chapters; ++i) {
        const AVChapter& chapter = *context->chapters[i];
        MediaChapter read;
        read.start = seconds(chapter.start, chapter.time_base);
        read.end = seconds(chapter.end, chapter.time_base);
        if (const AVDictionaryEntry* title = av_dict_get(chapter.metadata, "title", nullptr, 0))
            read.title = title->value;
        chapters.push_back(std::move(read));
    }
    return chapters;
}

} // namespace kestrune
