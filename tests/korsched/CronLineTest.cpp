// Crontab lines: exact formats, refused requests and line recognition.
#include "CronLine.h"

#include <gtest/gtest.h>

namespace korsched {
namespace {

ScheduleRequest request(int month, int day, int year, int hour, int minute, int type,
                        std::string name = "/opt/diag/run", std::string param = "-q") {
    ScheduleRequest r;
    r.month = month;
    r.day = day;
    r.year = year;
    r.hour = hour;
    r.minute = minute;
    r.type = scheduleTypeFromCode(type);
    r.appName = std::move(name);
    r.runtimeParam = std::move(param);
    return r;
}

struct FormatCase {
    const char* what;
    ScheduleRequest request;
    const char* line;
};

TEST(CronLine, WritesTheLineOfEachScheduleType) {
    const FormatCase cases[] = {
        {"daily keeps its trailing blank", request(7, 4, 2005, 2, 30, 0),
         "30 2 * * * root /opt/diag/run 7/4/2005 -q \n"},
        {"weekly on a Monday", request(7, 4, 2005, 2, 30, 1),
         "30 2 * * 1 root /opt/diag/run 7/4/2005 -q\n"},
        {"monthly on the day of month", request(1, 31, 2024, 6, 0, 2),
         "0 6 31 * * root /opt/diag/run 1/31/2024 -q\n"},
        {"once on that date only", request(12, 25, 2005, 23, 5, 3),
         "5 23 25 12 * root /opt/diag/run 12/25/2005 -q\n"},
        {"unknown type means once", request(2, 29, 2024, 0, 59, 17),
         "59 0 29 2 * root /opt/diag/run 2/29/2024 -q\n"},
        {"empty parameter", request(3, 1, 2030, 12, 0, 1, "/usr/bin/diag", ""),
         "0 12 * * 5 root /usr/bin/diag 3/1/2030 \n"},
        {"non-ASCII parameter",
         request(3, 1, 2030, 12, 0, 3, "diag-1.0_x+y", "-n \xc3\xa9t\xc3\xa9"),
         "0 12 1 3 * root diag-1.0_x+y 3/1/2030 -n \xc3\xa9t\xc3\xa9\n"},
    };
    for (const auto& c : cases) {
        const CronLineResult result = formatCronLine(c.request);
        ASSERT_TRUE(result.ok) << c.what << ": " << result.error;
        EXPECT_EQ(c.line, result.line) << c.what;
    }
}

TEST(CronLine, WeekdayOfTheDateIsComputed) {
    EXPECT_EQ(1, formatCronLine(request(7, 4, 2005, 2, 30, 1)).weekday);
    EXPECT_EQ(0, formatCronLine(request(12, 25, 2005, 23, 5, 3)).weekday);
}

TEST(CronLine, RefusesWhatCronWouldMisread) {
    const struct {
        const char* what;
        ScheduleRequest request;
    } cases[] = {
        {"minute 60", request(1, 1, 2030, 0, 60, 0)},
        {"negative minute", request(1, 1, 2030, 0, -1, 0)},
        {"hour 24", request(1, 1, 2030, 24, 0, 0)},
        {"empty name", request(1, 1, 2030, 0, 0, 0, "")},
        {"blank in name", request(1, 1, 2030, 0, 0, 0, "/opt/my diag")},
        {"shell in name", request(1, 1, 2030, 0, 0, 0, "/bin/x;reboot")},
        {"non-ASCII name", request(1, 1, 2030, 0, 0, 0, "/opt/d\xc3\xa9")},
        {"newline in parameter", request(1, 1, 2030, 0, 0, 0, "/x", "-q\n* * * * * root rm")},
        {"carriage return", request(1, 1, 2030, 0, 0, 0, "/x", "a\rb")},
        {"tab", request(1, 1, 2030, 0, 0, 0, "/x", "a\tb")},
        {"delete character", request(1, 1, 2030, 0, 0, 0, "/x", "a\x7f")},
        {"NUL", request(1, 1, 2030, 0, 0, 0, "/x", std::string("a\0b", 3))},
        {"invalid UTF-8", request(1, 1, 2030, 0, 0, 0, "/x", "\xc0\x80")},
        {"truncated UTF-8", request(1, 1, 2030, 0, 0, 0, "/x", "\xe6\xbc")},
    };
    for (const auto& c : cases) {
        const CronLineResult result = formatCronLine(c.request);
        EXPECT_FALSE(result.ok) << c.what << " gave " << result.line;
        EXPECT_FALSE(result.error.empty()) << c.what;
    }
}

// Only the fields a schedule type puts into cron's time fields must form a
// real date; the date after the program name is the program's argument.
TEST(CronLine, ValidatesTheDateOnlyWhereCronUsesIt) {
    const struct {
        const char* what;
        ScheduleRequest request;
        const char* line; // nullptr: refused
    } cases[] = {
        {"daily, February 30", request(2, 30, 2005, 2, 30, 0),
         "30 2 * * * root /opt/diag/run 2/30/2005 -q \n"},
        {"daily, month 13 and day 0", request(13, 0, 2005, 2, 30, 0),
         "30 2 * * * root /opt/diag/run 13/0/2005 -q \n"},
        {"daily, year 20000", request(1, 1, 20000, 2, 30, 0),
         "30 2 * * * root /opt/diag/run 1/1/20000 -q \n"},
        {"monthly, February 30", request(2, 30, 2005, 2, 30, 2),
         "30 2 30 * * root /opt/diag/run 2/30/2005 -q\n"},
        {"monthly, month 0", request(0, 1, 2030, 0, 0, 2),
         "0 0 1 * * root /opt/diag/run 0/1/2030 -q\n"},
        {"monthly, day 0", request(1, 0, 2030, 0, 0, 2), nullptr},
        {"monthly, day 32", request(1, 32, 2030, 0, 0, 2), nullptr},
        {"weekly, February 30", request(2, 30, 2005, 2, 30, 1), nullptr},
        {"weekly, April 31", request(4, 31, 2030, 0, 0, 1), nullptr},
        {"weekly, year before 1900", request(1, 1, 1899, 0, 0, 1), nullptr},
        {"once, February 30", request(2, 30, 2030, 0, 0, 3), nullptr},
        {"once, February 29 of a common year", request(2, 29, 2023, 0, 0, 3), nullptr},
        {"once, month 0", request(0, 1, 2030, 0, 0, 3), nullptr},
        {"once, month 13", request(13, 1, 2030, 0, 0, 3), nullptr},
        {"once, day 0", request(1, 0, 2030, 0, 0, 3), nullptr},
        {"once, day 32", request(1, 32, 2030, 0, 0, 3), nullptr},
    };
    for (const auto& c : cases) {
        const CronLineResult result = formatCronLine(c.request);
        if (c.line == nullptr) {
            EXPECT_FALSE(result.ok) << c.what << " gave " << result.line;
        } else {
            ASSERT_TRUE(result.ok) << c.what << ": " << result.error;
            EXPECT_EQ(c.line, result.line) << c.what;
        }
    }
}

// A word of the parameter that /bin/sh or cron would interpret is quoted for
// both; every other word, and the blanks between words, stay as they are.
TEST(CronLine, QuotesOnlyTheWordsTheShellOrCronWouldInterpret) {
    const struct {
        const char* parameter;
        const char* written;
    } cases[] = {
        {"-q", "-q"},
        {"-t daily --level=3 a,b:c@d", "-t daily --level=3 a,b:c@d"},
        {"  two  blanks ", "  two  blanks "},
        {"-n \xc3\xa9t\xc3\xa9", "-n \xc3\xa9t\xc3\xa9"},
        {"--files=*.log", "'--files=*.log'"},
        {"-name 'x'", R"(-name ''\''x'\''')"},
        {"a; reboot", "'a;' reboot"},
        {"$(id) `id` $HOME", "'$(id)' '`id`' '$HOME'"},
        {"> /etc/passwd", "'>' /etc/passwd"},
        {"a|b a&b", "'a|b' 'a&b'"},
        {"\"q\"", "'\"q\"'"},
        {"? [ab] ~ #c !d {e,f} ^g", "'?' '[ab]' '~' '#c' '!d' '{e,f}' '^g'"},
        {"50%", R"('50'\%'')"},
        {"%d%m", R"(''\%'d'\%'m')"},
        {R"(a\b)", R"('a\''b')"},
        {R"(a\%b)", R"('a\'''\%'b')"},
        {R"(end\)", R"('end\''')"},
    };
    for (const auto& c : cases) {
        const CronLineResult result =
            formatCronLine(request(1, 2, 2030, 3, 4, 1, "/x", c.parameter));
        ASSERT_TRUE(result.ok) << c.parameter << ": " << result.error;
        EXPECT_EQ(std::string("4 3 * * 3 root /x 1/2/2030 ") + c.written + "\n", result.line)
            << c.parameter;
    }
}

TEST(CronLine, RecognisesOnlyLinesOfTheLibrarysShape) {
    const struct {
        const char* line;
        bool belongs;
    } cases[] = {
        {"30 2 * * * root /opt/diag/run 7/4/2005 -q ", true},
        {"5 23 25 12 *\troot\t/opt/diag/run 12/25/2005", true},
        {"*/5 1-3 * * 1,2 root /opt/diag/run", true},
        {"30 2 * * * root /opt/diag/runner 7/4/2005", false},
        {"30 2 * * * root /opt/diag/run.old 7/4/2005", false},
        {"30 2 * * * nobody /opt/diag/run 7/4/2005", false},
        {"# 30 2 * * * root /opt/diag/run", false},
        {"17 * * * * root cd / && run-parts --report /etc/cron.hourly /opt/diag/run", false},
        {"30 2 * * * root echo /opt/diag/run", false},
        {"SHELL=/opt/diag/run", false},
        {"@daily root /opt/diag/run", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.belongs, isScheduledRunOf(c.line, "/opt/diag/run")) << c.line;
}

} // namespace
} // namespace korsched
