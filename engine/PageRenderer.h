// How the items of a page are spelled out in one page format.
//
// The layout walk (SectionPage.cpp, InlinePage.cpp) decides which items a page has, in which
// order, in which style and with which runs of the text, and fails where the layout and the text
// do not fit; it is the same for every format. A renderer only turns each item into HTML,
// appending it to the chunk it is given.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "engine/GenThread.h"
#include "engine/TextUtil.h"

namespace engine {

// The style of an item, as the walk found it.
struct ItemStyle {
    std::string_view name;      // a style section's name; empty for no style
    std::string_view attribute; // what BuildStyleAttribute makes of it: never empty for a name
    // The job's entry for the name when the walk has it at hand, else null (see
    // CGenThread::StyleOf).
    StyleEntry* pEntry = nullptr;
};

class CPageRenderer {
public:
    virtual ~CPageRenderer() = default;

    // Everything before the first item: from the start of the file to the opening body tag.
    virtual std::string Head() = 0;
    // Everything after the last item.
    virtual std::string_view Tail() const = 0;

    // A text slot, or a paragraph run of a text that names its own styles.
    virtual void Paragraph(std::string& out, const ItemStyle& style, std::string_view text) = 0;
    // A list: its opening, its items (in one or more calls, as the token window gives them)
    // and its closing.
    virtual void ListBegin(std::string& out, const ItemStyle& style, bool bNumbered) = 0;
    virtual void ListItems(std::string& out, std::span<const std::string_view> items) = 0;
    virtual void ListEnd(std::string& out, const ItemStyle& style, bool bNumbered) = 0;
    // strArgument: what follows <PICTURE> on the layout line.
    virtual void Picture(std::string& out, const ItemStyle& style,
                         const std::string& strArgument) = 0;
    virtual void Literal(std::string& out, const ItemStyle& style, std::string_view html) = 0;
    virtual void Rule(std::string& out) = 0;
    virtual void LineBreak(std::string& out) = 0;
    // A run of a page whose section the form file lacks: a paragraph in the default style.
    virtual void PlainParagraph(std::string& out, std::string_view run) = 0;

    // True when Head needs to know the styles the page uses: the page is then walked once
    // with the renderer StyleCensus gives before it is walked with this one.
    virtual bool NeedsStyleCensus() const { return false; }
    // A renderer that writes nothing and counts the styles an HTML5 page uses into this one.
    virtual std::unique_ptr<CPageRenderer> StyleCensus() { return nullptr; }
};

// A run of the request's text as the page shows it: as it stands, or with TEXT_ESCAPING = HTML
// every character HTML would read as markup as a reference. Runs only: what the form file
// writes goes out as it stands.
inline void AppendRunText(std::string& out, std::string_view text, TextEscaping escaping) {
    if (escaping == TextEscaping::kHtml) [[unlikely]]
        AppendEscapedText(out, text, true);
    else
        out += text;
}

// The items of a list, each written between itemOpen and itemClose: what every format's List
// does between the list's own opening and closing.
inline void AppendListItems(std::string& out, std::span<const std::string_view> items,
                            std::string_view itemOpen, std::string_view itemClose,
                            TextEscaping escaping) {
    for (std::string_view item : items) {
        out += itemOpen;
        AppendRunText(out, item, escaping);
        out += itemClose;
    }
}

std::unique_ptr<CPageRenderer> MakeCompatibleRenderer(CGenThread& job);
std::unique_ptr<CPageRenderer> MakeHtml5Renderer(CGenThread& job);

} // namespace engine
