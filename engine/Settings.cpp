// Document settings from [SYSTEM], the style prefix of a text, the page head and picture paths.
#include "engine/GenThread.h"
#include "engine/TextUtil.h"

using engine::EndsWith;
using engine::IsDirSeparator;
using engine::StartsWith;

BOOL CGenThread::ReadSystemSettings() {
    m_strDefaultStyle = m_formFile.GetValue("SYSTEM", "DEFAULT_STYLE");
    m_strHtmlDestDir = m_formFile.GetValue("SYSTEM", "HTML_DEST_DIR");
    m_strPicSourceDir = m_formFile.GetValue("SYSTEM", "PIC_SOURCE_DIR");
    m_strBackgroundPic = m_formFile.GetValue("SYSTEM", "BACKGROUND_PIC");

    // The default style is written as <<name>>; anything else makes the form file unusable.
    // (A value of three characters or fewer can never pass both tests.)
    if (!StartsWith(m_strDefaultStyle, "<<") || !EndsWith(m_strDefaultStyle, ">>")) {
        const std::size_t nSystem = m_formFile.FindSection("SYSTEM");
        if (nSystem == std::string::npos)
            return Fail(FormLocation(0) + "the form file has no [SYSTEM] section");
        const std::size_t nLine = m_formFile.GetValueLine("SYSTEM", "DEFAULT_STYLE");
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
    return TRUE;
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
