// Page names are predictable (the clock and the request index) and pages go into folders others
// may write to. Whatever stands at the next page's name, nothing outside the page folder
// changes, no request waits on it, and each request makes its page as a regular file of one link
// (with a new file's permissions) or fails with a reason that names the entry. Reset removes
// what stands at a page's name, never what a link there leads to.
#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/textfile.h"
#include "tests/support/Host.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile, testsupport::WriteFile;

enum Planted {
    kSymlink,
    kDanglingSymlink,
    kFifo,
    kReadOnlyPage,
    kHardLink,
    kDirectory,
    kOlderPage
};
// Wine makes neither symbolic links nor FIFOs, and lets a read-only file be replaced.
const Planted kPlanted[] = {
#ifndef _WIN32
    kSymlink,  kDanglingSymlink, kFifo,     kReadOnlyPage,
#endif
    kHardLink, kDirectory,       kOlderPage};

// The names of a file (a link's own, not its target's); the C library under Wine always says 1.
unsigned long LinkCount(const std::string& strPath) {
#ifdef _WIN32
    const HANDLE h = ::CreateFileA(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool bKnown = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    return bKnown ? info.nNumberOfLinks : 0;
#else
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0 ? st.st_nlink : 0;
#endif
}

class PlantedEntryTest : public ::testing::TestWithParam<std::tuple<Planted, bool>> {
protected:
    PlantedEntryTest() {
        fs::create_directory(m_dest);
        WriteFile(m_outside, kOutsideBytes);
    }
    void Plant(Planted planted) {
        if (planted == kSymlink || planted == kDanglingSymlink)
            fs::create_symlink(planted == kSymlink ? m_outside : m_nowhere, m_name);
        else if (planted == kHardLink)
            fs::create_hard_link(m_outside, m_name);
        else if (planted == kDirectory)
            fs::create_directory(m_name);
        else if (planted == kOlderPage || planted == kReadOnlyPage) // not a new page's mode
            WriteFile(m_name, kOlderBytes),
                fs::permissions(m_name, fs::perms(planted == kOlderPage ? 0606 : 0444));
#ifndef _WIN32
        else
            ASSERT_EQ(0, ::mkfifo(m_name.c_str(), 0666));
#endif
    }
    // The file links lead to keeps its bytes (and nLinks names), and nothing appears where the
    // dangling link leads.
    void ExpectOutsideUntouched(unsigned long nLinks) {
        EXPECT_EQ(kOutsideBytes, ReadFile(m_outside));
        EXPECT_EQ(nLinks, LinkCount(m_outside));
        EXPECT_FALSE(fs::exists(fs::symlink_status(m_nowhere)));
    }
    std::set<std::string> Entries() { // every kind of entry: a file left half-made shows
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_dest))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::string Reason() {
        IPagewrightDiagnostics* pDiag = nullptr;
        m_host.Get()->QueryInterface(IID_IPagewrightDiagnostics, reinterpret_cast<void**>(&pDiag));
        BSTR reason = nullptr;
        pDiag->GetFailureReason(0, &reason);
        pDiag->Release();
        const std::string strReason = platform::BstrToAnsi(reason);
        SysFreeString(reason);
        return strReason;
    }

    const std::string kOutsideBytes = "the outside file's own bytes\n", kOlderBytes = "older\n";
    testsupport::TempDir m_dir;
    const std::string m_dest = m_dir.File("pages"), m_form = m_dir.File("form.frm");
    const std::string m_outside = m_dir.File("outside.txt"), m_nowhere = m_dir.File("nowhere");
    // 4 December 2026, 08:07:28, request 0.
    const std::string m_strPage = "HTML2026212242827228202.htm", m_name = m_dest + "/" + m_strPage;
    testsupport::FixedClock m_clock{platform::LocalDateTime{2026, 12, 4, 8, 7, 28}};
    testsupport::Host m_host; // waits for the jobs before the folders go
};

TEST_P(PlantedEntryTest, NothingOutsideChangesAndEachRequestMakesItsOwnFileOrSaysWhy) {
    const auto [planted, bHtml5] = GetParam();
    WriteFile(m_form, "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + m_dest +
                          (bHtml5 ? "\nPAGE_FORMAT=HTML5\n" : "\n"));
    Plant(planted);
#ifndef _WIN32
    const mode_t nUmask = ::umask(027);
#endif
    ASSERT_EQ(0, m_host.Generate("Alpha", m_form.c_str()));
    const bool bFinished = m_host.WaitFinished(); // bounded: an open FIFO waits for a reader
#ifndef _WIN32
    ::umask(nUmask);
#endif
    ASSERT_TRUE(bFinished);

    // An HTML5 page leaves the entry alone and takes the next free name; the compatible page
    // replaces it, except where it was always refused: a directory, a page it may not write.
#ifdef _WIN32
    const bool bMayWriteAll = false;
#else
    const bool bMayWriteAll = ::geteuid() == 0;
#endif
    const bool bRefused =
        !bHtml5 && (planted == kDirectory || (planted == kReadOnlyPage && !bMayWriteAll));
    const std::string strMade = bHtml5 ? m_dest + "/HTML2026212242827228202-1.htm" : m_name;
    const std::set<std::string> onePage{m_strPage},
        twoPages{m_strPage, fs::path(strMade).filename().string()};
    EXPECT_EQ(bHtml5 ? twoPages : onePage, Entries());
    const unsigned long nOutsideLinks = bHtml5 && planted == kHardLink ? 2 : 1;
    ExpectOutsideUntouched(nOutsideLinks);
    EXPECT_EQ(bRefused ? "" : strMade, m_host.Name(0));
#ifdef _WIN32
    const int nRefusal = ERROR_ACCESS_DENIED;
#else
    const int nRefusal = planted == kDirectory ? EISDIR : EACCES;
#endif
    EXPECT_EQ(bRefused ? "cannot create the page file \"" + m_name +
                             "\": " + platform::FileErrorText(nRefusal)
                       : "",
              Reason());
    if (!bRefused) {
        EXPECT_TRUE(fs::symlink_status(strMade).type() == fs::file_type::regular &&
                    LinkCount(strMade) == 1);
        EXPECT_NE(std::string::npos, ReadFile(strMade).find("<p>Alpha</p>"));
#ifndef _WIN32
        struct stat st {};
        EXPECT_TRUE(::stat(strMade.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640);
#endif
    }
    if (bHtml5 && (planted == kOlderPage || planted == kReadOnlyPage)) {
        EXPECT_EQ(kOlderBytes, ReadFile(m_name));
    }

    // By Reset, the entry stands in the compatible page's place: Reset removes it.
    if (!bRefused && !bHtml5) {
        fs::remove(m_name);
        Plant(planted);
    }
    EXPECT_EQ(S_OK, m_host.Get()->Reset());
    ExpectOutsideUntouched(nOutsideLinks);
    EXPECT_EQ(bHtml5 || bRefused ? onePage : std::set<std::string>{}, Entries());
}

INSTANTIATE_TEST_SUITE_P(AtThePageName, PlantedEntryTest,
                         ::testing::Combine(::testing::ValuesIn(kPlanted), ::testing::Bool()));

} // namespace
