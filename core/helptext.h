/*
 * helptext.h - the help book: the program's user manual parsed from its plain-text source
 * (resources/help/zelo-help.txt, compiled in as the ZELOHELP resource) into topics with
 * keywords, the keyword lookup, and the text of one topic ready for an edit control.
 *
 * Window-free.  A book always has at least one topic: topic 0 is the contents page (made
 * up when the text has none), so every lookup has somewhere to land.
 */
#ifndef ZELO_HELPTEXT_H
#define ZELO_HELPTEXT_H

#include <stddef.h>
#include <string>
#include <vector>

struct HelpTopic {
    std::string title;                 /* shown in the topic list; also a keyword */
    std::vector<std::string> keys;     /* further keywords that open the topic */
    std::vector<std::string> lines;    /* body lines as written, comments dropped */
};

struct HelpBook {
    std::vector<HelpTopic> topics;     /* topics[0] is the contents page */
};

/* Parses the help source (len bytes, need not end in NUL; NUL bytes are taken as blanks).
   Returns the number of topics, at least 1. */
int helpParse(const char *text, size_t len, HelpBook *book);

/* The topic whose title or keyword equals the keyword, ignoring case and blanks at both
   ends; -1 when none (and for NULL or an empty keyword). */
int helpFind(const HelpBook *book, const char *keyword);

/* The first topic (in book order) whose title or a keyword begins with the text, ignoring
   case; -1 when none or the text is empty.  The Find field of the help window uses it. */
int helpFindPrefix(const HelpBook *book, const char *text);

/* The topic's text as shown: its title, a blank line, the paragraphs joined and broken
   with CR LF, table lines with a tab after their first column; the contents page ends with
   the list of all other topics.  An index out of range gives the contents page. */
std::string helpTopicText(const HelpBook *book, int index);

/* The whole book as one plain text, for a help file that goes beside the program: every
   topic's text as helpTopicText gives it, in book order, each after a rule line. */
std::string helpBookText(const HelpBook *book);

#endif
