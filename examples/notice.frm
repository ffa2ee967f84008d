; Pagewright example form file.
;
; [SYSTEM] holds the document settings; every other section is either a style (a list of
; style tags) or a layout (a list of items, one per line, top to bottom).
; HTML_DEST_DIR is relative to the directory the host runs in (here: the repository's root).
; Picture paths are written into the page, and a browser resolves them against the page's own
; folder (build/pages), so they lead from there back to examples/pictures.

[SYSTEM]
DEFAULT_STYLE  = <<BODY>>
HTML_DEST_DIR  = build/pages
PIC_SOURCE_DIR = ../../examples/pictures/
BACKGROUND_PIC = ../../examples/pictures/paper.png

; ---------------------------------------------------------------- styles

[TITLE]
<BOLD>
<FONT> Georgia
<FONT_SIZE>20
<ALIGN_CENTER>
<COLOR_BLUE>

[BODY]
<FONT> Verdana
<FONT_SIZE>11
<ALIGN_LEFT>
<COLOR_BLACK>

[WARNING]
<BOLD>
<ITALIC>
<COLOR_RED>

[LIST]
<COLOR_GREEN>

[SIGNATURE]
<ITALIC>
<ALIGN_RIGHT>

[BANNER]
<BOLD>
<ALIGN_CENTER>
<COLOR_WHITE>

; ---------------------------------------------------------------- layouts

; A notice: a logo, a title, a body paragraph, a bulleted list, a warning, a numbered list,
; a link and a signature. Texts for it must bring, in this order: two paragraphs, a list,
; a paragraph, a list and a paragraph.
[NOTICE]
<BACK_PICT>
<PICTURE><<TITLE>>logo.png
<<TITLE>>
<LINE>
<<BODY>>
<BUL_LIST>
<NEW_LINE>
<<WARNING>>
<NUM_LIST><<LIST>>
<LITERAL> <a href="https://status.example.com/">Live status</a>
<LINE>
<<SIGNATURE>>

; A one-line banner.
[BANNER_PAGE]
<<BANNER>>
