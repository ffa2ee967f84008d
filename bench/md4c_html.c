/* md4c_html INPUT OUTPUT: INPUT (Markdown) as HTML into OUTPUT, with md4c's CommonMark defaults.
 * The speed reference of the process benchmark: it reads the file, converts it, writes the
 * result and does nothing else. */
#include <md4c-html.h>
#include <stdio.h>
#include <stdlib.h>

static void Write(const MD_CHAR* text, MD_SIZE size, void* out) {
    fwrite(text, 1, size, (FILE*)out);
}

int main(int argc, char** argv) {
    FILE* in = argc == 3 ? fopen(argv[1], "rb") : NULL;
    FILE* out = in ? fopen(argv[2], "wb") : NULL;
    if (!out)
        return fprintf(stderr, "usage: md4c_html INPUT OUTPUT (both openable)\n"), 2;
    fseek(in, 0, SEEK_END);
    long size = ftell(in);
    char* text = malloc(size > 0 ? (size_t)size : 1);
    rewind(in);
    if (!text || fread(text, 1, (size_t)size, in) != (size_t)size)
        return fprintf(stderr, "md4c_html: cannot read %s\n", argv[1]), 1;
    int failed = md_html(text, (MD_SIZE)size, Write, out, 0, 0) != 0;
    failed |= fclose(out) != 0;
    free(text);
    fclose(in);
    return failed;
}
