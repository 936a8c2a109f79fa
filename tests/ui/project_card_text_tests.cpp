// The texts of the library's project cards: clip count, length, change date and
// the name a rename commits.
#include "ui/project_card_text.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace kestrune {
namespace {

TEST(ProjectCardText, CountsClipsInTheSingularAndPluralAndSaysNothingForNone) {
    EXPECT_EQ(clipCountText(0), "");
    EXPECT_EQ(clipCountText(-1), "");
    EXPECT_EQ(clipCountText(1), "1 clip");
    EXPECT_EQ(clipCountText(2), "2 clips");
    EXPECT_EQ(clipCountText(3), "3 clips");

    EXPECT_EQ(projectLengthText(0), "");
    EXPECT_EQ(projectLengthText(-4), "");
    EXPECT_EQ(projectLengthText(0.5), "00:01");
    EXPECT_EQ(projectLengthText(4.99), "00:05");
    EXPECT_EQ(projectLengthText(3725), "62:05");
}

class ModificationDate : public ::testing::Test {
protected:
    // One hour east of UTC, so that calendar days there and in UTC differ.
    const QTimeZone zone{3600};
    const QDateTime now{QDate(2025, 12, 6), QTime(15, 45), zone};
    const QLocale english{QLocale::English, QLocale::UnitedStates};

    QString text(const QDateTime& updatedAt) const {
        return modificationDateText(updatedAt, now, english);
    }
};

TEST_F(ModificationDate, TodayShowsTheShortTimeAndYesterdayOnlyTheWord) {
    EXPECT_EQ(text(now.addSecs(-60)), "Today, 3:44 PM");
    EXPECT_EQ(text(QDateTime(now.date(), QTime(0, 0), zone)), "Today, 12:00 AM");
    EXPECT_EQ(text(QDateTime(now.date().addDays(-1), QTime(23, 59, 59), zone)), "Yesterday");
    EXPECT_EQ(text(QDateTime(now.date().addDays(-1), QTime(0, 0), zone)), "Yesterday");
}

TEST_F(ModificationDate, OlderAndFutureDatesShowTheAbbreviatedDateWithoutTime) {
    EXPECT_EQ(text(QDateTime(QDate(2025, 12, 4), QTime(23, 59), zone)), "Dec 4, 2025");
    EXPECT_EQ(text(QDateTime(QDate(2024, 3, 9), QTime(8, 0), zone)), "Mar 9, 2024");
    // A clock that was set ahead must not read as today.
    EXPECT_EQ(text(now.addDays(1)), "Dec 7, 2025");
}

TEST_F(ModificationDate, DaysAreCountedInTheUsersTimeZone) {
    // 23:30 UTC on the 5th is already half past midnight on the 6th here.
    const QDateTime lateInUtc(QDate(2025, 12, 5), QTime(23, 30), QTimeZone::utc());
    EXPECT_EQ(text(lateInUtc), "Today, 12:30 AM");
    // 22:30 UTC on the 4th is 23:30 on the 4th here: two days ago, not yesterday.
    EXPECT_EQ(text(QDateTime(QDate(2025, 12, 4), QTime(22, 30), QTimeZone::utc())), "Dec 4, 2025");
}

TEST(AbbreviatedDateFormat, DropsTheWeekdayAndShortensTheMonthName) {
    EXPECT_EQ(abbreviatedDateFormat(QLocale(QLocale::English, QLocale::UnitedStates)),
              "MMM d, yyyy");
    const QLocale german(QLocale::German, QLocale::Germany);
    const QString format = abbreviatedDateFormat(german);
    EXPECT_FALSE(format.contains("ddd")) << format.toStdString();
    EXPECT_FALSE(format.contains("MMMM")) << format.toStdString();
    EXPECT_EQ(german.toString(QDate(2025, 12, 6), format), "6. Dez. 2025");
}

TEST(CommittedProjectName, TrimsSpacesAndTabsAndRefusesWhatIsLeftEmpty) {
    EXPECT_EQ(committedProjectName("  Intro\t"), "Intro");
    EXPECT_EQ(committedProjectName("My  Intro Video"), "My  Intro Video");
    EXPECT_EQ(committedProjectName(" \t "), std::nullopt);
    EXPECT_EQ(committedProjectName(""), std::nullopt);
    // Only spaces and tabs go.
    EXPECT_EQ(committedProjectName("\nIntro "), "\nIntro");
}

} // namespace
} // namespace kestrune
