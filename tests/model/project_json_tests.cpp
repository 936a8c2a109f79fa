#include "model/project_json.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>

using namespace kestrune;
using nlohmann::json;

namespace {

Project sampleProject() {
    Project project = Project::untitled();
    project.name = "Trip / \"Alps\" ✓";
    project.createdAt = {786'000'000.123456789};
    project.updatedAt = {786'000'123.987654321};
    VideoClip first;
    first.id = Uuid::generate();
    first.fileName = "GX010001.MP4";
    first.fileSize = 9'007'199'254'740'993; // not representable as a double
    first.duration = 12.345678901234567;
    first.width = 3840;
    first.height = 2160;
    first.order = 0;
    first.bookmarkData = std::vector<std::uint8_t>{0, 1, 2, 250, 255};
    first.trimIn = 1.5;
    first.trimOut = 10.25;
    VideoClip second = first;
    second.id = Uuid::generate();
    second.order = 1;
    second.bookmarkData.reset();
    second.trimIn = 0;
    second.trimOut.reset();
    project.clips = {first, second};
    project.sections = {{Uuid::generate(), "Intro", "", 0},
                        {Uuid::generate(), "Climb", "Day 2", 61.5}};
    project.sidebarOverlay = false;
    project.keepSectionsWithClips = false;
    project.sidebarTheme = SidebarTheme::presets()[2];
    project.sidebarTheme.highlightBackground = {0.1, 0.2, 0.3, 0.4};
    return project;
}

// A minimal valid document, as another tool might write it, to be altered per test.
json minimalDocument() {
    return json::parse(R"({
        "id": "6f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f9",
        "name": "From elsewhere",
        "clips": [{"id": "0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9", "fileName": "a.mov",
                   "fileSize": 1024, "duration": 12, "width": 1920, "height": 1080, "order": 0}],
        "sections": [{"id": "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE", "title": "One",
                      "subtitle": "", "startTime": 0}],
        "createdAt": 700000000,
        "updatedAt": 700000001.5
    })");
}

Project decode(const json& document) {
    return decodeProject(document.dump());
}

void expectRejected(const json& document, const std::string& mentioning) {
    try {
        decode(document);
        ADD_FAILURE() << "accepted: " << document.dump();
    } catch (const DocumentError& error) {
        EXPECT_NE(std::string(error.what()).find(mentioning), std::string::npos) << error.what();
    }
}

} // namespace

TEST(ProjectJson, RoundTripKeepsEveryFieldExactly) {
    Project project = sampleProject();
    std::string text = encodeProject(project);
    EXPECT_EQ(decodeProject(text), project);
    // Compact, and absent optional values are left out rather than written as null.
    EXPECT_EQ(text.find('\n'), std::string::npos);
    json written = json::parse(text);
    EXPECT_FALSE(written["clips"][1].contains("bookmarkData"));
    EXPECT_FALSE(written["clips"][1].contains("trimOut"));
    EXPECT_EQ(written["clips"][0]["bookmarkData"], "AAEC+v8=");
    EXPECT_EQ(written["id"], project.id.toString());
    EXPECT_TRUE(written["clips"][0]["width"].is_number_integer());
    EXPECT_EQ(written["sidebarTheme"].size(), 11u);
}

TEST(ProjectJson, EmptyProjectWritesEmptyLists) {
    Project project = Project::untitled();
    json written = json::parse(encodeProject(project));
    EXPECT_EQ(written["clips"], json::array());
    EXPECT_EQ(written["sections"], json::array());
    EXPECT_EQ(decodeProject(encodeProject(project)), project);
}

