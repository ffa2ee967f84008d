// Pages laid out by a section of the form file: one item per line, fed from the token list.
#include "engine/GenThread.h"
#include "engine/TextUtil.h"
#include "platform/textfile.h"

using engine::AppendParagraphOpening;

bool CGenThread::WriteSectionPage(std::string strSectionName, std::string& strResultFile) {
    platform::TextFileWriter file;
    if (!BeginPage(strResultFile, file))
        return false;
    const std::size_t nTokens = m_arrTokenText.size();
    const std::vector<std::string>* pLines = m_formFile.GetSection(strSectionName);
    try {
        if (!pLines) {
            // Without a layout the text still becomes a page: plain paragraphs.
            file.WriteString(RenderParagraphs());
        } else {
            std::size_t nCursor = 0; // next token to use, shared by all lines
            std::string strTag, strArgument, strAttribute, strChunk;
            for (const std::string& strLine : *pLines) {
                if (!SplitSectionLine(strLine, &strTag, &strArgument, &strAttribute)) {
                    file.Close();
                    return false;
                }
                strChunk.clear();
                bool bOk = true;
                if (strTag == "<BUL_LIST>" || strTag == "<NUM_LIST>") {
                    const bool bBulleted = strTag == "<BUL_LIST>";
                    // A list takes the whole run of list items at the cursor, at least one.
                    bOk = nCursor < nTokens && m_arrTokenKind[nCursor] == KIND_LIST_ITEM;
                    if (bOk) {
                        if (!strAttribute.empty())
                            AppendParagraphOpening(strChunk, strAttribute);
                        strChunk += bBulleted ? "<UL>" : "<OL>";
                        AppendListItems(strChunk, nCursor);
                        strChunk += bBulleted ? "</UL>" : "</OL>";
                        if (!strAttribute.empty())
                            strChunk += "</p>";
                    }
                } else if (strTag == "<PICTURE>") {
                    ResolvePicturePath(strArgument);
                    AppendParagraphOpening(strChunk, strAttribute);
                    strChunk += "<img src=file:";
                    strChunk += strArgument;
                    strChunk += "></p>";
                } else if (strTag == "<BACK_PICT>") {
                    // The background picture is already in the body tag.
                } else if (strTag == "<NEW_LINE>") {
                    strChunk = "<BR>";
                } else if (strTag == "<LINE>") {
                    strChunk = "<hr>";
                } else if (strTag == "<LITERAL>") {
                    AppendParagraphOpening(strChunk, strAttribute);
                    strChunk += strArgument;
                    strChunk += "</p>";
                } else if (strTag.empty()) {
                    // A text slot: the next paragraph run, always in a style.
                    bOk = !strAttribute.empty() && nCursor < nTokens &&
                          m_arrTokenKind[nCursor] == KIND_PARAGRAPH;
                    if (bOk) {
                        AppendParagraphOpening(strChunk, strAttribute);
                        strChunk += m_arrTokenText[nCursor++];
                        strChunk += "</p>";
                    }
                } else {
                    bOk = false; // not an item tag
                }
                if (!bOk) {
                    file.Close();
                    return false;
                }
                if (!strChunk.empty())
                    file.WriteString(strChunk);
            }
        }
        file.WriteString("</body></html>");
        file.Close();
    } catch (const platform::FileException&) {
        // The writer closes the file on its way out; the unfinished page stays where it is.
        return false;
    }
    return true;
}
