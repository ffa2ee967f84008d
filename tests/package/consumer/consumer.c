/* The same host in C99, on the C API: consumer-c FORM SECTION TEXT. */
#include <stdio.h>
#include <string.h>

#include <pagewright/pagewright.h>

int main(int argc, char **argv) {
    pagewright_generator *g = pagewright_new();
    int index, status = 1;
    if (argc != 4 || !g)
        return 2;
    index = pagewright_generate(g, argv[3], strlen(argv[3]), argv[1], argv[2]);
    if (pagewright_wait_request(g, index, -1) == 1) {
        char *page = pagewright_page(g, index), *reason = pagewright_reason(g, index);
        printf("%s\n", page ? page : "");
        if (reason)
            fprintf(stderr, "no page: %s\n", reason);
        status = page ? 0 : 1;
        pagewright_free(page);
        pagewright_free(reason);
    }
    pagewright_destroy(g);
    return status;
}
