#include "project_json.h"

#include "base64.h"

#include <cmath>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>

namespace kestrune {

namespace {

using Json = nlohmann::json;
// Written in the order of the fields, which makes files easier to read by eye.
using OrderedJson = nlohmann::ordered_json;

// ---- Reading ----------------------------------------------------------------

// Walks one JSON object, remembering where it sits in the document so that an
// error can name the exact key, e.g. clips[2].width.
class ObjectReader {
public:
    ObjectReader(const Json& value, std::string path)
        : object_(value)
        , path_(std::move(path)) {
        if (!object_.is_object())
            fail(path_.empty() ? "the document" : path_, "must be an object");
    }

    [[noreturn]] static void fail(const std::string& where, const std::string& what) {
        throw DocumentError("The project file cannot be read: " + where + " " + what + ".");
    }

    std::string pathOf(const char* key) const { return path_.empty() ? key : path_ + "." + key; }

    // The value of a key, or nullptr when it is absent or null.
    const Json* optional(const char* key) const {
        auto it = object_.find(key);
        return it == object_.end() || it->is_null() ? nullptr : &*it;
    }

    const Json& required(const char* key) const {
        const Json* value = optional(key);
        if (!value)
            fail(pathOf(key), "is missing");
        return *value;
    }

    std::string string(const char* key) const { return asString(required(key), key); }

    Uuid uuid(const char* key) const {
        auto id = Uuid::parse(asString(required(key), key));
        if (!id)
            fail(pathOf(key), "is not a valid UUID");
        return *id;
    }

    double number(const char* key) const { return asNumber(required(key), key); }

    std::optional<double> optionalNumber(const char* key) const {
        const Json* value = optional(key);
        return value ? std::optional(asNumber(*value, key)) : std::nullopt;
    }

    bool boolean(const char* key, bool fallback) const {
        const Json* value = optional(key);
        if (!value)
            return fallback;
        if (!value->is_boolean())
            fail(pathOf(key), "must be true or false");
        return value->get<bool>();
    }

    // A whole number that must fit Int exactly; fractions and out-of-range values
    // reject the document rather than being truncated or wrapped.
    template <typename Int>
    Int integer(const char* key) const {
        const Json& value = required(key);
        bool fits = false;
        if (value.is_number_unsigned())
            fits = value.get<std::uint64_t>() <=
                   static_cast<std::uint64_t>(std::numeric_limits<Int>::max());
        else if (value.is_number_integer())
            fits = value.get<std::int64_t>() >= std::numeric_limits<Int>::min() &&
                   value.get<std::int64_t>() <= std::numeric_limits<Int>::max();
        else
            fail(pathOf(key), "must be a whole number");
        if (!fits)
            fail(pathOf(key), "is out of range");
        return static_cast<Int>(value.get<std::int64_t>());
    }

    const Json& array(const char* key) const {
        const Json& value = required(key);
        if (!value.is_array())
            fail(pathOf(key), "must be a list");
        return value;
    }

private:
    const std::string& asString(const Json& value, const char* key) const {
        if (!value.is_string())
            fail(pathOf(key), "must be text");
        return value.get_ref<const std::string&>();
    }

    double asNumber(const Json& value, const char* key) const {
        if (!value.is_number())
            fail(pathOf(key), "must be a number");
        double number = value.get<double>();
        if (!std::isfinite(number))
            fail(pathOf(key), "is not a finite number");
        return number;
    }

