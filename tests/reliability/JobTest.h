// The fixture of the reliability suites (faults, stress, bad inputs): a scratch folder with a
// page folder in it, one generator object, and every injected fault disarmed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/faults.h"
#include "platform/thread.h"
#include "tests/support/Host.h"
#include "tests/support/TestSupport.h"

namespace reliability {

class JobTest : public ::testing::Test {
protected:
    JobTest() { std::filesystem::create_directory(m_dest); }
    ~JobTest() override {
        platform::testing::ClearFaults();
        platform::testing::FailNextThreadStarts(0);
    }
    // Settings without a default style that send pages to strDest, then strSections.
    static std::string Form(const std::string& strDest, const std::string& strSections = "") {
        return "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + strDest + "\n" + strSections;
    }
    // Runs one request on the form file to its end and gives its name.
    std::string RunOne(const std::string& text) {
        const int nIndex = m_host.Generate(text.c_str(), m_form.c_str());
        EXPECT_GE(nIndex, 0);
        EXPECT_TRUE(m_host.WaitFinished());
        return m_host.Name(nIndex);
    }

    testsupport::TempDir m_dir;
    const std::string m_dest = m_dir.File("out"), m_form = m_dir.File("form.frm");
    testsupport::Host m_host; // goes first: its jobs finish before the folders go
};

} // namespace reliability
