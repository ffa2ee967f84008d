// A whole job in memory: form file bytes, section name and text to a page or no page, through
// the same conversion the worker thread runs (everything but the hand-back to the object).
//
// Input: one byte choosing a file fault (most values choose none), then the form file, a NUL,
// the section name, a NUL and the text. The clock is fixed and every file the job creates is
// jailed in a scratch directory, whatever HTML_DEST_DIR the fuzzed form file names. The form
// file is handed to the job in memory under the path the job then loads, which it finds held;
// it goes through a file only where the job must read it itself (see below).
//
// A page made with TEXT_ESCAPING = HTML is made a second time, from its text with every
// character of its runs that HTML reads as markup written as a reference beforehand, and with
// the escaping turned off: when that text cuts into the same runs, the two pages must be the same
// but for the HTML5 page's policy. So the escaping reaches every run, and nothing but the runs:
// no "<" of a run's own gets onto the page, and the markers and the form's HTML are untouched.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "engine/GenThread.h"
#include "fuzz/FuzzSupport.h"
#include "platform/clock.h"
#include "platform/faults.h"

namespace {

using platform::testing::FileOp;

// The compatible page's start and end, and the HTML5 page's (PAGE_FORMAT = HTML5).
constexpr std::string_view kHeadStart = "<html><head><title>User Notification</title></head><body";
constexpr std::string_view kEnd = "</body></html>";
constexpr std::string_view kHtml5Start = "<!DOCTYPE html>\n<html lang=\"";
constexpr std::string_view kHtml5End = "</body>\n</html>\n";

bool StartsAndEndsAs(const std::string& strPage, std::string_view start, std::string_view end) {
    return strPage.compare(0, start.size(), start) == 0 &&
           strPage.size() >= start.size() + end.size() &&
           strPage.compare(strPage.size() - end.size(), end.size(), end) == 0;
}

// The references, written out here rather than taken from the engine that is being checked.
std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

constexpr std::string_view kPolicy = "<meta http-equiv=\"Content-Security-Policy\" "
                                     "content=\"script-src 'none'; object-src 'none'\">\n";

bool FixedTime(platform::LocalDateTime& dt) {
    dt = {2026, 12, 4, 8, 7, 28};
    return true;
}

struct Setup {
    std::string strForm;
    std::string strJail;
    Setup() {
        const std::string& strDir = fuzzsupport::ScratchDir();
        strForm = strDir + "/job.frm";
        strJail = strDir + "/pages";
        if (::mkdir(strJail.c_str(), 0700) != 0 && errno != EEXIST)
            std::abort();
        platform::testing::SetLocalClock(&FixedTime);
    }
};

constexpr std::uint8_t kReadFault = 4;

// Arms one file fault that is sure to hit a page the job tries to write; false for none.
bool ArmFault(std::uint8_t nChoice) {
    switch (nChoice % 16) {
    case 1:
        platform::testing::FailFileOps(FileOp::kCreate, 1, EACCES);
        return true;
    case 2:
        platform::testing::FailFileOps(FileOp::kWrite, 1, ENOSPC);
        return true;
    case 3:
        platform::testing::FailFileOps(FileOp::kClose, 1, EIO);
        return true;
    case kReadFault:
        // The second read of the form file fails: a read error after the first chunk.
        platform::testing::FailFileOps(FileOp::kRead, 1, EIO, 1);
        return true;
    default:
        return false;
    }
}

std::string JailedPage(const std::string& strPath, const std::string& strJail) {
    platform::testing::SetWriteJail(strJail);
    std::string strJailed = platform::testing::JailedPath(strPath);
    platform::testing::SetWriteJail(std::string());
    return strJailed;
}

// See the top of the file. job made strPage with TEXT_ESCAPING = HTML.
void CheckEscaping(CGenThread& job, std::string strPage, std::string_view form,
                   std::string_view section, const std::string& strForm,
                   const std::string& strJail) {
    const std::string& strText = job.m_strText; // trimmed, and what the runs are views into
    std::string strPlain;
    std::vector<std::string> arrRuns;
    std::size_t nCopied = 0;
    job.RewindTokens();
    for (std::size_t i = 0; i < job.m_nTokenCount; ++i) {
        const std::string_view run = job.TokenText(i);
        arrRuns.push_back(Escaped(run));
        if (run.empty())
            continue;
        const auto nAt = static_cast<std::size_t>(run.data() - strText.data());
        FUZZ_CHECK(nAt >= nCopied && nAt + run.size() <= strText.size());
        strPlain.append(strText, nCopied, nAt - nCopied);
        strPlain += arrRuns.back();
        nCopied = nAt + run.size();
    }
    strPlain.append(strText, nCopied);

    CGenThread plain(nullptr, strPlain, strForm, std::string(section), 0);
    FUZZ_CHECK(plain.m_formFile.LoadFromMemory(strForm, form) && plain.ReadSystemSettings());
    plain.m_nTextEscaping = TextEscaping::kNone;
    BOOL bInline = FALSE;
    if (!plain.TokenizeText(&bInline) || (bInline != FALSE) != job.m_bInlineText ||
        plain.m_nTokenCount != job.m_nTokenCount)
        return; // references took the place of a ">>" or "<<" that counted: other runs
    job.RewindTokens();
    for (std::size_t i = 0; i < job.m_nTokenCount; ++i) {
        if (plain.TokenText(i) != arrRuns[i] || plain.TokenKind(i) != job.TokenKind(i) ||
            plain.TokenStyle(i) != job.TokenStyle(i))
            return;
    }
    if (plain.m_nPageFormat == PageFormat::kHtml5) {
        // Right after the charset, and only with escaping.
        const std::size_t nAfter = strPage.find('\n', strPage.find("<meta charset=")) + 1;
        FUZZ_CHECK(strPage.compare(nAfter, kPolicy.size(), kPolicy) == 0);
        strPage.erase(nAfter, kPolicy.size());
    }
    platform::testing::SetWriteJail(strJail);
    const bool bWritten =
        bInline ? plain.WriteInlineStylePage(plain.m_strResultFile)
                : plain.WriteSectionPage(plain.m_strSectionName, plain.m_strResultFile);
    platform::testing::SetWriteJail(std::string());
    FUZZ_CHECK(bWritten);
    const std::string strJailed = JailedPage(plain.m_strResultFile, strJail);
    FUZZ_CHECK(fuzzsupport::ReadBytes(strJailed) == strPage);
    ::unlink(strJailed.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    static const Setup s_setup;
    if (nSize == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(pData) + 1, nSize - 1);
    const std::size_t nFirst = input.find('\0');
    const std::string_view form = input.substr(0, nFirst);
    std::string_view section, text;
    if (nFirst != std::string_view::npos) {
        const std::string_view rest = input.substr(nFirst + 1);
        const std::size_t nSecond = rest.find('\0');
        section = rest.substr(0, nSecond);
        if (nSecond != std::string_view::npos)
            text = rest.substr(nSecond + 1);
    }
    const auto makeJob = [&] {
        return std::make_unique<CGenThread>(nullptr, std::string(text), s_setup.strForm,
                                            std::string(section), 0);
    };
    std::unique_ptr<CGenThread> pJob = makeJob();
    // A form that does not load leaves its path held, and the job would go on with nothing: so
    // that one, like the read fault, is written out and read by a fresh job.
    if (pData[0] % 16 == kReadFault || !pJob->m_formFile.LoadFromMemory(s_setup.strForm, form)) {
        fuzzsupport::WriteBytes(s_setup.strForm, form);
        pJob = makeJob();
    }
    CGenThread& job = *pJob;
    // A window of a few runs, so that short inputs, too, make the page writer cut the text again
    // and again.
    job.m_nPageTokenWindow = 1 + static_cast<std::size_t>(pData[0] >> 4) % 3;

    platform::testing::SetWriteJail(s_setup.strJail);
    const bool bFault = ArmFault(pData[0]);
    job.GeneratePage();
    platform::testing::ClearFaults();

    const std::string& strResult = job.m_strResultFile;
    if (!strResult.empty()) {
        // No failure path leaves a name: a named page is complete.
        FUZZ_CHECK(!bFault);
        FUZZ_CHECK(strResult.size() > 4 && strResult.compare(strResult.size() - 4, 4, ".htm") == 0);
        const std::string strJailed = JailedPage(strResult, s_setup.strJail);
        const std::string strPage = fuzzsupport::ReadBytes(strJailed);
        FUZZ_CHECK(StartsAndEndsAs(strPage, kHeadStart, kEnd) ||
                   StartsAndEndsAs(strPage, kHtml5Start, kHtml5End));
        if (job.m_nTextEscaping == TextEscaping::kHtml) {
            ::unlink(strJailed.c_str()); // so that an HTML5 page takes the same name again
            CheckEscaping(job, strPage, form, section, s_setup.strForm, s_setup.strJail);
        }
    }
    // Pages, finished or not, all carry the one name the fixed clock and index 0 give.
    ::unlink((s_setup.strJail + "/HTML2026212242827228202.htm").c_str());
    return 0;
}
