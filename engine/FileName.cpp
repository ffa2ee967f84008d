// The page's file name: HTML_DEST_DIR plus a name made of the local time and the request index.
#include <cstdio>

#include "engine/GenThread.h"
#include "engine/TextUtil.h"
#include "platform/clock.h"

std::string CGenThread::MakeHtmlFileName() {
    engine::TrimInPlace(m_strHtmlDestDir);
    if (m_strHtmlDestDir.empty())
        return {};

    platform::LocalDateTime dt{};
    if (!platform::GetLocalDateTime(dt))
        dt = {-1, -1, -1, -1, -1, -1};

    // Each number is followed by a literal "2" (it is not a field width), and nothing is padded.
    // Seven numbers of at most 11 characters each, their "2"s, "HTML" and ".htm" take 92
    // characters at most.
    char szName[160];
    std::snprintf(szName, sizeof szName, "HTML%d2%d2%d2%d2%d2%d2%d2.htm", dt.nYear, dt.nMonth,
                  dt.nDay, dt.nHour, dt.nMinute, dt.nSecond, static_cast<int>(m_nRequestIndex));

    if (!engine::IsDirSeparator(m_strHtmlDestDir.back()))
        m_strHtmlDestDir += '/';
    return m_strHtmlDestDir + szName;
}
