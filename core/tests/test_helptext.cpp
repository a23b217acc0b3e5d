/*
 * The help book: the manual that ships in the program has a topic for every keyword the
 * program opens the help at (found in the sources, so a new "?" button without a topic
 * fails here), no keyword leads to two topics, and the parser and layout hold up against
 * odd input.
 */
#include "core/helptext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string sourceDir()
{
    const char *src = getenv("ZELO_SOURCE_DIR");
    std::string root = src && *src ? src : ZELO_SOURCE_DIR_DEFAULT;
#if defined(_WIN32)
    if (!root.empty() && root[0] == '/')
        root = "Z:" + root;   /* Wine maps the Unix root as drive Z: */
#endif
    return root;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const HelpBook &shippedBook()
{
    static HelpBook book;
    static bool done = false;
    if (!done) {
        std::string text = readFile(sourceDir() + "/resources/help/zelo-help.txt");
        helpParse(text.data(), text.size(), &book);
        done = true;
    }
    return book;
}

/* Every quoted text that follows the token (after the rest of its name, blanks and an
   opening parenthesis): helpShow("Open"), HELPKEY_SAVE "Save", IDS_HELP_OPEN "Open". */
void quotedAfter(const std::string &text, const std::string &token, std::set<std::string> *out)
{
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + 1)) {
        size_t p = at + token.size();
        while (p < text.size() && (isalnum((unsigned char)text[p]) || text[p] == '_'))
            p++;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '('))
            p++;
        if (p >= text.size() || text[p] != '"')
            continue;
        size_t end = text.find('"', p + 1);
        if (end != std::string::npos && end > p + 1)
            out->insert(text.substr(p + 1, end - p - 1));
    }
}

/* Keywords the program asks for: helpShow("...") calls, the HELPKEY_ names, the string
   table's help entries, and those the design names for dialogs still to come. */
std::set<std::string> keywordsInUse()
{
    std::set<std::string> keys = {"Open", "Save", "Console Controls", "Features", "Info", "Viewing", "Byte Swap",
                                  "Silence", "Paste Special", "Bitmaps", "Play List", "Custom Toolbar"};
    const char *folders[] = {"shell", "core", "ui", "formats", "edit", "view", "audio", "lists", "scripts", "toolbar", "cd",
                             "plugins", "dsp", "resources"};
    namespace fs = std::filesystem;
    for (const char *f : folders) {
        fs::path dir = fs::path(sourceDir()) / f;
        std::error_code ec;
        if (!fs::is_directory(dir, ec))
            continue;
        for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator(); it.increment(ec)) {
            std::string ext = it->path().extension().string();
            if (ext != ".cpp" && ext != ".h" && ext != ".rc")
                continue;
            if (it->path().filename() == "test_helptext.cpp")
                continue;
            std::string text = readFile(it->path().string());
            for (const char *token : {"helpShow", "HELPKEY_", "IDS_HELP_"})
                quotedAfter(text, token, &keys);
        }
    }
    return keys;
}

TEST(HelpBook, EveryKeywordTheProgramUsesHasATopic)
{
    const HelpBook &book = shippedBook();
    ASSERT_GT(book.topics.size(), 10u) << "the manual was not found under " << sourceDir();
    std::set<std::string> keys = keywordsInUse();
    /* The sources' own keywords were found, not only the fixed list. */
    EXPECT_TRUE(keys.count("Settings"));
    EXPECT_TRUE(keys.count("New Waveform"));
    for (const std::string &k : keys)
        EXPECT_GE(helpFind(&book, k.c_str()), 0) << "no help topic for keyword \"" << k << "\"";
}

TEST(HelpBook, NoKeywordLeadsToTwoTopicsAndContentsComesFirst)
{
    const HelpBook &book = shippedBook();
    ASSERT_FALSE(book.topics.empty());
    EXPECT_EQ("Contents", book.topics[0].title);
    std::map<std::string, size_t> owner;
    for (size_t i = 0; i < book.topics.size(); i++) {
        std::vector<std::string> names = book.topics[i].keys;
        names.push_back(book.topics[i].title);
        for (std::string n : names) {
            for (char &c : n)
                c = (char)tolower((unsigned char)c);
            auto at = owner.find(n);
            EXPECT_TRUE(at == owner.end() || at->second == i)
                << "\"" << n << "\" names topics " << at->second << " and " << i;
            owner[n] = i;
        }
        EXPECT_FALSE(book.topics[i].lines.empty()) << book.topics[i].title << " has no text";
    }
    /* The contents page lists every other topic. */
    std::string contents = helpTopicText(&book, 0);
    for (size_t i = 1; i < book.topics.size(); i++)
        EXPECT_NE(std::string::npos, contents.find("- " + book.topics[i].title + "\r\n")) << book.topics[i].title;
}

