; DEFAULT_STYLE names a style without its << >>.
[SYSTEM]
DEFAULT_STYLE = BODY
HTML_DEST_DIR = build/pages
[BODY]
<ITALIC>