    const Json& object_;
    std::string path_;
};

std::string indexed(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

CodableColor readColor(const Json& value, const std::string& path) {
    ObjectReader color(value, path);
    return {color.number("red"), color.number("green"), color.number("blue"),
            color.number("alpha")};
}

SidebarTheme readTheme(const Json& value, const std::string& path) {
    ObjectReader object(value, path);
    SidebarTheme theme;
    theme.name = object.string("name");
    forEachThemeColor(theme, [&](const char* key, CodableColor& color) {
        color = readColor(object.required(key), object.pathOf(key));
    });
    return theme;
}

VideoClip readClip(const Json& value, const std::string& path) {
    ObjectReader object(value, path);
    VideoClip clip;
    clip.id = object.uuid("id");
    clip.fileName = object.string("fileName");
    clip.fileSize = object.integer<std::int64_t>("fileSize");
    clip.duration = object.number("duration");
    // A size no video has would only fail later, in the encoder, without saying why.
    const auto side = [&](const char* key) {
        const int pixels = object.integer<int>(key);
        if (pixels < 1 || pixels > kMaxVideoSide)
            ObjectReader::fail(object.pathOf(key), "must be between 1 and " +
                                                       std::to_string(kMaxVideoSide) + " pixels");
        return pixels;
    };
    clip.width = side("width");
    clip.height = side("height");
    clip.order = object.integer<int>("order");
    if (const Json* bookmark = object.optional("bookmarkData")) {
        if (!bookmark->is_string())
            ObjectReader::fail(object.pathOf("bookmarkData"), "must be Base64 text");
        clip.bookmarkData = base64::decode(bookmark->get_ref<const std::string&>());
        if (!clip.bookmarkData)
            ObjectReader::fail(object.pathOf("bookmarkData"), "is not valid Base64");
    }
    clip.trimIn = object.optionalNumber("trimIn").value_or(0.0);
    clip.trimOut = object.optionalNumber("trimOut");
    return clip;
}

Section readSection(const Json& value, const std::string& path) {
    ObjectReader object(value, path);
    return {object.uuid("id"), object.string("title"), object.string("subtitle"),
            object.number("startTime")};
}

template <typename Record, typename ReadOne>
std::vector<Record> readList(const ObjectReader& object, const char* key, ReadOne readOne) {
    const Json& list = object.array(key);
    std::vector<Record> records;
    records.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        records.push_back(readOne(list[i], indexed(key, i)));
    return records;
}

// Clips and sections are found by their ids (an export looks each clip up by
// its id); two records with one id would make one of them stand in for the other.
template <typename Record>
void requireUniqueIds(const std::vector<Record>& records, const char* key) {
    std::map<Uuid, std::size_t> seen;
    for (std::size_t i = 0; i < records.size(); ++i)
        if (auto [first, isNew] = seen.emplace(records[i].id, i); !isNew)
            ObjectReader::fail(indexed(key, i) + ".id",
                               "repeats the id of " + indexed(key, first->second));
}

// ---- Writing ----------------------------------------------------------------

// JSON cannot carry NaN or infinities (the library would quietly write null),
// so such a project is refused before anything is written.
double finite(double value, const std::string& what) {
    if (!std::isfinite(value))
        throw DocumentError("The project cannot be saved: " + what + " is not a finite number.");
    return value;
}

OrderedJson writeColor(const CodableColor& color, const std::string& what) {
    return OrderedJson{{"red", finite(color.red, what)},
                       {"green", finite(color.green, what)},
                       {"blue", finite(color.blue, what)},
                       {"alpha", finite(color.alpha, what)}};
}

OrderedJson writeTheme(const SidebarTheme& theme) {
    OrderedJson object{{"name", theme.name}};
    forEachThemeColor(theme, [&](const char* key, const CodableColor& color) {
        object[key] = writeColor(color, std::string("the theme colour ") + key);
    });
    return object;
}

OrderedJson writeClip(const VideoClip& clip) {
    std::string what = "a value of the clip \"" + clip.fileName + "\"";
    OrderedJson object{{"id", clip.id.toString()},  {"fileName", clip.fileName},
                       {"fileSize", clip.fileSize}, {"duration", finite(clip.duration, what)},
                       {"width", clip.width},       {"height", clip.height},
                       {"order", clip.order}};
    if (clip.bookmarkData)
        object["bookmarkData"] = base64::encode(*clip.bookmarkData);
    object["trimIn"] = finite(clip.trimIn, what);
    if (clip.trimOut)
        object["trimOut"] = finite(*clip.trimOut, what);
    return object;
}

OrderedJson writeSection(const Section& section) {
    return OrderedJson{
        {"id", section.id.toString()},
        {"title", section.title},
        {"subtitle", section.subtitle},
        {"startTime", finite(section.startTime, "the start of \"" + section.title + "\"")}};
}

// nlohmann's messages start with "[json.exception.parse_error.101] "; users need only the rest.
std::string withoutExceptionTag(const char* message) {
    std::string text = message;
    if (auto end = text.find("] ");
        !text.empty() && text.front() == '[' && end != std::string::npos)
        text.erase(0, end + 2);
    return text;
}

} // namespace

std::string encodeProject(const Project& project) {
    OrderedJson clips = OrderedJson::array();
    for (const auto& clip : project.clips)
        clips.push_back(writeClip(clip));
    OrderedJson sections = OrderedJson::array();
    for (const auto& section : project.sections)
        sections.push_back(writeSection(section));

    OrderedJson document{
        {"id", project.id.toString()},
        {"name", project.name},
        {"clips", std::move(clips)},
        {"sections", std::move(sections)},
        {"sidebarOverlay", project.sidebarOverlay},
        {"keepSectionsWithClips", project.keepSectionsWithClips},
        {"sidebarTheme", writeTheme(project.sidebarTheme)},
        {"createdAt", finite(project.createdAt.secondsSinceReference, "the creation date")},
        {"updatedAt", finite(project.updatedAt.secondsSinceReference, "the change date")}};
    try {
        return document.dump();
    } catch (const OrderedJson::exception& error) {
        throw DocumentError("The project cannot be saved: " + withoutExceptionTag(error.what()));
    }
}

Project decodeProject(std::string_view text) {
    Json document;
    try {
        document = Json::parse(text);
    } catch (const Json::exception& error) {
        throw DocumentError("The project file is not valid JSON: " +
                            withoutExceptionTag(error.what()));
    }

    ObjectReader object(document, "");
    Project project;
    project.id = object.uuid("id");
    project.name = object.string("name");
    project.clips = readList<VideoClip>(object, "clips", readClip);
    project.sections = readList<Section>(object, "sections", readSection);
    requireUniqueIds(project.clips, "clips");
    requireUniqueIds(project.sections, "sections");
    project.sidebarOverlay = object.boolean("sidebarOverlay", true);
    project.keepSectionsWithClips = object.boolean("keepSectionsWithClips", true);
    if (const Json* theme = object.optional("sidebarTheme"))
        project.sidebarTheme = readTheme(*theme, "sidebarTheme");
    else
        project.sidebarTheme = SidebarTheme::classic();
    project.createdAt = {object.number("createdAt")};
    project.updatedAt = {object.number("updatedAt")};
    return project;
}

} // namespace kestrune