TEST(HelpBook, LookupIgnoresCaseAndBlanksAndFindsPrefixes)
{
    const char src[] = "@topic Contents\nintro\n@topic Paste Special\n@keys Mix; Loop Paste\nbody\n"
                       "@topic Playback\n@keys Play; Pause\nbody\n";
    HelpBook b;
    ASSERT_EQ(3, helpParse(src, sizeof src - 1, &b));
    EXPECT_EQ(1, helpFind(&b, "paste special"));
    EXPECT_EQ(1, helpFind(&b, "  MIX "));
    EXPECT_EQ(2, helpFind(&b, "Pause"));
    EXPECT_EQ(-1, helpFind(&b, "Paste"));
    EXPECT_EQ(-1, helpFind(&b, ""));
    EXPECT_EQ(-1, helpFind(&b, NULL));
    EXPECT_EQ(1, helpFindPrefix(&b, "pas"));
    EXPECT_EQ(1, helpFindPrefix(&b, "loop"));
    EXPECT_EQ(2, helpFindPrefix(&b, "Pla"));
    /* An exact keyword wins over an earlier topic whose name merely begins with it. */
    EXPECT_EQ(2, helpFindPrefix(&b, "play"));
    EXPECT_EQ(-1, helpFindPrefix(&b, "xyz"));
    EXPECT_EQ(-1, helpFindPrefix(&b, " "));
}

TEST(HelpBook, OddInputStillGivesAContentsPage)
{
    HelpBook b;
    EXPECT_EQ(1, helpParse(NULL, 0, &b));
    EXPECT_EQ("Contents", b.topics[0].title);
    EXPECT_EQ(1, helpParse("", 0, &b));
    /* Text before the first topic, keys with no topic, NUL bytes, CR LF, an empty title,
       an out-of-range index. */
    const char odd[] = "@keys Lost\r\nloose text\r\n@topic \r\nline\0with nul\r\n@topic Later\r\n@keys ;;  ; Key ;\r\n";
    ASSERT_EQ(3, helpParse(odd, sizeof odd - 1, &b));
    EXPECT_EQ("Contents", b.topics[0].title);
    ASSERT_EQ(1u, b.topics[0].lines.size());
    EXPECT_EQ("loose text", b.topics[0].lines[0]);
    EXPECT_EQ("(untitled)", b.topics[1].title);
    ASSERT_EQ(1u, b.topics[1].lines.size());
    EXPECT_EQ("line with nul", b.topics[1].lines[0]);
    ASSERT_EQ(1u, b.topics[2].keys.size());
    EXPECT_EQ("Key", b.topics[2].keys[0]);
    EXPECT_EQ(-1, helpFind(&b, "Lost"));
    EXPECT_EQ(helpTopicText(&b, 0), helpTopicText(&b, 99));
    EXPECT_EQ(helpTopicText(&b, 0), helpTopicText(&b, -1));
    /* A topic list is made up in front when the text begins with another topic. */
    const char noContents[] = "@topic Only\ntext\n";
    EXPECT_EQ(2, helpParse(noContents, sizeof noContents - 1, &b));
    EXPECT_EQ("Contents", b.topics[0].title);
    EXPECT_NE(std::string::npos, helpTopicText(&b, 0).find("- Only"));
    /* A very long line is kept whole. */
    std::string longText = "@topic Contents\n" + std::string(100000, 'x') + "\n";
    ASSERT_EQ(1, helpParse(longText.data(), longText.size(), &b));
    ASSERT_EQ(1u, b.topics[0].lines.size());
    EXPECT_EQ(100000u, b.topics[0].lines[0].size());
}

TEST(HelpBook, TopicTextJoinsParagraphsAndKeepsListsAndTables)
{
    const char src[] = "@topic Contents\nx\n@topic Keys\n; a comment\nfirst line\nsame paragraph\n\n"
                       "- item one\n- item two\ncontinued\n\n  Ctrl+A     select all\n  F1  help\n\n\n";
    HelpBook b;
    ASSERT_EQ(2, helpParse(src, sizeof src - 1, &b));
    EXPECT_EQ("Keys\r\n\r\nfirst line same paragraph\r\n\r\n- item one\r\n- item two continued\r\n\r\n"
              "Ctrl+A\tselect all\r\nF1\thelp\r\n",
              helpTopicText(&b, 1));
    /* The shipped manual uses CR LF only: the edit control shows a lone LF as a box. */
    const HelpBook &book = shippedBook();
    for (size_t i = 0; i < book.topics.size(); i++) {
        std::string t = helpTopicText(&book, (int)i);
        for (size_t p = t.find('\n'); p != std::string::npos; p = t.find('\n', p + 1))
            ASSERT_TRUE(p > 0 && t[p - 1] == '\r') << book.topics[i].title;
    }
}

/* The help file shipped beside the program is the book the help window shows: every topic's
   text exactly as the window shows it, in book order, each once, nothing else but rules. */
TEST(HelpBook, BookTextHoldsEveryTopicAsTheWindowShowsIt)
{
    const HelpBook &book = shippedBook();
    ASSERT_GT(book.topics.size(), 5u);
    std::string all = helpBookText(&book);
    std::string rule = std::string(72, '=') + "\r\n";
    size_t at = 0;
    for (size_t i = 0; i < book.topics.size(); i++) {
        std::string t = helpTopicText(&book, (int)i);
        ASSERT_EQ(all.compare(at, rule.size(), rule), 0) << "before " << book.topics[i].title;
        at += rule.size();
        ASSERT_EQ(all.compare(at, t.size(), t), 0) << book.topics[i].title;
        at += t.size();
        if (i + 1 < book.topics.size()) {
            ASSERT_EQ(all.compare(at, 2, "\r\n"), 0);
            at += 2;
        }
    }
    EXPECT_EQ(at, all.size());
    HelpBook empty;
    EXPECT_EQ("", helpBookText(&empty));
}

} // namespace