TEST(ProjectJson, ReadsDocumentsOfOtherWriters) {
    // Lower-case UUIDs, escaped slashes, integers where doubles are stored, unknown keys,
    // and keys in any order.
    json document = minimalDocument();
    document["futureKey"] = {1, 2, 3};
    std::string text = document.dump();
    text.replace(text.find("From elsewhere"), 14, R"(Before\/after)");
    Project project = decodeProject(text);
    EXPECT_EQ(project.id.toString(), "6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9");
    EXPECT_EQ(project.name, "Before/after");
    EXPECT_EQ(project.clips.at(0).duration, 12.0);
    EXPECT_EQ(project.updatedAt.secondsSinceReference, 700000001.5);
}

TEST(ProjectJson, MissingOrNullOptionalKeysTakeTheirDefaults) {
    for (bool asNull : {false, true}) {
        json document = minimalDocument();
        if (asNull) {
            for (const char* key : {"sidebarOverlay", "sidebarTheme", "keepSectionsWithClips"})
                document[key] = nullptr;
            for (const char* key : {"bookmarkData", "trimIn", "trimOut"})
                document["clips"][0][key] = nullptr;
        }
        Project project = decode(document);
        EXPECT_TRUE(project.sidebarOverlay);
        // Projects made before sections could keep with their clips get it on.
        EXPECT_TRUE(project.keepSectionsWithClips);
        EXPECT_EQ(project.sidebarTheme, SidebarTheme::classic());
        EXPECT_EQ(project.clips[0].trimIn, 0);
        EXPECT_FALSE(project.clips[0].trimOut);
        EXPECT_FALSE(project.clips[0].bookmarkData);
    }
}

TEST(ProjectJson, RejectsMissingRequiredKeys) {
    for (const char* key : {"id", "name", "clips", "sections", "createdAt", "updatedAt"}) {
        json document = minimalDocument();
        document.erase(key);
        expectRejected(document, key);
        document[key] = nullptr;
        expectRejected(document, key);
    }
    for (const char* key : {"id", "fileName", "fileSize", "duration", "width", "height", "order"}) {
        json document = minimalDocument();
        document["clips"][0].erase(key);
        expectRejected(document, std::string("clips[0].") + key);
    }
    for (const char* key : {"id", "title", "subtitle", "startTime"}) {
        json document = minimalDocument();
        document["sections"][0].erase(key);
        expectRejected(document, std::string("sections[0].") + key);
    }
    // A theme, once present, must be complete, down to each colour's components.
    json document = minimalDocument();
    document["sidebarTheme"] = json::parse(encodeProject(Project::untitled()))["sidebarTheme"];
    EXPECT_NO_THROW(decode(document));
    document["sidebarTheme"]["separatorColor"].erase("alpha");
    expectRejected(document, "sidebarTheme.separatorColor.alpha");
    document["sidebarTheme"].erase("name");
    expectRejected(document, "sidebarTheme.name");
}

TEST(ProjectJson, RejectsWrongTypesAndInvalidValues) {
    auto withClip = [](const char* key, json value) {
        json document = minimalDocument();
        document["clips"][0][key] = std::move(value);
        return document;
    };
    expectRejected(withClip("duration", "12"), "clips[0].duration must be a number");
    expectRejected(withClip("width", 1920.5), "clips[0].width must be a whole number");
    expectRejected(withClip("order", true), "clips[0].order");
    expectRejected(withClip("id", "not-a-uuid"), "clips[0].id is not a valid UUID");
    expectRejected(withClip("id", "{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}"), "clips[0].id");
    expectRejected(withClip("bookmarkData", "not base64!"), "clips[0].bookmarkData");
    expectRejected(withClip("bookmarkData", 17), "clips[0].bookmarkData");

    json document = minimalDocument();
    document["sidebarOverlay"] = "yes";
    expectRejected(document, "sidebarOverlay");
    document = minimalDocument();
    document["clips"] = json::object();
    expectRejected(document, "clips must be a list");
    document = minimalDocument();
    document["sections"][0] = "Intro";
    expectRejected(document, "sections[0] must be an object");

    for (const char* text : {"", "[]", "null", "{\"id\":", "{} trailing", "\xFF\xFE{}"})
        EXPECT_THROW(decodeProject(text), DocumentError) << text;
}

