; The settings section is written in lower case, so no request finds it.
[system]
DEFAULT_STYLE = <<>>
HTML_DEST_DIR = build/pages
