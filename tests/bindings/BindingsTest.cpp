// The C API and the C++ API as hosts use them: linked against libpagewright.so, on real files.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <future>
#include <thread>

#include <pagewright/pagewright.hpp>

#include "tests/support/TestSupport.h"

namespace {

using namespace std::literals;

// Results as the header documents them: -1 and NULL for none, reasons and pages verbatim.
std::string Show(int n) {
    return std::to_string(n);
}
std::string Show(char* sz) {
    const std::string s = sz ? sz : "NULL";
    pagewright_free(sz);
    return s;
}
std::string CannotOpenText(const std::string& path) {
    return "cannot open the text file \"" + path + "\": " + std::strerror(ENOENT);
}
std::string PlainPage(const std::string& text) {
    return "<html><head><title>User Notification</title></head><body bgcolor=\"#FFFFFF\"><p>" +
           text + "</p></body></html>";
}

class BindingsTest : public ::testing::Test {
protected:
    BindingsTest() {
        std::filesystem::create_directory(m_dest);
        testsupport::WriteFile(m_form, Form());
    }
    ~BindingsTest() override { pagewright_destroy(m_g); }
    std::string Form() const { return "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + m_dest; }
    int Generate(const char* text, const std::string& form) {
        return pagewright_generate(m_g, text, std::strlen(text), form.c_str(), "LAYOUT");
    }

    testsupport::TempDir m_tmp;
    // Non-ASCII paths check the trip through UTF-8 and BSTRs and back.
    std::string m_dest = m_tmp.File("Seiten-\xC3\xBC");
    std::string m_form = m_tmp.File("form-\xC3\xA4.frm");
    testsupport::HeldFile m_held{m_tmp}; // holds a job on its form file until released
    pagewright_generator* m_g = pagewright_new();
};

// clang-format off
#define ROW(call, expected) {#call, expected, [&] { return Show(call); }}
// clang-format on

TEST_F(BindingsTest, NullPointersAndUnknownIndexesGiveTheDocumentedResults) {
    const std::string missing = m_tmp.File("missing.txt");
    const char* szForm = m_form.c_str();
    ASSERT_EQ(0, pagewright_generate(m_g, "A", 1, nullptr, nullptr));
    ASSERT_EQ(1, pagewright_generate_file(m_g, nullptr, szForm, nullptr));
    ASSERT_EQ(2, pagewright_generate_file(m_g, missing.c_str(), szForm, "LAYOUT"));
    ASSERT_EQ(3, pagewright_generate(m_g, nullptr, 0, szForm, "LAYOUT"));
    ASSERT_EQ(4, pagewright_generate(m_g, "", 0, szForm, "LAYOUT"));
    ASSERT_EQ(1, pagewright_wait(m_g, -1));
    const std::string strEmptyText = Show(pagewright_reason(m_g, 4));
    const struct {
        const char* szCall;
        std::string strExpected;
        std::function<std::string()> call;
    } rows[] = {
        ROW(pagewright_generate(nullptr, "A", 1, szForm, "S"), "-1"),
        ROW(pagewright_generate(m_g, nullptr, 3, szForm, "S"), "-1"),
        ROW(pagewright_generate_file(nullptr, "t", szForm, "S"), "-1"),
        ROW(pagewright_reason(m_g, 0), "no form file given (the path is empty)"),
        ROW(pagewright_reason(m_g, 1), CannotOpenText("")),
        ROW(pagewright_reason(m_g, 2), CannotOpenText(missing)),
        ROW(pagewright_page(m_g, 2), "NULL"),
        ROW(pagewright_reason(m_g, 3), strEmptyText), // NULL and 0 bytes: the empty text
        ROW(pagewright_wait(nullptr, -1), "-1"),
        ROW(pagewright_wait_request(nullptr, 0, -1), "-1"),
        ROW(pagewright_wait_request(m_g, 5, -1), "-1"),
        ROW(pagewright_wait_request(m_g, -1, -1), "-1"),
        ROW(pagewright_page(nullptr, 0), "NULL"),
        ROW(pagewright_reason(nullptr, 0), "NULL"),
        ROW(pagewright_page(m_g, 5), "NULL"),
        ROW(pagewright_reason(m_g, -1), "NULL"),
        ROW(pagewright_version() == std::string(PAGEWRIGHT_PROJECT_VERSION), "1"),
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.strExpected, row.call()) << row.szCall;
    EXPECT_NE("NULL", strEmptyText); // an empty text makes no page, and says why
    pagewright_reset(nullptr);
    pagewright_destroy(nullptr);
    pagewright_free(nullptr);
}

// Under ThreadSanitizer above all: several threads queue, wait and reset on one generator.
TEST_F(BindingsTest, ConcurrentGenerateWaitAndResetLoseNothing) {
    std::atomic<int> nBad{0};
    std::vector<std::jthread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                const int nIndex = Generate("Alpha", m_form);
                // -1 only when another thread's reset cleared the request meanwhile.
                const int nWaited = pagewright_wait_request(m_g, nIndex, -1);
                nBad += nIndex < 0 || nWaited == 0 || pagewright_wait(m_g, t) < 0;
                pagewright_free(pagewright_page(m_g, nIndex));
                if (t == 1 && i % 5 == 4)
                    pagewright_reset(m_g);
            }
        });
    threads.clear(); // joins them
    EXPECT_EQ(0, nBad.load());
    pagewright_reset(m_g);
    // Every page made was recorded, and so deleted by one of the resets.
    EXPECT_EQ(std::vector<std::string>{}, testsupport::ListFiles(m_dest));
}

// The C++ API, and through it the C API's waits.
TEST_F(BindingsTest, CppRequestsWaitForThemselvesAndTheirTimeLimitsAndMoveWithTheirGenerator) {
    try {
        pagewright::make_page("Notice<T>Please read<LB>First point", m_form, "LAYOUT");
        ADD_FAILURE() << "no Error";
    } catch (const pagewright::Error& e) {
        EXPECT_EQ("text, offset 20: a list begun with <LB> is never ended"s, e.what());
    }
    pagewright::Generator moved;
    const pagewright::Request held = moved.generate("Alpha", m_held.Path(), "LAYOUT");
    pagewright::Generator gen(std::move(moved)); // its requests move with it
    EXPECT_THROW(moved.generate("Alpha", m_form, "LAYOUT"), pagewright::Error);
    const pagewright::Page made = gen.generate("Beta", m_form, "LAYOUT").get(); // not held up
    EXPECT_TRUE(made.ok() && made.reason().empty() && made.index() == 1);
    EXPECT_EQ(PlainPage("Beta"), testsupport::ReadFile(made.path().string()));
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(held.wait_for(0ms) || held.wait_for(40ms) || gen.wait_for(40ms));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 80ms);
    // A reset while a request is waited for ends that wait: the request has finished.
    auto waited = std::async(std::launch::async, [&] { return held.wait_for(-1ms); });
    auto reset = std::async(std::launch::async, [&] { gen.reset(); });
    EXPECT_EQ(std::future_status::timeout, waited.wait_for(50ms));
    m_held.Release(Form());
    EXPECT_TRUE(waited.get());
    reset.get();
    EXPECT_EQ(std::vector<std::string>{}, testsupport::ListFiles(m_dest)); // both pages deleted
    EXPECT_FALSE(held.get().ok());
}

} // namespace
