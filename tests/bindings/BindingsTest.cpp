// The C API and the C++ API as hosts use them: linked against libpagewright.so, on real files.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <thread>

#include <pagewright/pagewright.hpp>

#include "tests/support/TestSupport.h"

namespace {

using namespace std::literals;
using Clock = std::chrono::steady_clock;

// The reasons and the page as the documentation writes them.
const std::string kUnclosedList = "text, offset 20: a list begun with <LB> is never ended";
const std::string kNoForm = "no form file given (the path is empty)";
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
    // A string the C API returned, or "NULL".
    static std::string Take(char* sz) {
        const std::string s = sz ? sz : "NULL";
        pagewright_free(sz);
        return s;
    }

    testsupport::TempDir m_tmp;
    // Non-ASCII paths check the trip through UTF-8 and BSTRs and back.
    std::string m_dest = m_tmp.File("Seiten-\xC3\xBC");
    std::string m_form = m_tmp.File("form-\xC3\xA4.frm");
    testsupport::HeldFile m_held{m_tmp}; // holds a job on its form file until released
    pagewright_generator* m_g = pagewright_new();
};

TEST_F(BindingsTest, NullPointersAndUnknownIndexesGiveTheDocumentedResults) {
    ASSERT_NE(nullptr, m_g);
    const std::string missing = m_tmp.File("missing.txt");
    const int nNoForm = pagewright_generate(m_g, "A", 1, nullptr, nullptr);
    const int nNoTextFile = pagewright_generate_file(m_g, nullptr, m_form.c_str(), nullptr);
    const int nMissing = pagewright_generate_file(m_g, missing.c_str(), m_form.c_str(), "LAYOUT");
    const int nNullText = pagewright_generate(m_g, nullptr, 0, m_form.c_str(), "LAYOUT");
    const int nEmptyText = pagewright_generate(m_g, "", 0, m_form.c_str(), "LAYOUT");
    ASSERT_EQ(1, pagewright_wait(m_g, -1));
    const std::string strEmptyText = Take(pagewright_reason(m_g, nEmptyText));
    const struct {
        const char* szCall;
        std::function<std::string()> call;
        std::string strExpected;
    } rows[] = {
        // clang-format off
        {"generate on NULL", [] { return std::to_string(pagewright_generate(nullptr, "A", 1, "f", "s")); }, "-1"},
        {"generate NULL text of 3 bytes", [&] { return std::to_string(pagewright_generate(m_g, nullptr, 3, m_form.c_str(), "s")); }, "-1"},
        {"generate_file on NULL", [] { return std::to_string(pagewright_generate_file(nullptr, "t", "f", "s")); }, "-1"},
        {"indexes in call order", [&] { return std::to_string(nNoForm) + std::to_string(nNoTextFile) + std::to_string(nMissing) + std::to_string(nNullText); }, "0123"},
        {"reason of a NULL form path", [&] { return Take(pagewright_reason(m_g, nNoForm)); }, kNoForm},
        {"reason of a NULL text path", [&] { return Take(pagewright_reason(m_g, nNoTextFile)); }, CannotOpenText("")},
        {"reason of a missing text file", [&] { return Take(pagewright_reason(m_g, nMissing)); }, CannotOpenText(missing)},
        {"page of a missing text file", [&] { return Take(pagewright_page(m_g, nMissing)); }, "NULL"},
        {"NULL text of 0 bytes is the empty text", [&] { return Take(pagewright_reason(m_g, nNullText)); }, strEmptyText},
        {"the empty text makes no page", [&] { return std::to_string(strEmptyText != "NULL") + Take(pagewright_page(m_g, nEmptyText)); }, "1NULL"},
        {"wait on NULL", [] { return std::to_string(pagewright_wait(nullptr, -1)); }, "-1"},
        {"wait_request on NULL", [] { return std::to_string(pagewright_wait_request(nullptr, 0, -1)); }, "-1"},
        {"wait_request for an index not issued", [&] { return std::to_string(pagewright_wait_request(m_g, 5, -1)); }, "-1"},
        {"wait_request for -1", [&] { return std::to_string(pagewright_wait_request(m_g, -1, -1)); }, "-1"},
        {"page and reason on NULL", [] { return Take(pagewright_page(nullptr, 0)) + Take(pagewright_reason(nullptr, 0)); }, "NULLNULL"},
        {"page and reason of an unknown index", [&] { return Take(pagewright_page(m_g, 5)) + Take(pagewright_reason(m_g, -1)); }, "NULLNULL"},
        {"reset, destroy and free of NULL", [] { return pagewright_reset(nullptr), pagewright_destroy(nullptr), pagewright_free(nullptr), "done"; }, "done"},
        {"the version", [] { return std::string(pagewright_version()); }, PAGEWRIGHT_PROJECT_VERSION},
        // clang-format on
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.strExpected, row.call()) << row.szCall;
}

