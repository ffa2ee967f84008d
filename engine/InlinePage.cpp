// Pages laid out by the text alone: paragraphs and bulleted lists, each in the style the text
// gave it.
#include "engine/GenThread.h"
#include "engine/PageRenderer.h"
#include "engine/TextUtil.h"

bool CGenThread::WriteInlineStylePage(std::string& strResultFile) {
    return WritePage(nullptr, strResultFile);
}

void CGenThread::LayOutInline(engine::CPageRenderer& renderer,
                              const std::function<void(const std::string&)>& sink) {
    const std::size_t nTokens = m_arrTokenText.size();
    std::size_t nCursor = 0;
    std::string strChunk;
    while (nCursor < nTokens) {
        // A run without a style of its own takes the default; the name is looked up trimmed.
        const std::string_view name =
            engine::TrimView(m_arrTokenStyle[nCursor].empty() ? std::string_view(m_strDefaultStyle)
                                                              : m_arrTokenStyle[nCursor]);
        engine::ItemStyle style;
        if (!name.empty()) {
            engine::StyleEntry& entry = StyleOf(name);
            if (!entry.strAttribute.empty())
                style = {name, entry.strAttribute, &entry};
        }

        strChunk.clear();
        if (m_arrTokenKind[nCursor] == KIND_PARAGRAPH)
            renderer.Paragraph(strChunk, style, m_arrTokenText[nCursor++]);
        else // the first item's style is the style of the whole list
            renderer.List(strChunk, style, false, TakeListItems(nCursor));
        if (!strChunk.empty()) // the HTML5 page's style census writes nothing
            sink(strChunk);
    }
}
