; Legal, but probably not what its author meant: 'pagewright check' warns, 'generate' works.

[SYSTEM]
DEFAULT_STYLE   = <<BODY>>
HTML_DEST_DIR   = build/pages
PIC_SOURCE_DIRS = examples/pictures/

[TITLE]
<BOLD>
<FONT_SIZE>20
<COLOUR_BLUE>

[BODY]
<FONT> Verdana

[Body ]
<FONT_SIZE>11

[NOTICE]
<PICTURE><<TITLE>>logo.png
<<BODY>>
<BUL_LIST><<LIST>>