TEST(ProjectJson, RejectsNumbersThatDoNotFitTheirField) {
    auto withClip = [](const char* key, const std::string& number) {
        std::string text = minimalDocument().dump();
        std::string needle = std::string("\"") + key + "\":";
        auto at = text.find(needle) + needle.size();
        auto end = text.find_first_of(",}", at);
        return text.replace(at, end - at, number);
    };
    for (const char* key : {"width", "height", "order"}) {
        EXPECT_THROW(decodeProject(withClip(key, "2147483648")), DocumentError) << key;
        EXPECT_THROW(decodeProject(withClip(key, "-2147483649")), DocumentError) << key;
    }
    EXPECT_NO_THROW(decodeProject(withClip("order", "2147483647")));
    EXPECT_THROW(decodeProject(withClip("fileSize", "9223372036854775808")), DocumentError);
    EXPECT_THROW(decodeProject(withClip("fileSize", "18446744073709551616")), DocumentError);
    EXPECT_EQ(decodeProject(withClip("fileSize", "9223372036854775807")).clips[0].fileSize,
              std::numeric_limits<std::int64_t>::max());
    EXPECT_THROW(decodeProject(withClip("fileSize", "1e3")), DocumentError);
    // A number too large for a double reads as infinity, which no field may hold.
    EXPECT_THROW(decodeProject(withClip("duration", "1e400")), DocumentError);
    EXPECT_THROW(decodeProject(withClip("duration", "-1e400")), DocumentError);
}

TEST(ProjectJson, RefusesToWriteNonFiniteNumbers) {
    for (double bad : {NAN, INFINITY, -INFINITY}) {
        Project project = sampleProject();
        project.clips[1].trimOut = bad;
        EXPECT_THROW(encodeProject(project), DocumentError);
        project = sampleProject();
        project.sidebarTheme.separatorColor.alpha = bad;
        EXPECT_THROW(encodeProject(project), DocumentError);
        project = sampleProject();
        project.updatedAt = {bad};
        EXPECT_THROW(encodeProject(project), DocumentError);
    }
    Project project = sampleProject();
    project.name = "bad \xFF bytes";
    EXPECT_THROW(encodeProject(project), DocumentError);
}

// Sizes no video has would fail only later, in the encoder, without naming the clip.
TEST(ProjectJson, RejectsPictureSizesNoVideoHas) {
    for (const char* key : {"width", "height"}) {
        for (int bad : {0, -1, -1920, 16385, 100000}) {
            json document = minimalDocument();
            document["clips"][0][key] = bad;
            expectRejected(document, std::string("clips[0].") + key);
        }
        for (int good : {1, 16384}) {
            json document = minimalDocument();
            document["clips"][0][key] = good;
            EXPECT_NO_THROW(decode(document)) << key << " " << good;
        }
    }
}

// An export finds each clip's file by the clip's id: a repeated id would export one
// clip twice and lose the other.
TEST(ProjectJson, RejectsIdsUsedTwiceAmongClipsOrAmongSections) {
    json document = minimalDocument();
    json second = document["clips"][0];
    second["fileName"] = "b.mov";
    second["order"] = 1;
    document["clips"].push_back(second);
    expectRejected(document, "clips[1].id repeats the id of clips[0]");
    document["clips"][1]["id"] = "0A1B2C3D-4E5F-4061-8273-94A5B6C7D8EA";
    EXPECT_EQ(decode(document).clips.size(), 2u);

    // The same id in either case is the same id.
    document = minimalDocument();
    json later = document["sections"][0];
    later["id"] = "aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee";
    later["startTime"] = 5;
    document["sections"].push_back(later);
    expectRejected(document, "sections[1].id repeats the id of sections[0]");

    // Clips and sections are separate lists; one id in each is fine.
    document = minimalDocument();
    document["sections"][0]["id"] = document["clips"][0]["id"];
    EXPECT_NO_THROW(decode(document));
}
