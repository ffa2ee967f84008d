// HTML5 pages never replace a page: not one another object makes in the same second, not one
// left from an earlier run.
#include <gtest/gtest.h>

#include <set>

#include "tests/support/Host.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(Html5PageNames, PagesOfTheSameSecondAndStalePagesAllKeepTheirFiles) {
    testsupport::TempDir forms, dest;
    testsupport::FixedClock clock{platform::LocalDateTime{2026, 12, 4, 8, 7, 28}};
    const std::string form = forms.File("html5.frm");
    testsupport::WriteFile(form, "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" +
                                     dest.Path().string() + "\nPAGE_FORMAT=HTML5\n");
    // The first request of each object has index 0, so both pages have one name, and a page
    // from before has it too. (The writer joins folder and name with "/" on every system.)
    const std::string stem = dest.Path().string() + "/HTML2026212242827228202";
    testsupport::WriteFile(stem + ".htm", "stale");
    testsupport::Host first, second;
    ASSERT_EQ(0, first.Generate("Alpha", form.c_str()));
    ASSERT_EQ(0, second.Generate("Beta", form.c_str()));
    ASSERT_TRUE(first.WaitFinished() && second.WaitFinished());

    EXPECT_EQ("stale", testsupport::ReadFile(stem + ".htm"));
    EXPECT_EQ((std::set<std::string>{stem + "-1.htm", stem + "-2.htm"}),
              (std::set<std::string>{first.Name(0), second.Name(0)}));
    EXPECT_NE(std::string::npos, testsupport::ReadFile(first.Name(0)).find("<p>Alpha</p>"));
    EXPECT_NE(std::string::npos, testsupport::ReadFile(second.Name(0)).find("<p>Beta</p>"));
    // Reset deletes the pages under the names it gave out, and nothing else.
    EXPECT_EQ(S_OK, first.Get()->Reset());
    EXPECT_EQ(S_OK, second.Get()->Reset());
    EXPECT_EQ(std::vector<std::string>{"HTML2026212242827228202.htm"},
              testsupport::ListFiles(dest.Path().string()));
}

} // namespace
