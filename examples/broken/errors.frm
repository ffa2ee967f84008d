; Mistakes that make requests fail: 'pagewright check' reports them as errors.

[SYSTEM]
DEFAULT_STYLE = <<>>
HTML_DEST_DIR = build/pages

[TITLE]
<BOLD>

[NOTICE]
<<TITLE>>
<LINE>
<BULLIST>
<<SIGNATURE>>
Plain words with no style
<<TITLE
