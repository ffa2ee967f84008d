[ A ]
K = v ; c
[]
=x
[
]
[SYSTEM];c
DEFAULT_STYLE=<<A>>
DEFAULT_STYLE=<<>>
