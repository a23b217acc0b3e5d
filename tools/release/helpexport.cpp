/*
 * helpexport.cpp - writes the help book as one plain-text file for the release archive:
 * the same source zelo.exe carries as its ZELOHELP resource, parsed and laid out by the
 * same code as the help window (core/helptext.cpp), so the file never says other than the
 * program.  A host program: tools/package.sh builds and runs it.
 *
 *     helpexport <help source> <output file>
 */
#include "core/helptext.h"

#include <stdio.h>

#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: helpexport <help source> <output file>\n");
        return 2;
    }
    FILE *in = fopen(argv[1], "rb");
    if (!in) {
        perror(argv[1]);
        return 1;
    }
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, in)) > 0)
        text.append(buf, n);
    fclose(in);
    HelpBook book;
    helpParse(text.data(), text.size(), &book);
    if (book.topics.size() < 2) {
        fprintf(stderr, "%s: no topics\n", argv[1]);
        return 1;
    }
    std::string out = helpBookText(&book);
    FILE *f = fopen(argv[2], "wb");
    if (!f || fwrite(out.data(), 1, out.size(), f) != out.size() || fclose(f) != 0) {
        perror(argv[2]);
        return 1;
    }
    return 0;
}
