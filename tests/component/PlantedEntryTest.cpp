// What stands at a page's name before the page is made: page names are predictable (the clock
// and the request index), and pages go into folders others may write to. Whatever is planted
// there, no byte outside the page folder changes, no request waits on it, and each request
// either makes its page as a regular file of one link or fails with a reason that names the
// entry; Reset removes only what the object made.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

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

enum class Planted {
    kSymlinkToOutside,
    kDanglingSymlink,
    kHardLinkToOutside,
    kDirectory,
    kFifo,
    kOlderPage,
    kReadOnlyOlderPage, // a page this process may not write: refused as it always was
};

struct Entry {
    const char* szName;
    Planted planted;
};
void PrintTo(const Entry& e, std::ostream* os) {
    *os << e.szName;
}

const Entry kEntries[] = {
#ifndef _WIN32 // Wine makes no symbolic links or FIFOs of its own
    {"SymlinkToOutside", Planted::kSymlinkToOutside},
    {"DanglingSymlink", Planted::kDanglingSymlink},
    {"Fifo", Planted::kFifo},
    {"ReadOnlyOlderPage", Planted::kReadOnlyOlderPage},
#endif
    {"HardLinkToOutside", Planted::kHardLinkToOutside},
    {"Directory", Planted::kDirectory},
    {"OlderPage", Planted::kOlderPage},
};

const std::string kOutsideBytes = "the outside file's own bytes\n";
const std::string kOlderBytes = "an older page\n";

// The number of directory entries of the file at strPath (a link itself, not what it leads to).
unsigned long LinkCount(const std::string& strPath) {
#ifdef _WIN32
    const HANDLE h = ::CreateFileA(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool bKnown = h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info);
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
    return bKnown ? info.nNumberOfLinks : 0;
#else
    struct stat st {};
    return ::lstat(strPath.c_str(), &st) == 0 ? static_cast<unsigned long>(st.st_nlink) : 0;
#endif
}

// Every entry of the folder, whatever its kind, by name.
std::set<std::string> Entries(const std::string& strDir) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(strDir))
        names.insert(entry.path().filename().string());
    return names;
}

bool IsPlainFile(const std::string& strPath) {
    return fs::symlink_status(strPath).type() == fs::file_type::regular && LinkCount(strPath) == 1;
}

class PlantedEntryTest : public ::testing::TestWithParam<std::tuple<Entry, bool>> {
protected:
    PlantedEntryTest() {
        fs::create_directory(m_dest);
        WriteFile(m_outside, kOutsideBytes);
    }
    void WriteForm(bool bHtml5) {
        WriteFile(m_form, "[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=" + m_dest + "\n" +
                              (bHtml5 ? "PAGE_FORMAT=HTML5\n" : ""));
    }
    void Plant(Planted planted) {
        switch (planted) {
        case Planted::kSymlinkToOutside:
            fs::create_symlink(m_outside, m_name);
            break;
        case Planted::kDanglingSymlink:
            fs::create_symlink(m_nowhere, m_name);
            break;
        case Planted::kHardLinkToOutside:
            fs::create_hard_link(m_outside, m_name);
            break;
        case Planted::kDirectory:
            fs::create_directory(m_name);
            break;
        case Planted::kFifo:
#ifndef _WIN32
            ASSERT_EQ(0, ::mkfifo(m_name.c_str(), 0666));
#endif
            break;
        case Planted::kOlderPage:
            WriteFile(m_name, kOlderBytes);
            break;
        case Planted::kReadOnlyOlderPage:
            WriteFile(m_name, kOlderBytes);
            fs::permissions(m_name, fs::perms::owner_read | fs::perms::group_read);
            break;
        }
    }
    std::string Reason() {
        IPagewrightDiagnostics* pDiag = nullptr;
        EXPECT_EQ(S_OK, m_host.Get()->QueryInterface(IID_IPagewrightDiagnostics,
                                                     reinterpret_cast<void**>(&pDiag)));
        BSTR reason = nullptr;
        pDiag->GetFailureReason(0, &reason);
        pDiag->Release();
        std::string strReason = platform::BstrToAnsi(reason);
        SysFreeString(reason);
        return strReason;
    }
    // The outside files are as they were: the file every link leads to (with nLinks names: a
    // hard link left standing is one), and nothing where the dangling link led.
    void ExpectOutsideUntouched(unsigned long nLinks = 1) {
        EXPECT_EQ(kOutsideBytes, ReadFile(m_outside));
        EXPECT_EQ(nLinks, LinkCount(m_outside));
        EXPECT_FALSE(fs::exists(fs::symlink_status(m_nowhere)));
    }

    testsupport::TempDir m_dir;
    const std::string m_dest = m_dir.File("pages"), m_form = m_dir.File("form.frm");
    const std::string m_outside = m_dir.File("outside.txt"), m_nowhere = m_dir.File("nowhere");
    // The clock and request 0 give the name of 4 December 2026, 08:07:28.
    const std::string m_strPage = "HTML2026212242827228202.htm";
    const std::string m_name = m_dest + "/" + m_strPage;
    testsupport::FixedClock m_clock{platform::LocalDateTime{2026, 12, 4, 8, 7, 28}};
    testsupport::Host m_host; // waits for the jobs before the folders go
};

