// Document settings from [SYSTEM], the style prefix of a text, the page head and picture paths.
#include "engine/GenThread.h"
#include "engine/PageRenderer.h"
#include "engine/TextUtil.h"
#include "engine/Vocabulary.h"

using engine::EndsWith;
using engine::IsDirSeparator;
using engine::kSystemSection;
using engine::StartsWith;
namespace keys = engine::keys;

BOOL CGenThread::ReadSystemSettings() {
    m_strDefaultStyle = m_formFile.GetValue(kSystemSection, keys::kDefaultStyle);
    m_strHtmlDestDir = m_formFile.GetValue(kSystemSection, keys::kHtmlDestDir);
    m_strPicSourceDir = m_formFile.GetValue(kSystemSection, keys::kPicSourceDir);
    m_strBackgroundPic = m_formFile.GetValue(kSystemSection, keys::kBackgroundPic);

    // The default style is written as <<name>>; anything else makes the form file unusable.
    // (A value of three characters or fewer can never pass both tests.)
    if (!StartsWith(m_strDefaultStyle, "<<") || !EndsWith(m_strDefaultStyle, ">>")) {
        const std::size_t nSystem = m_formFile.FindSection(kSystemSection);
        if (nSystem == std::string::npos)
            return Fail(FormLocation(0) + "the form file has no [SYSTEM] section");
        const std::size_t nLine = m_formFile.GetValueLine(kSystemSection, keys::kDefaultStyle);
        if (nLine == 0)
            return Fail(FormLocation(m_formFile.GetHeaderLine(nSystem)) +
                        "[SYSTEM] has no DEFAULT_STYLE key");
        return Fail(FormLocation(nLine) +
                    "[SYSTEM] DEFAULT_STYLE must be written <<name>>, found \"" +
                    m_strDefaultStyle + "\"");
    }
    m_strDefaultStyle = m_strDefaultStyle.substr(2, m_strDefaultStyle.size() - 4);

    if (m_strPicSourceDir.empty() || !IsDirSeparator(m_strPicSourceDir.back()))
        m_strPicSourceDir += '\\';
    return ReadPageFormat() && ReadTextEscaping();
}

BOOL CGenThread::ReadPageFormat() {
    // Forms written before the key existed have no PAGE_FORMAT and keep the page they had.
    static constexpr std::string_view kFormats[] = {"COMPATIBLE", "HTML5"};
    const int nFormat = ReadSystemChoice(keys::kPageFormat, kFormats);
    if (nFormat < 0)
        return FALSE;
    m_nPageFormat = nFormat == 1 ? PageFormat::kHtml5 : PageFormat::kCompatible;
    m_pRenderer.reset();
    // The openings remembered so far were made by the renderer just dropped.
    for (auto& [strName, entry] : m_mapStyles)
        entry.strParagraphOpening.clear();

    // Only the HTML5 page names its language, so only there can a bad one spoil the page.
    const std::size_t nLanguageLine = m_formFile.GetValueLine(kSystemSection, keys::kPageLanguage);
    if (m_nPageFormat != PageFormat::kHtml5 || nLanguageLine == 0)
        return TRUE;
    m_strPageLanguage = m_formFile.GetValue(kSystemSection, keys::kPageLanguage);
    if (!IsLanguageTag(m_strPageLanguage))
        return Fail(FormLocation(nLanguageLine) +
                    "[SYSTEM] PAGE_LANGUAGE must be a language tag such as en or de-CH, found \"" +
                    m_strPageLanguage + "\"");
    return TRUE;
}

BOOL CGenThread::ReadTextEscaping() {
    // Without the key a text is written as it stands, as every page before the key was.
    static constexpr std::string_view kEscapings[] = {"NONE", "HTML"};
    const int nEscaping = ReadSystemChoice(keys::kTextEscaping, kEscapings);
    m_nTextEscaping = nEscaping == 1 ? TextEscaping::kHtml : TextEscaping::kNone;
    return nEscaping >= 0;
}

int CGenThread::ReadSystemChoice(const char* szKey, std::span<const std::string_view> choices) {
    const std::size_t nLine = m_formFile.GetValueLine(kSystemSection, szKey);
    if (nLine == 0)
        return 0;
    const std::string strValue = m_formFile.GetValue(kSystemSection, szKey);
    std::string strChoices;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i] == strValue) // exact: values are case-sensitive, as keys are
            return static_cast<int>(i);
        strChoices += i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ";
        strChoices += choices[i];
    }
    Fail(FormLocation(nLine) + "[SYSTEM] " + szKey + " must be " + strChoices + ", found \"" +
         strValue + "\"");
    return -1;
}

bool CGenThread::IsLanguageTag(std::string_view strTag) {
    // A first subtag of two to eight letters, then subtags of one to eight letters or digits,
    // each after a "-".
    std::size_t nSubtag = 0, nLength = 0;
    for (std::size_t i = 0; i <= strTag.size(); ++i) {
        const char c = i < strTag.size() ? strTag[i] : '-';
        const bool bLetter = engine::IsAsciiLetter(c);
        if (c == '-') {
            if (nLength < (nSubtag == 0 ? 2u : 1u) || nLength > 8)
                return false;
            ++nSubtag;
            nLength = 0;
        } else if (bLetter || (nSubtag > 0 && engine::IsAsciiDigit(c))) {
            ++nLength;
        } else {
            return false;
        }
    }
    return true;
}

BOOL CGenThread::SplitStylePrefix(std::string_view& strStyle) {
    const std::string_view rest = RemainingText();
    if (!StartsWith(rest, "<<")) {
        strStyle = {};
        return TRUE;
    }
    const std::size_t nClose = rest.find(">>");
    if (nClose == std::string_view::npos)
        return Fail(TextLocation(m_nTextPos) +
                    "a style name begun with << is never closed with >>");
    strStyle = rest.substr(2, nClose - 2);
    m_nTextPos += nClose + 2;
    return TRUE;
}

std::string CGenThread::BuildPageHead(std::string strTitle) const {
    std::string strHead = "<html><head><title>";
    strHead += strTitle;
    strHead += "</title></head>";
    if (m_strBackgroundPic.empty()) {
        strHead += "<body bgcolor=\"#FFFFFF\">";
    } else {
        strHead += "<body BACKGROUND=file:";
        strHead += m_strBackgroundPic;
        strHead += '>';
    }
    return strHead;
}

void CGenThread::ResolvePicturePath(std::string& strPath) const {
    // A drive ("C:\", "C:/") or a scheme ("http:/") after the first character makes the name
    // absolute; anything else, even "\dir" or "\\server", is taken relative to PIC_SOURCE_DIR.
    const auto absoluteBy = [&](const char* szMarker) {
        const std::size_t nAt = strPath.find(szMarker);
        return nAt != std::string::npos && nAt != 0;
    };
    if (absoluteBy(":\\") || absoluteBy(":/"))
        return;
    strPath.insert(0, m_strPicSourceDir);
}
