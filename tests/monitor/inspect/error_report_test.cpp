#include "monitor/inspect/error_report.h"

#include <gtest/gtest.h>
#include <string>

TEST(ErrorReport, LinesNameNumberModuleProcedureAndText) {
    EXPECT_EQ(monitor::ErrorLineText(87, "The parameter is incorrect.", "pch", "ModuleWalk"),
              "ERROR: 87 at pch\\ModuleWalk >>> The parameter is incorrect.");
    EXPECT_EQ(monitor::ErrorLineText(-5, "", "m", "p"), "ERROR: -5 at m\\p >>> ");
    EXPECT_EQ(monitor::ErrorLineText(4294967295LL, "x", "pch", "Walk"),
              "ERROR: 4294967295 at pch\\Walk >>> x");

    monitor::ErrorReport report{false, 5, "Access is denied.", "pch", "ProcessWalk"};
    EXPECT_EQ(monitor::FormatReportLine(report), "ERROR: 5 at pch\\ProcessWalk >>> Access is denied.");
    report.Fault = true;
    EXPECT_EQ(monitor::FormatReportLine(report), "FAULT: 5 at pch\\ProcessWalk >>> Access is denied.");
}