TEST_P(PlantedEntryTest, NothingOutsideChangesAndEachRequestMakesItsOwnFileOrSaysWhy) {
    const auto& [entry, bHtml5] = GetParam();
#ifndef _WIN32
    const bool bMayWriteAnything = ::geteuid() == 0;
#else
    const bool bMayWriteAnything = false;
#endif
    WriteForm(bHtml5);
    Plant(entry.planted);
    ASSERT_EQ(0, m_host.Generate("Alpha", m_form.c_str()));
    // Bounded: a page that opened the FIFO would wait for a reader for ever.
    ASSERT_TRUE(m_host.WaitFinished()) << "the request hangs";

    // An HTML5 page leaves whatever stands at the name alone and takes the next free one; the
    // compatible page replaces it, except where writing it was refused before: a directory,
    // a page this process may not write.
    const bool bRefused =
        !bHtml5 && (entry.planted == Planted::kDirectory ||
                    (entry.planted == Planted::kReadOnlyOlderPage && !bMayWriteAnything));
    const std::string strMade = bHtml5 ? m_dest + "/HTML2026212242827228202-1.htm" : m_name;
    std::set<std::string> expected{m_strPage};
    if (bHtml5)
        expected.insert("HTML2026212242827228202-1.htm");
    EXPECT_EQ(expected, Entries(m_dest)); // and no file besides: nothing left half-made
    const unsigned long nOutsideLinks =
        bHtml5 && entry.planted == Planted::kHardLinkToOutside ? 2 : 1;
    ExpectOutsideUntouched(nOutsideLinks);
    if (bRefused) {
        EXPECT_EQ("", m_host.Name(0));
#ifdef _WIN32
        const int nError = ERROR_ACCESS_DENIED;
#else
        const int nError = entry.planted == Planted::kDirectory ? EISDIR : EACCES;
#endif
        EXPECT_EQ("cannot create the page file \"" + m_name +
                      "\": " + platform::FileErrorText(nError),
                  Reason());
    } else {
        EXPECT_EQ(strMade, m_host.Name(0));
        EXPECT_EQ("", Reason());
        EXPECT_TRUE(IsPlainFile(strMade));
        const std::string strPage = ReadFile(strMade);
        if (bHtml5) {
            EXPECT_TRUE(strPage.starts_with("<!DOCTYPE html>") &&
                        strPage.find("<p>Alpha</p>") != std::string::npos)
                << strPage;
        } else {
            EXPECT_EQ(testsupport::kPlainHead + "<p>Alpha</p></body></html>", strPage);
        }
    }
    // What the HTML5 page left alone is still there as it was.
    if (bHtml5 &&
        (entry.planted == Planted::kOlderPage || entry.planted == Planted::kReadOnlyOlderPage)) {
        EXPECT_EQ(kOlderBytes, ReadFile(m_name));
    }
    if (bHtml5 && entry.planted == Planted::kSymlinkToOutside) {
        EXPECT_EQ(fs::path(m_outside), fs::read_symlink(m_name));
    }

    EXPECT_EQ(S_OK, m_host.Get()->Reset());
    ExpectOutsideUntouched(nOutsideLinks);
    // Reset deletes the page it named, and only that.
    expected = bHtml5 || bRefused ? std::set<std::string>{m_strPage} : std::set<std::string>{};
    EXPECT_EQ(expected, Entries(m_dest));
}

INSTANTIATE_TEST_SUITE_P(AtThePageName, PlantedEntryTest,
                         ::testing::Combine(::testing::ValuesIn(kEntries), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).szName) +
                                    (std::get<1>(info.param) ? "Html5" : "Compatible");
                         });

// A page swapped for a link after it was made: Reset removes the link, not what it leads to.
TEST_F(PlantedEntryTest, ResetRemovesALinkAtAPageNameNotItsTarget) {
    WriteForm(false);
    const bool bSymlinks[] = {
        false,
#ifndef _WIN32
        true,
#endif
    };
    for (const bool bSymlink : bSymlinks) {
        ASSERT_EQ(0, m_host.Generate("Alpha", m_form.c_str()));
        ASSERT_TRUE(m_host.WaitFinished());
        ASSERT_EQ(m_name, m_host.Name(0));
        fs::remove(m_name);
        bSymlink ? fs::create_symlink(m_outside, m_name) : fs::create_hard_link(m_outside, m_name);
        EXPECT_EQ(S_OK, m_host.Get()->Reset());
        EXPECT_TRUE(Entries(m_dest).empty()) << bSymlink;
        ExpectOutsideUntouched();
    }
}

#ifndef _WIN32
// A page has the permissions of a newly created file, the umask applied, also where an older
// page of other permissions stood.
TEST_F(PlantedEntryTest, APagesPermissionsFollowTheUmask) {
    struct Case {
        mode_t nUmask, nExpected;
        bool bHtml5, bOlderPage;
    };
    for (const Case& c : {Case{027, 0640, false, false}, Case{027, 0640, false, true},
                          Case{002, 0664, true, false}, Case{077, 0600, false, true}}) {
        WriteForm(c.bHtml5);
        if (c.bOlderPage) {
            WriteFile(m_name, kOlderBytes);
            ::chmod(m_name.c_str(), 0606);
        }
        const mode_t nPrevious = ::umask(c.nUmask);
        const int nIndex = m_host.Generate("Alpha", m_form.c_str());
        const bool bFinished = m_host.WaitFinished();
        ::umask(nPrevious);
        ASSERT_TRUE(nIndex == 0 && bFinished);
        struct stat st {};
        ASSERT_EQ(0, ::stat(m_host.Name(0).c_str(), &st));
        EXPECT_EQ(c.nExpected, st.st_mode & 07777) << std::oct << c.nUmask;
        EXPECT_EQ(S_OK, m_host.Get()->Reset());
    }
}
#endif

} // namespace
