/*
 * helptext.cpp - parsing the help source into a HelpBook, keyword lookup, and the layout
 * of one topic's text.  No global state: the help window owns its book.
 */
#include "core/helptext.h"

#include <ctype.h>
#include <string.h>

static std::string trim(const std::string &s)
{
    size_t a = 0, b = s.size();
    while (a < b && isspace((unsigned char)s[a]))
        a++;
    while (b > a && isspace((unsigned char)s[b - 1]))
        b--;
    return s.substr(a, b - a);
}

static int sameText(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return 0;
    for (size_t i = 0; i < a.size(); i++)
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return 0;
    return 1;
}

static int beginsWith(const std::string &s, const std::string &prefix)
{
    if (prefix.size() > s.size())
        return 0;
    for (size_t i = 0; i < prefix.size(); i++)
        if (tolower((unsigned char)s[i]) != tolower((unsigned char)prefix[i]))
            return 0;
    return 1;
}

/* "@word rest" or a bare "@word": the rest, or NULL when the line is something else. */
static const char *directive(const std::string &line, const char *word)
{
    size_t n = strlen(word);
    if (line.compare(0, n, word) != 0 || (line.size() > n && line[n] != ' '))
        return NULL;
    return line.c_str() + n;
}

static void addKeys(HelpTopic *t, const std::string &list)
{
    size_t at = 0;
    while (at <= list.size()) {
        size_t semi = list.find(';', at);
        if (semi == std::string::npos)
            semi = list.size();
        std::string k = trim(list.substr(at, semi - at));
        if (!k.empty())
            t->keys.push_back(k);
        at = semi + 1;
    }
}

int helpParse(const char *text, size_t len, HelpBook *book)
{
    book->topics.clear();
    HelpTopic *cur = NULL;
    size_t at = 0;
    while (text && at < len) {
        size_t end = at;
        while (end < len && text[end] != '\n')
            end++;
        std::string line(text + at, end - at);
        at = end + 1;
        for (char &c : line)
            if (c == 0 || c == '\r' || c == '\t')
                c = ' ';
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        if (line[0] == ';')
            continue;
        const char *rest;
        if ((rest = directive(line, "@topic")) != NULL) {
            std::string title = trim(rest);
            if (title.empty())
                title = "(untitled)";
            book->topics.push_back(HelpTopic());
            cur = &book->topics.back();
            cur->title = title;
            continue;
        }
        if ((rest = directive(line, "@keys")) != NULL) {
            if (cur)
                addKeys(cur, rest);
            continue;
        }
        if (!cur) {
            if (trim(line).empty())
                continue;
            /* Text before the first topic belongs to a contents page of its own. */
            book->topics.push_back(HelpTopic());
            cur = &book->topics.back();
            cur->title = "Contents";
        }
        cur->lines.push_back(line);
    }
    if (book->topics.empty() || !sameText(book->topics[0].title, "Contents")) {
        HelpTopic contents;
        contents.title = "Contents";
        book->topics.insert(book->topics.begin(), contents);
    }
    for (HelpTopic &t : book->topics)
        while (!t.lines.empty() && trim(t.lines.back()).empty())
            t.lines.pop_back();
    return (int)book->topics.size();
}

int helpFind(const HelpBook *book, const char *keyword)
{
    if (!keyword)
        return -1;
    std::string k = trim(keyword);
    if (k.empty())
        return -1;
    for (size_t i = 0; i < book->topics.size(); i++) {
        const HelpTopic &t = book->topics[i];
        if (sameText(t.title, k))
            return (int)i;
        for (const std::string &key : t.keys)
            if (sameText(key, k))
                return (int)i;
    }
    return -1;
}

int helpFindPrefix(const HelpBook *book, const char *text)
{
    if (!text)
        return -1;
    std::string p = trim(text);
    if (p.empty())
        return -1;
    int exact = helpFind(book, p.c_str());
    if (exact >= 0)
        return exact;
    for (size_t i = 0; i < book->topics.size(); i++) {
        const HelpTopic &t = book->topics[i];
        if (beginsWith(t.title, p))
            return (int)i;
        for (const std::string &key : t.keys)
            if (beginsWith(key, p))
                return (int)i;
    }
    return -1;
}

/* A table line ("  key   meaning"): the first run of two or more blanks after the first
   column becomes a tab, so the edit control's tab stop lines the columns up. */
static std::string tableLine(const std::string &line)
{
    std::string s = trim(line);
    size_t gap = s.find("  ");
    if (gap == std::string::npos)
        return s;
    size_t after = gap;
    while (after < s.size() && s[after] == ' ')
        after++;
    return s.substr(0, gap) + "\t" + s.substr(after);
}

std::string helpTopicText(const HelpBook *book, int index)
{
    if (book->topics.empty())
        return std::string();
    if (index < 0 || index >= (int)book->topics.size())
        index = 0;
    const HelpTopic &t = book->topics[(size_t)index];
    std::string out = t.title + "\r\n\r\n";
    int inParagraph = 0;
    for (const std::string &line : t.lines) {
        if (trim(line).empty()) {
            if (inParagraph)
                out += "\r\n\r\n";
            else if (out.size() < 4 || out.compare(out.size() - 4, 4, "\r\n\r\n") != 0)
                out += "\r\n";
            inParagraph = 0;
            continue;
        }
        int ownLine = line[0] == '-' || line.compare(0, 2, "  ") == 0;
        if (inParagraph) {
            out += ownLine ? "\r\n" : " ";
        }
        out += line.compare(0, 2, "  ") == 0 ? tableLine(line) : trim(line);
        inParagraph = 1;
    }
    if (inParagraph)
        out += "\r\n";
    if (index == 0 && book->topics.size() > 1) {
        out += "\r\nTopics:\r\n";
        for (size_t i = 1; i < book->topics.size(); i++)
            out += "- " + book->topics[i].title + "\r\n";
    }
    return out;
}

std::string helpBookText(const HelpBook *book)
{
    std::string out;
    for (size_t i = 0; i < book->topics.size(); i++) {
        if (i)
            out += "\r\n";
        out += std::string(72, '=') + "\r\n";
        out += helpTopicText(book, (int)i);
    }
    return out;
}
