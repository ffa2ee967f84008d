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
    std::size_t nCursor = 0;
    std::string strChunk;
    strChunk.reserve(ChunkRoom());
    while (nCursor < m_nTokenCount) {
        // A run without a style of its own takes the default; the name is looked up trimmed.
        const std::string_view own = TokenStyle(nCursor);
        const std::string_view name =
            engine::TrimView(own.empty() ? std::string_view(m_strDefaultStyle) : own);
        engine::ItemStyle style;
        if (!name.empty()) {
            engine::StyleEntry& entry = StyleOf(name);
            if (!entry.strAttribute.empty())
                style = {name, entry.strAttribute, &entry};
        }

        if (TokenKind(nCursor) == KIND_PARAGRAPH)
            renderer.Paragraph(strChunk, style, TokenText(nCursor++));
        else // the first item's style is the style of the whole list
            LayOutList(renderer, style, false, nCursor, strChunk, &sink);
        // Runs are handed on together: one at a time would cost a call for every few bytes.
        HandOnFullChunk(strChunk, sink);
    }
    if (!strChunk.empty()) // the HTML5 page's style census writes nothing
        sink(strChunk);
}
