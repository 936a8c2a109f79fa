#include "log/capturing_sink.h"
#include "log/log.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kestrune::log {
namespace {

TEST(Log, SinkReceivesLevelCategoryAndFormattedMessage) {
    CapturingSink sink;
    info(Category::Export, "Pipeline: %d clips", 3);
    debug(Category::Playback, "tick %.2f", 1.5);
    error(Category::ExportValidation, "Validation: %s missing", "/tmp/a b.mov");
    write(Level::Info, Category::ExportSidebar, "SidebarRenderer: %s", "ready");
    info(Category::ExportDialog, "100%% done");

    std::vector<Entry> expected{
        {Level::Info, Category::Export, "Pipeline: 3 clips"},
        {Level::Debug, Category::Playback, "tick 1.50"},
        {Level::Error, Category::ExportValidation, "Validation: /tmp/a b.mov missing"},
        {Level::Info, Category::ExportSidebar, "SidebarRenderer: ready"},
        {Level::Info, Category::ExportDialog, "100% done"},
    };
    EXPECT_EQ(sink.entries(), expected);
    EXPECT_TRUE(sink.contains(Category::Export, "3 clips"));
    EXPECT_FALSE(sink.contains(Category::Playback, "3 clips"));
    EXPECT_TRUE(sink.contains(Level::Error, Category::ExportValidation, "missing"));
    EXPECT_FALSE(sink.contains(Level::Info, Category::ExportValidation, "missing"));

    sink.clear();
    EXPECT_TRUE(sink.entries().empty());
}

TEST(Log, NewestSinkReceivesAndOlderOneResumesAfterIt) {
    CapturingSink outer;
    info(Category::Export, "first");
    {
        CapturingSink inner;
        info(Category::Export, "second");
        EXPECT_EQ(inner.entries().size(), 1u);
        EXPECT_TRUE(inner.contains(Category::Export, "second"));
    }
    info(Category::Export, "third");
    std::vector<Entry> expected{{Level::Info, Category::Export, "first"},
                                {Level::Info, Category::Export, "third"}};
    EXPECT_EQ(outer.entries(), expected);

    // A sink that outlives a newer one must not leave the newer one installed.
    auto older = std::make_unique<CapturingSink>();
    auto newer = std::make_unique<CapturingSink>();
    older.reset();
    info(Category::Export, "fourth");
    EXPECT_TRUE(newer->contains(Category::Export, "fourth"));
    newer.reset();
    info(Category::Export, "fifth");
    EXPECT_TRUE(outer.contains(Category::Export, "fifth"));
}

TEST(Log, EntriesFromManyThreadsAllArriveIntact) {
    constexpr int kThreads = 8;
    constexpr int kPerThread = 500;
    CapturingSink sink;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i)
                info(Category::Export, "Video: thread %d frame %d of %s", t, i, "clip.mov");
        });
    }
    for (auto& thread : threads)
        thread.join();

    auto entries = sink.entries();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kThreads * kPerThread));
    // Each thread's entries arrive whole and in the order that thread wrote them.
    std::vector<int> next(kThreads, 0);
    for (const auto& entry : entries) {
        int t = -1;
        int i = -1;
        char name[16] = {};
        ASSERT_EQ(
            std::sscanf(entry.message.c_str(), "Video: thread %d frame %d of %15s", &t, &i, name),
            3)
            << entry.message;
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(i, next[t]);
        EXPECT_STREQ(name, "clip.mov");
        next[t] = i + 1;
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(next[t], kPerThread);
}

TEST(Log, LongMessagesAreNotCutOff) {
    CapturingSink sink;
    const std::string path = "/media/" + std::string(100000, 'x') + ".mov";
    error(Category::ExportValidation, "Validation: cannot read %s (code %d)", path.c_str(), -2);
    ASSERT_EQ(sink.entries().size(), 1u);
    EXPECT_EQ(sink.entries()[0].message, "Validation: cannot read " + path + " (code -2)");

    // Lengths around the size of the first formatting attempt.
    for (std::size_t length = 500; length < 530; ++length) {
        sink.clear();
        const std::string text(length, 'y');
        info(Category::Export, "%s", text.c_str());
        ASSERT_EQ(sink.entries().size(), 1u);
        EXPECT_EQ(sink.entries()[0].message, text) << length;
    }
}

TEST(Log, StandardErrorLineIsOneLineWithControlCharactersEscaped) {
    EXPECT_EQ(standardErrorLine({Level::Info, Category::Export, "Pipeline: 3 clips"}),
              "[com.kestrune:export] info: Pipeline: 3 clips\n");

    // A file name can hold line breaks and terminal escapes; neither may reach
    // the terminal raw or split the entry.
    const std::string line = standardErrorLine({Level::Error, Category::ExportValidation,
                                                "Validation: a\nb\r\x1b[31mred\x7f\xc2\x9b"
                                                "2J t\tab \xc3\xa9"});
    EXPECT_EQ(line, "[com.kestrune:export.validation] error: "
                    "Validation: a\\nb\\r\\x1B[31mred\\x7F\\u009B2J t\tab \xc3\xa9\n");
}

} // namespace
} // namespace kestrune::log
