; A setting written before any section header.
DEFAULT_STYLE = <<>>
[SYSTEM]
HTML_DEST_DIR = build/pages
