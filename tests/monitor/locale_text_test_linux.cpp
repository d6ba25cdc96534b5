// Dates and times come from the C library in the locale's encoding; the log
// list and the log file hold the ANSI code page (Windows-1252 here).
#include "monitor/locale_text_linux.h"

#include <gtest/gtest.h>
#include <string>

TEST(LocaleText, DatesInAnyLocaleEncodingBecomeAnsiText) {
    // "März" and "午後" (Japanese "p.m."): UTF-8 in, Windows-1252 out; what
    // the code page cannot hold becomes '?'.
    EXPECT_EQ(monitor::LocaleTextToAnsi("M\xC3\xA4rz", "UTF-8"), "M\xE4rz");
    EXPECT_EQ(monitor::LocaleTextToAnsi("\xE5\x8D\x88\xE5\xBE\x8C 10:00", "UTF-8"), "?? 10:00");
    // A single-byte locale encoding.
    EXPECT_EQ(monitor::LocaleTextToAnsi("M\xE4rz", "ISO-8859-1"), "M\xE4rz");
    EXPECT_EQ(monitor::LocaleTextToAnsi("\xC4\xEA\xE0\xE1\xF0\xFC", "KOI8-R"), "??????");
    // Plain ASCII is taken as it is, whatever the encoding's name.
    EXPECT_EQ(monitor::LocaleTextToAnsi("08/12/26", "ANSI_X3.4-1968"), "08/12/26");
}
