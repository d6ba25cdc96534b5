#include "monitor/inspect/memory_access.h"

#include <gtest/gtest.h>

// Yama's rule: 0 the usual user rules, 1 descendants only (or
// CAP_SYS_PTRACE), 2 CAP_SYS_PTRACE only, 3 nobody.
TEST(MemoryAccess, NoticeFollowsYamasRule) {
    struct Case {
        int scope;
        bool mayTraceAny;
        bool descendant;
        bool blocked;
    };
    const Case cases[] = {
        {0, false, false, false}, {1, false, false, true}, {1, false, true, false}, {1, true, false, false},
        {2, false, true, true},   {2, true, false, false}, {3, true, true, true},
    };
    for (const Case& c : cases) {
        const std::string notice = monitor::MemoryAccessNotice({c.scope, c.mayTraceAny, c.descendant});
        EXPECT_EQ(!notice.empty(), c.blocked) << c.scope << c.mayTraceAny << c.descendant;
        if (c.blocked) {
            EXPECT_NE(notice.find("ptrace_scope " + std::to_string(c.scope)), std::string::npos) << notice;
        }
    }
}
