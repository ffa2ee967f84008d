// Pages laid out by the text alone: paragraphs and bulleted lists, each in the style the text
// gave it.
#include "engine/GenThread.h"
#include "engine/TextUtil.h"
#include "platform/textfile.h"

bool CGenThread::WriteInlineStylePage(std::string& strResultFile) {
    platform::TextFileWriter file;
    if (!BeginPage(strResultFile, file))
        return false;
    const std::size_t nTokens = m_arrTokenText.size();
    try {
        std::size_t nCursor = 0;
        std::string strChunk;
        while (nCursor < nTokens) {
            // A run without a style of its own takes the default; the name is looked up trimmed.
            const std::string_view style = engine::TrimView(
                m_arrTokenStyle[nCursor].empty() ? std::string_view(m_strDefaultStyle)
                                                 : m_arrTokenStyle[nCursor]);
            static const std::string kNoAttribute;
            const std::string& strAttribute =
                style.empty() ? kNoAttribute : StyleAttributeOf(style);

            strChunk.clear();
            const bool bStyled = !strAttribute.empty();
            if (m_arrTokenKind[nCursor] == KIND_PARAGRAPH) {
                engine::AppendParagraphOpening(strChunk, strAttribute);
                strChunk += m_arrTokenText[nCursor++];
                strChunk += "</p>";
            } else {
                // The first item's style is the style of the whole list.
                if (bStyled)
                    engine::AppendParagraphOpening(strChunk, strAttribute);
                strChunk += "<UL>";
                AppendListItems(strChunk, nCursor);
                strChunk += "</UL>";
                if (bStyled)
                    strChunk += "</p>";
            }
            file.WriteString(strChunk);
        }
        file.WriteString("</body></html>");
        file.Close();
    } catch (const platform::FileException& e) {
        return Fail(WriteFailure(e));
    }
    return true;
}
