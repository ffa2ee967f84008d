#include "FormCopy.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/FormFile.h"
#include "engine/TextUtil.h"
#include "engine/Vocabulary.h"
#include "platform/hostfs.h"

namespace cli {

const char* const kDestDirKey = engine::keys::kHtmlDestDir;
const char* const kPageFormatKey = engine::keys::kPageFormat;
const char* const kTextEscapingKey = engine::keys::kTextEscaping;

namespace {

// The whole file, or standard input for "-", as raw bytes.
bool ReadAll(const std::string& strPath, std::string& strOut, std::string& strError) {
    FILE* pFile = strPath == "-" ? stdin : std::fopen(strPath.c_str(), "rb");
    if (!pFile) {
        strError = "cannot open the form file '" + strPath + "': " + std::strerror(errno);
        return false;
    }
    char buffer[64 * 1024];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pFile)) > 0)
        strOut.append(buffer, n);
    const int nError = std::ferror(pFile) ? errno : 0;
    if (pFile != stdin)
        std::fclose(pFile);
    if (nError != 0) {
        strError = "cannot read the form file '" + strPath + "': " + std::strerror(nError);
        return false;
    }
    return true;
}

// The copies of the run, also for a run ended by Ctrl-C or kill: a signal handler may touch
// only what is already in place, so the names are kept in fixed buffers.
// A run makes at most two copies (of a form read from a pipe, and of the form with the lines
// the options add); a path longer than the systems' usual 4,096 bytes is not remembered, and
// such a copy stays behind.
constexpr std::size_t kMaxCopies = 2;
char g_szCopies[kMaxCopies][4096];
volatile std::sig_atomic_t g_nCopies = 0;

extern "C" void RemoveCopiesAndDie(int nSignal) {
    for (std::sig_atomic_t i = 0; i < g_nCopies; ++i)
        std::remove(g_szCopies[i]);
    std::signal(nSignal, SIG_DFL);
    std::raise(nSignal);
}

void RemoveOnSignal(const std::string& strPath) {
    if (g_nCopies >= static_cast<std::sig_atomic_t>(kMaxCopies) ||
        strPath.size() >= sizeof g_szCopies[0])
        return;
    std::memcpy(g_szCopies[g_nCopies], strPath.c_str(), strPath.size() + 1);
    g_nCopies = g_nCopies + 1;
    std::signal(SIGINT, RemoveCopiesAndDie);
    std::signal(SIGTERM, RemoveCopiesAndDie);
}

} // namespace

FormCopy::~FormCopy() {
    for (const std::string& strCopy : m_arrCopies)
        std::remove(strCopy.c_str());
}

bool FormCopy::Prepare(const std::string& strForm, const std::vector<FormOverride>& arrOverrides,
                       std::string& strError) {
    const bool bStdin = strForm == "-";
    m_strDisplay = bStdin ? "<stdin>" : strForm;
    m_strLoadPath = strForm;
    // The requests trim the path they are given; so does everything here.
    const std::string strPath(engine::TrimView(strForm));
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(strPath, ec);
    // Only what can be read but not read again is copied for its own sake: a missing file, a
    // folder or a device is the requests' to report, as it always was.
    const bool bOnce =
        bStdin || std::filesystem::is_fifo(status) || std::filesystem::is_socket(status);
    if (!bOnce && (arrOverrides.empty() || !std::filesystem::is_regular_file(status)))
        return true;

    std::string bytes;
    if (bOnce) {
        if (!ReadAll(strPath, bytes, strError))
            return false;
        if (!platform::hostfs::WritePrivateTempFile(bytes, m_strLoadPath, strError))
            return false;
        m_arrCopies.push_back(m_strLoadPath);
        RemoveOnSignal(m_strLoadPath);
    } else if (!ReadAll(strPath, bytes, strError)) {
        return false;
    }
    if (arrOverrides.empty())
        return true;

    // The overrides become the last lines of the first [SYSTEM] section, the one settings are
    // read from; of a key given twice the later line counts. Where that section ends is found
    // by the form file's own reader.
    CFormFile form;
    if (!form.Load(m_strLoadPath))
        return true; // the requests will say why
    const std::size_t nSystem = form.FindSection(engine::kSystemSection);
    if (nSystem == std::string::npos)
        return true; // no settings to override: the requests fail as they would
    const std::size_t nNext = form.GetHeaderLine(nSystem + 1); // 0 after the last section

    std::string strAdded;
    for (const FormOverride& o : arrOverrides)
        strAdded += o.strKey + " = " + o.strValue + "\n";
    if (nNext == 0 && !bytes.empty() && bytes.back() != '\n')
        bytes += '\n';              // the last line ends before the added ones begin
    std::size_t nAt = bytes.size(); // byte offset of line nNext
    if (nNext != 0) {
        std::size_t nLine = 1;
        for (nAt = 0; nLine < nNext; ++nLine)
            nAt = bytes.find('\n', nAt) + 1;
        m_nFirstAdded = nNext;
    } else {
        m_nFirstAdded = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    }
    bytes.insert(nAt, strAdded);
    m_arrAdded = arrOverrides;
    std::string strCopy;
    if (!platform::hostfs::WritePrivateTempFile(bytes, strCopy, strError))
        return false;
    m_arrCopies.push_back(strCopy);
    RemoveOnSignal(strCopy);
    m_strLoadPath = strCopy;
    return true;
}

const FormOverride* FormCopy::AddedBy(std::size_t nLine) const {
    if (m_nFirstAdded == 0 || nLine < m_nFirstAdded || nLine >= m_nFirstAdded + m_arrAdded.size())
        return nullptr;
    return &m_arrAdded[nLine - m_nFirstAdded];
}

std::size_t FormCopy::FormLine(std::size_t nLine) const {
    if (nLine == 0 || AddedBy(nLine))
        return 0;
    return m_nFirstAdded != 0 && nLine > m_nFirstAdded ? nLine - m_arrAdded.size() : nLine;
}

std::string FormCopy::ShowForm(const std::string& strMessage) const {
    if (m_strLoadPath == m_strDisplay)
        return strMessage;
    std::string out;
    std::size_t nFrom = 0;
    for (std::size_t nAt; (nAt = strMessage.find(m_strLoadPath, nFrom)) != std::string::npos;) {
        out.append(strMessage, nFrom, nAt - nFrom);
        nFrom = nAt + m_strLoadPath.size();
        std::size_t nEnd = nFrom + 1;
        while (nEnd < strMessage.size() &&
               std::isdigit(static_cast<unsigned char>(strMessage[nEnd])))
            ++nEnd;
        // As the checker reads places: a line number has fewer than 12 digits.
        if (nFrom < strMessage.size() && strMessage[nFrom] == ':' && nEnd > nFrom + 1 &&
            nEnd - nFrom < 12) {
            const std::size_t nLine = std::stoul(strMessage.substr(nFrom + 1, nEnd - nFrom - 1));
            if (const FormOverride* pBy = AddedBy(nLine))
                out += m_strDisplay + " (the line " + pBy->strOption + " adds)";
            else
                out += m_strDisplay + ":" + std::to_string(FormLine(nLine));
            nFrom = nEnd;
        } else {
            out += m_strDisplay;
        }
    }
    out.append(strMessage, nFrom);
    return out;
}

} // namespace cli
