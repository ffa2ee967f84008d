// The words a form file is written in: the [SYSTEM] keys, the item tags of a layout line and the
// style tags of a style section. The generator and the checker both read these tables, so that a
// key or a tag is added here, in one line, and both know it at once.
#pragma once

#include <cstddef>
#include <string_view>

namespace engine {

// ---- [SYSTEM] ----

inline constexpr char kSystemSection[] = "SYSTEM";

// The keys the settings reader looks up, each by its own name.
namespace keys {
inline constexpr char kDefaultStyle[] = "DEFAULT_STYLE";   // <<name>>: the style of plain runs
inline constexpr char kHtmlDestDir[] = "HTML_DEST_DIR";    // where pages go
inline constexpr char kPicSourceDir[] = "PIC_SOURCE_DIR";  // where relative pictures are
inline constexpr char kBackgroundPic[] = "BACKGROUND_PIC"; // the page's background picture
inline constexpr char kPageFormat[] = "PAGE_FORMAT";       // COMPATIBLE or HTML5
inline constexpr char kPageLanguage[] = "PAGE_LANGUAGE";   // the lang of an HTML5 page
inline constexpr char kTextEscaping[] = "TEXT_ESCAPING";   // NONE or HTML
} // namespace keys

// Every key [SYSTEM] may hold; the checker warns about any other, suggesting the first of these
// it looks like.
inline constexpr std::string_view kSystemKeys[] = {
    keys::kDefaultStyle, keys::kHtmlDestDir,  keys::kPicSourceDir, keys::kBackgroundPic,
    keys::kPageFormat,   keys::kPageLanguage, keys::kTextEscaping};

// ---- layout items ----

// What a layout line with an item tag puts on the page (a line without a tag is a text slot).
enum class Item { kBulletList, kNumberedList, kPicture, kBackPicture, kLineBreak, kRule, kLiteral };

struct ItemTag {
    std::string_view tag;
    Item item;
    // The argument is free text, which a ";" cuts short as the start of a comment.
    bool bFreeText;
};

inline constexpr ItemTag kItemTags[] = {
    {"<BUL_LIST>", Item::kBulletList, false},   // the list items at the cursor, bulleted
    {"<NUM_LIST>", Item::kNumberedList, false}, // the same, numbered
    {"<PICTURE>", Item::kPicture, true},        // the picture the argument names
    {"<BACK_PICT>", Item::kBackPicture, false}, // nothing: the page head shows BACKGROUND_PIC
    {"<NEW_LINE>", Item::kLineBreak, false},    // a line break
    {"<LINE>", Item::kRule, false},             // a horizontal rule
    {"<LITERAL>", Item::kLiteral, true},        // the argument as it stands, as HTML
};

// The entry of a tag in one of the tables here, or null.
template <class Entry, std::size_t N>
constexpr const Entry* FindTag(const Entry (&table)[N], std::string_view tag) {
    for (const Entry& known : table) {
        if (known.tag == tag)
            return &known;
    }
    return nullptr;
}

constexpr const ItemTag* FindItemTag(std::string_view tag) {
    return FindTag(kItemTags, tag);
}

// ---- style tags ----

// What a tag's value becomes in CSS.
enum class CssValue {
    kNone,   // the tag has no value
    kFamily, // a font family list, quoted where CSS needs it
    kSize,   // a number of points
};

struct StyleTag {
    std::string_view tag;
    std::string_view declaration; // what the tag writes; for tags with a value, the property
    bool bTakesValue;
    std::string_view unit; // written after the value
    // The CSS declaration (or, for tags with a value, the property and ": ").
    std::string_view css;
    CssValue cssValue;
};

// In the order a line's tag is compared with them. "extra-bold" is no CSS value; CSS pages use
// "bold" (700), the weight every font family has a face for: 800 would be drawn as 700 by
// most fonts anyway, or made up by the browser.
inline constexpr StyleTag kStyleTags[] = {
    {"<BOLD>", "font-weight=extra-bold", false, "", "font-weight: bold", CssValue::kNone},
    {"<ITALIC>", "font-style=italic", false, "", "font-style: italic", CssValue::kNone},
    {"<FONT>", "font-family=", true, "", "font-family: ", CssValue::kFamily},
    {"<FONT_SIZE>", "font-size=", true, "pt", "font-size: ", CssValue::kSize},
    {"<ALIGN_LEFT>", "text-align=left", false, "", "text-align: left", CssValue::kNone},
    {"<ALIGN_RIGHT>", "text-align=right", false, "", "text-align: right", CssValue::kNone},
    {"<ALIGN_CENTER>", "text-align=center", false, "", "text-align: center", CssValue::kNone},
    {"<COLOR_BLACK>", "color=#000000", false, "", "color: #000000", CssValue::kNone},
    {"<COLOR_WHITE>", "color=#FFFFFF", false, "", "color: #FFFFFF", CssValue::kNone},
    {"<COLOR_RED>", "color=#FF0000", false, "", "color: #FF0000", CssValue::kNone},
    {"<COLOR_BLUE>", "color=#0000FF", false, "", "color: #0000FF", CssValue::kNone},
    {"<COLOR_GREEN>", "color=#00FF00", false, "", "color: #00FF00", CssValue::kNone},
};

constexpr const StyleTag* FindStyleTag(std::string_view tag) {
    return FindTag(kStyleTags, tag);
}

// Whether what follows the tag on its line is free text, which a ";" would cut short: the
// argument of a picture or a literal, and a font family list.
constexpr bool TakesFreeText(std::string_view tag) {
    if (const ItemTag* pItem = FindItemTag(tag))
        return pItem->bFreeText;
    const StyleTag* pStyle = FindStyleTag(tag);
    return pStyle && pStyle->cssValue == CssValue::kFamily;
}

} // namespace engine