TEST_F(BindingsTest, WaitsEndWithTheirRequestOrTheirTimeLimit) {
    const int nHeld = Generate("Alpha", m_held.Path());
    const int nFree = Generate("Beta", m_form);
    EXPECT_EQ(1, pagewright_wait_request(m_g, nFree, -1)); // not held up by the other request
    EXPECT_EQ(PlainPage("Beta"), testsupport::ReadFile(Take(pagewright_page(m_g, nFree))));
    EXPECT_EQ("NULLNULL", Take(pagewright_page(m_g, nHeld)) + Take(pagewright_reason(m_g, nHeld)));
    for (const long nLimitMs : {0L, 60L}) {
        const auto t0 = Clock::now();
        EXPECT_EQ(0, pagewright_wait_request(m_g, nHeld, nLimitMs));
        EXPECT_EQ(0, pagewright_wait(m_g, nLimitMs));
        EXPECT_GE(Clock::now() - t0, 2 * std::chrono::milliseconds(nLimitMs));
    }
    // A reset that comes while a request is waited for ends that wait, with the request done.
    auto waiting =
        std::async(std::launch::async, [&] { return pagewright_wait_request(m_g, nHeld, -1); });
    auto reset = std::async(std::launch::async, [&] { pagewright_reset(m_g); });
    EXPECT_EQ(std::future_status::timeout, waiting.wait_for(50ms));
    m_held.Release(Form());
    EXPECT_EQ(1, waiting.get());
    reset.get();
    EXPECT_TRUE(testsupport::ListFiles(m_dest).empty()); // both pages deleted
    EXPECT_EQ(0, Generate("Gamma", m_form));             // counted from 0 again
}

// Under ThreadSanitizer above all: several threads queue, wait and reset on one generator.
TEST_F(BindingsTest, ConcurrentGenerateWaitAndResetLoseNothing) {
    std::vector<std::thread> threads;
    std::atomic<int> nBad{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                const int nIndex = Generate("Alpha", m_form);
                // Unknown (-1) only when another thread's reset cleared it meanwhile.
                const int nWaited = pagewright_wait_request(m_g, nIndex, -1);
                nBad += nIndex < 0 || (nWaited != 1 && nWaited != -1) ||
                        pagewright_wait(m_g, t == 0 ? 0 : 5) < 0;
                pagewright_free(pagewright_page(m_g, nIndex));
                if (t == 1 && i % 5 == 4)
                    pagewright_reset(m_g);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, nBad.load());
    ASSERT_EQ(1, pagewright_wait(m_g, -1));
    pagewright_reset(m_g);
    // Every page made was recorded, and so deleted by one of the resets.
    EXPECT_EQ(std::vector<std::string>{}, testsupport::ListFiles(m_dest));
}

TEST_F(BindingsTest, CppGeneratorRequestsAndOneCallPages) {
    const std::filesystem::path page = pagewright::make_page("Alpha", m_form, "LAYOUT");
    // Its generator is gone, and has left its page.
    EXPECT_EQ(PlainPage("Alpha"), testsupport::ReadFile(page.string()));
    EXPECT_EQ(m_dest, page.parent_path().string());
    try {
        pagewright::make_page("Notice<T>Please read<LB>First point", m_form, "LAYOUT");
        ADD_FAILURE() << "no Error";
    } catch (const pagewright::Error& e) {
        EXPECT_EQ(kUnclosedList, e.what());
        EXPECT_EQ(0, e.index());
    }

    pagewright::Generator moved;
    const pagewright::Request held = moved.generate("Alpha", m_held.Path(), "LAYOUT");
    pagewright::Generator gen(std::move(moved)); // requests follow their generator's object
    EXPECT_THROW(moved.generate("Alpha", m_form, "LAYOUT"), pagewright::Error);
    const pagewright::Request missing = gen.generate_file(m_tmp.File("none.txt"), m_form, "");
    const pagewright::Page failed = missing.get();
    EXPECT_TRUE(!failed.ok() && failed.path().empty());
    EXPECT_EQ(CannotOpenText(m_tmp.File("none.txt")), failed.reason());
    EXPECT_FALSE(held.wait_for(0ms));
    EXPECT_FALSE(gen.wait_for(30ms));
    m_held.Release(Form());
    gen.wait();
    const pagewright::Page made = held.get();
    EXPECT_TRUE(made.ok() && made.reason().empty() && made.index() == 0);
    EXPECT_EQ(PlainPage("Alpha"), testsupport::ReadFile(made.path().string()));
    gen.reset();
    EXPECT_FALSE(std::filesystem::exists(made.path()));
    EXPECT_FALSE(held.get().ok()); // cleared by the reset
}

} // namespace
