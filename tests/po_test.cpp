// Exchange with translation tools: the PO syntax, and quillane-cli export and
// import end to end, with Debian's gettext tools where they are installed.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>

#include "app/poexchange.h"
#include "convert/po.h"
#include "test_support.h"

using namespace qt_test;
namespace fs = std::filesystem;

namespace {

std::string Summary(const std::vector<qp::PoEntry>& entries) {
    std::string out;
    for (const qp::PoEntry& e : entries) {
        out += std::to_string(e.line) + (e.obsolete ? "~" : "") + "[" + e.context.value_or("-") + "|" + e.id + "|" +
               e.str + "]";
        for (const std::string& f : e.flags) out += "," + f;
        for (const std::string& c : e.extracted) out += " ." + c;
    }
    return out;
}

}  // namespace

TEST(Po, ReadsWhatGettextWritesAndRefusesBadSyntaxByLine) {
    const struct {
        std::string text, expected;  // expected: the entries' summary, or the error
    } cases[] = {
        {"\xEF\xBB\xBFmsgid \"\"\r\nmsgstr \"\"\r\n\"Language: de\\n\"\r\n", "1[-||Language: de\n]"},
        {"#. kind\n#: p.esp:3\n#, fuzzy, c-format\n#| msgid \"old\"\nmsgctxt \"A|b|FNAM\"\nmsgid \"a\\\\\\\"\\n\\t\\r\\101\\x42\"\n"
         "msgstr \"\"\n\"x \"\n\"y\"\n",
         "5[A|b|FNAM|a\\\"\n\t\rAB|x y],fuzzy,c-format .kind"},
        {"msgid \"a\"\nmsgstr \"b\"\nmsgid \"c\"\nmsgstr \"d\"\n#~ msgctxt \"gone\"\n#~ msgid \"e\"\n#~ msgstr \"f\"\n",
         "1[-|a|b]3[-|c|d]5~[gone|e|f]"},
        {"msgid \"a\nmsgstr \"\"\n", "line 1: a string not closed by \" at the line's end"},
        {"msgid \"a\"\nmsgstr \"\\q\"\n", "line 2: an unknown escape \\q"},
        {"msgid \"a\"\nmsgstr \"b\" x\n", "line 2: a string not closed by \" at the line's end"},
        {"msgid \"a\"\n\nmsgstr \"b\"\nmsgstr \"c\"\n", "line 4: msgstr without msgid before it"},
        {"msgid \"a\"\nmsgid_plural \"as\"\n", "line 2: plural forms (msgid_plural) do not occur in a plugin's strings"},
        {"\"a\"\n", "line 1: a string without msgctxt, msgid or msgstr before it"},
        {"msgid \"a\"\nmsgtxt \"b\"\n", "line 2: unknown keyword \"msgtxt\""},
        {"msgid \"a\"\n#. x\nmsgstr \"b\"\n", "line 2: a comment inside an entry"},
        {"msgctxt \"a\"\nmsgid \"b\"\n", "line 2: msgid without msgstr"},
    };
    for (const auto& c : cases) {
        std::vector<qp::PoEntry> entries;
        std::string error;
        const bool ok = qp::ReadPo(c.text, entries, error);
        EXPECT_EQ(ok ? Summary(entries) : error, c.expected) << c.text;
    }
    // What the writer makes, the reader takes back unchanged.
    qp::PoEntry e;
    e.extracted = {"name"};
    e.flags = {"fuzzy"};
    e.context = "BOOK|bk|TEXT";
    e.id = "Line one\r\nLine two \"quoted\" \\ \a\b\f\v\x01 " + std::string(90, 'w') + " end\n";
    e.str = "Zeile \xC3\xBC" + std::string(200, ' ');
    std::vector<qp::PoEntry> back;
    std::string error;
    ASSERT_TRUE(qp::ReadPo(qp::WritePo({qp::PoHeader({{"Language", ""}}), e}), back, error)) << error;
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(Summary({back[1]}), "6[" + *e.context + "|" + e.id + "|" + e.str + "],fuzzy .name");
}

TEST(Po, PlaceholdersAreTheGamesVariablesAndPrintfCodes) {
    EXPECT_EQ(qp::Placeholders("Hello %PCName, the %pcrank of ^Cell: 100%% %d gold, %.0f, %5s.% x"),
              (std::vector<std::string>{"%.0f", "%5s", "%d", "%pcname", "%pcrank", "^cell"}));
}

namespace {

struct Result {
    int code;
    std::string out, err;
};

std::string Q(const std::string& s) { return "\"" + s + "\""; }

int ExitCode(const std::string& command) {
#ifdef _WIN32
    return std::system(Q(command).c_str());
#else
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// Debian's gettext tools, where the test runs on a machine that has them.
bool HaveGettext() {
#ifdef _WIN32
    return false;
#else
    static const bool have = ExitCode("msgfmt --version >/dev/null 2>&1 && msgmerge --version >/dev/null 2>&1") == 0;
    return have;
#endif
}

class PoCli : public ::testing::Test {
protected:
    Env env;
    const fs::path dir = env.dir;

    std::string P(const std::string& name) const { return (dir / name).string(); }
    std::string Put(const std::string& n, const std::string& b) { return env.PutPlugin(n, b); }
    Result Run(const std::string& args) {
        const std::string out = dir.string() + ".out", err = dir.string() + ".err";
        const int code = ExitCode(Q(QUILLANE_CLI_PATH) + " " + args + " --root " + Q(dir.string()) + " >" + Q(out) +
                                  " 2>" + Q(err));
        Result r{code, ReadFile(out), ReadFile(err)};
#ifdef _WIN32
        for (size_t at; (at = r.err.find("\r\n")) != std::string::npos;) r.err.erase(at, 1);
#endif
        for (const auto& f : {out, err}) fs::remove(f);
        return r;
    }
    // A shell command of the gettext tools in the test's folder; its errors go to the test's log.
    void Gettext(const std::string& command) {
        ASSERT_EQ(ExitCode("cd " + Q(dir.string()) + " && " + command), 0) << command;
    }
    std::vector<qp::PoEntry> Read(const std::string& name) {
        std::vector<qp::PoEntry> entries;
        std::string error;
        EXPECT_TRUE(qp::ReadPo(ReadFile(dir / name), entries, error)) << error;
        return entries;
    }
    // Every entry but the header translated by fill, none fuzzy.
    void Translate(const std::string& from, const std::string& to,
                   const std::function<std::string(const qp::PoEntry&)>& fill) {
        std::vector<qp::PoEntry> entries = Read(from);
        for (qp::PoEntry& e : entries)
            if (e.context) e.str = fill(e), e.flags.clear();
        WriteFile(dir / to, qp::WritePo(entries));
    }
};

// Activators by ID and name, and a book with its text: a mod's version.
std::string Mod(const std::vector<std::pair<std::string, std::string>>& names, const std::string& text,
                const std::string& book = "Log") {
    std::vector<std::string> records;
    for (const auto& [id, name] : names) records.push_back(Object("ACTI", id, name));
    records.push_back(Book("bk_log", book, {{"TEXT", text}}));
    return Plugin(records);
}

}  // namespace

// Export, then import of the same file: the plugin convert writes. Every
// msgstr filled: strings shows each string as filled, in the code page.
TEST_F(PoCli, RoundTripsThroughExportAndImport) {
    Put("data/Actidata.dat", Pairs({{"Barrel", "Fass"}}));
    Put("data/Txtbookdata.dat", Triples({{"bk_log", "", "Offered text"}}));
    const std::string mod = Put("mod.esp", Mod({{"a_lever", "Lever %PCName"}, {"a_barrel", "Barrel"}},
                                               "Day one.\r\nCalm water, \"no\" goats."));
    ASSERT_EQ(Run("export " + Q(mod) + " " + Q(P("mod.po")) + " --codepage 1252").code, 0);
    const std::string po = ReadFile(dir / "mod.po");
    EXPECT_NE(po.find("#. name, tab \"Activator\", at most 31 bytes in code page 1252\n#. translated by a "
                      "dictionary\n#: mod.esp:2\nmsgctxt \"ACTI|a_barrel|FNAM\"\nmsgid \"Barrel\"\nmsgstr \"Fass\"\n"),
              std::string::npos) << po;
    EXPECT_NE(po.find("#, fuzzy\nmsgctxt \"BOOK|bk_log|TEXT\"\nmsgid \"\"\n\"Day one.\\r\\n\"\n\"Calm water, "
                      "\\\"no\\\" goats.\"\nmsgstr \"Offered text\"\n"),
              std::string::npos) << po;
    if (HaveGettext()) Gettext("msgfmt --check -o /dev/null mod.po && msgcat mod.po | cmp - mod.po");
    ASSERT_EQ(Run("import " + Q(mod) + " " + Q(P("mod.po")) + " " + Q(P("imported.esp"))).code, 0);
    ASSERT_EQ(Run("convert " + Q(mod) + " " + Q(P("converted.esp"))).code, 0);
    EXPECT_EQ(ReadFile(dir / "imported.esp"), ReadFile(dir / "converted.esp"));

    // The empty ones filled, the fuzzy offer taken.
    Translate("mod.po", "filled.po", [](const qp::PoEntry& e) { return e.str.empty() ? "\xC3\x9C " + e.id : e.str; });
    Result r = Run("import " + Q(mod) + " " + Q(P("filled.po")) + " " + Q(P("filled.esp")) + " --codepage 1252");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("filled.po: 4 applied, 0 not applied (0 fuzzy), 0 untranslated, 0 obsolete skipped"),
              std::string::npos) << r.err;
    EXPECT_EQ(Run("strings " + Q(P("filled.esp"))).out,
              "ACTI|a_lever|FNAM\tname\tT\tLever %PCName\t\xDC Lever %PCName\n"
              "ACTI|a_barrel|FNAM\tname\tL\tBarrel\tFass\n"
              "BOOK|bk_log|FNAM\tname\tT\tLog\t\xDC Log\n"
              "BOOK|bk_log|TEXT\ttext\t\tOffered text\tOffered text\n");
}

// A response filled with the topic's new name keeps the player's link: the
// check finds nothing. Its comments say who speaks.
TEST_F(PoCli, FilledResponsesKeepTheirTopicLinks) {
    Put("data/Dialdata.dat", Pairs({{"ferry", "ferje"}}));
    const auto mod = [](const std::string& response) {
        return Plugin({Record("DIAL", {{"NAME", Z("ferry")}, {"DATA", std::string(1, '\0')}}),
                       Record("INFO", {{"INAM", Z("7")}, {"ONAM", Z("ingrid")}, {"NAME", response}})});
    };
    const std::string in = Put("d.esp", mod("Ask about the ferry."));
    ASSERT_EQ(Run("export " + Q(in) + " " + Q(P("d.po"))).code, 0);
    EXPECT_NE(ReadFile(dir / "d.po").find("#. response, \"Edit text\" item \"Dialogue\", at most 511 bytes in code "
                                          "page 1252\n#. topic \"ferje\", speaker ingrid\n"),
              std::string::npos) << ReadFile(dir / "d.po");
    Translate("d.po", "filled.po", [](const qp::PoEntry& e) { return e.str.empty() ? "Spoer om ferje." : e.str; });
    ASSERT_EQ(Run("import " + Q(in) + " " + Q(P("filled.po")) + " " + Q(P("out.esp"))).code, 0);
    EXPECT_EQ(Run("check " + Q(P("out.esp"))).code, 0);
}

// A Cyrillic mod in 1251: UTF-8 in the file, its bytes in 1251 again after
// the import; what the code page cannot hold, a name past its limit, bad
// syntax, a master file and, with --strict, a lost placeholder are refused
// with nothing written.
TEST_F(PoCli, CodePagesAndRefusals) {
    const std::string zhyto = "\xC6\xE8\xF2\xEE";  // Жито in 1251
    const std::string mod = Put("cyr.esp", Mod({{"a_lever", zhyto}, {"a_barrel", "Barrel %PCName"}}, "Text"));
    const std::string master = Put("cyr.esm", Plugin({Object("ACTI", "a_lever", zhyto)}, 1));
    ASSERT_EQ(Run("export " + Q(mod) + " " + Q(P("cyr.po")) + " --codepage 1251").code, 0);
    ASSERT_EQ(Run("export " + Q(master) + " " + Q(P("master.po")) + " --codepage 1251").code, 0);
    EXPECT_NE(ReadFile(dir / "cyr.po").find("msgid \"\xD0\x96\xD0\xB8\xD1\x82\xD0\xBE\"\n"), std::string::npos);
    Translate("cyr.po", "t.po", [](const qp::PoEntry& e) {
        return e.id == "Barrel %PCName" ? "\xD0\x91\xD0\xBE\xD1\x87\xD0\xBA\xD0\xB0" : e.id + " \xD0\xAF";
    });
    Translate("cyr.po", "long.po", [](const qp::PoEntry& e) { return e.id + std::string(40, 'x'); });
    Translate("cyr.po", "latin2.po", [](const qp::PoEntry& e) { return e.id + "\xC5\x81"; });  // Ł
    Translate("master.po", "m.po", [](const qp::PoEntry& e) { return e.id + "!"; });
    WriteFile(dir / "bad.po", "msgid \"a\"\nmsgstr \"b\"\n\nmsgid \"c\n");
    const struct {
        std::string plugin, po, options, message;
        int code;
    } refusals[] = {
        {mod, "long.po", "", ": ACTI|a_lever|FNAM: the name has more than 31 characters (44 bytes)", 2},
        {mod, "latin2.po", "", ": code page 1251 has no character U+0141 (\xC5\x81)", 1},
        {mod, "bad.po", "", "bad.po:4: invalid PO syntax: a string not closed by \" at the line's end", 2},
        {master, "m.po", "", "m.po: a master file cannot be changed", 2},
        {mod, "t.po", " --strict", ": ACTI|a_barrel|FNAM: the translation drops %pcname (--strict)", 2},
    };
    for (const auto& c : refusals) {
        const auto before = DirSnapshot(dir);
        const Result r =
            Run("import " + Q(c.plugin) + " " + Q(P(c.po)) + " " + Q(P("refused.esp")) + " --codepage 1251" + c.options);
        EXPECT_EQ(r.code, c.code) << c.po;
        EXPECT_NE(r.err.find(c.message + "; nothing was written"), std::string::npos) << r.err;
        EXPECT_EQ(DirSnapshot(dir), before) << c.po;
    }
    Result r = Run("import " + Q(mod) + " " + Q(P("t.po")) + " " + Q(P("out.esp")) + " --codepage 1251");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find(": ACTI|a_barrel|FNAM: the translation drops %pcname"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "out.esp"),
              Mod({{"a_lever", zhyto + " \xDF"}, {"a_barrel", "\xC1\xEE\xF7\xEA\xE0"}}, "Text \xDF", "Log \xDF"));
}

// A mod's version 2 exported as a template and merged with the translated
// version 1 by msgmerge --previous: the unchanged strings are applied, the
// changed ones fuzzy and not applied, the removed ones obsolete. A
// compendium of two translated mods (msgcat) fills a third.
TEST_F(PoCli, UpdatesAndCompendiumsThroughGettext) {
    if (!HaveGettext()) GTEST_SKIP() << "msgfmt/msgmerge not installed (Debian package gettext)";
    const std::string v1 = Put("v1.esp", Mod({{"a_lever", "Lever"}, {"a_barrel", "Old barrel"}, {"a_gone", "Chest"}},
                                             "First text.")),
                      v2 = Put("v2.esp", Mod({{"a_lever", "Lever"}, {"a_barrel", "Old barrels"}, {"a_new", "Crate"}},
                                             "First text, longer."));
    ASSERT_EQ(Run("export " + Q(v1) + " " + Q(P("v1.po"))).code, 0);
    Translate("v1.po", "v1.de.po", [](const qp::PoEntry& e) { return "DE " + e.id; });
    ASSERT_EQ(Run("export " + Q(v2) + " " + Q(P("v2.pot"))).code, 0);
    Gettext("msgmerge --quiet --previous -o v2.de.po v1.de.po v2.pot && msgfmt --check -o /dev/null v2.de.po");
    Result r = Run("import " + Q(v2) + " " + Q(P("v2.de.po")) + " " + Q(P("v2.de.esp")));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("v2.de.po: 2 applied, 2 not applied (2 fuzzy), 1 untranslated, 1 obsolete skipped"),
              std::string::npos) << r.err;
    EXPECT_NE(r.err.find(": ACTI|a_barrel|FNAM: not applied: fuzzy (to be reviewed)"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir / "v2.de.esp"), Mod({{"a_lever", "DE Lever"}, {"a_barrel", "Old barrels"}, {"a_new", "Crate"}},
                                               "First text, longer.", "DE Log"));

    // Mod 3 shares a record with each of two translated mods.
    const std::string m3 = Put("m3.esp", Mod({{"a_lever", "Lever"}, {"a_gone", "Chest"}, {"a_own", "Lever"}}, "Own."));
    Gettext("msgcat --use-first -o compendium.po v1.de.po v2.de.po");
    ASSERT_EQ(Run("export " + Q(m3) + " " + Q(P("m3.pot"))).code, 0);
    Gettext("msgmerge --quiet --compendium compendium.po -o m3.de.po /dev/null m3.pot");
    r = Run("import " + Q(m3) + " " + Q(P("m3.de.po")) + " " + Q(P("m3.de.esp")));
    ASSERT_EQ(r.code, 0) << r.err;
    // The same record's same text is translated; the same text elsewhere is a fuzzy offer.
    EXPECT_NE(r.err.find("m3.de.po: 3 applied, 1 not applied (1 fuzzy)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(": ACTI|a_own|FNAM: not applied: fuzzy"), std::string::npos) << r.err;
}

// The window's File menu: the export behind a save requester, the import
// applying the file to the loaded plugin as edits, what it did not apply in
// the check dialog's table, and the plugin saved as usual.
TEST(PoWindow, ExportAndImportFromTheFileMenu) {
    Env env;
    qp::HeadlessPlatform& ui = env.ui;
    env.Load(env.PutPlugin("w.esp", Mod({{"a_lever", "Lever"}, {"a_barrel", "Barrel"}}, "Old text.")));
    const std::string po = (env.dir / "w.po").string();
    ui.PushSavePath((env.dir / "w").string());
    env.Menu(qp::kMenuExportPo);
    ASSERT_EQ(ui.Requesters().back().filterLabel, "PO (*.po)");
    EXPECT_EQ(ui.Requesters().back().fileName, "w.po");
    EXPECT_EQ(Shown(ui).back(), "INFORMATION/1/4 STRINGS EXPORTED FOR TRANSLATION (UTF-8 FROM CODE PAGE 1252) TO\r" + po);

    std::vector<qp::PoEntry> entries;
    std::string error;
    ASSERT_TRUE(qp::ReadPo(ReadFile(po), entries, error)) << error;
    entries[1].str = "Hebel";
    entries[2].str = "Fass", entries[2].flags = {"fuzzy"};
    entries[4].str = "New text.";
    entries.push_back(entries[1]);
    entries.back().context = "ACTI|a_gone|FNAM";
    WriteFile(po, qp::WritePo(entries));
    ui.PushOpenPath(po);
    env.Menu(qp::kMenuImportPo);
    EXPECT_EQ(ui.Rows(qp::kListActivator)[0], (qp::Row{"*", "a_lever", "Lever", "Hebel"}));
    EXPECT_EQ(ui.Rows(qp::kListActivator)[1], (qp::Row{"", "a_barrel", "Barrel", "Barrel"}));
    ASSERT_TRUE(ui.IsDialogOpen(qp::kWindowCheck));
    EXPECT_EQ(ui.Control(qp::kCtlCheckList).tableRows,
              (std::vector<qp::Row>{{"27", "ACTI|a_barrel|FNAM", "fuzzy (to be reviewed)", ""},
                                    {"45", "ACTI|a_gone|FNAM", "no string of the plugin has this identity", ""}}));
    EXPECT_EQ(EnabledMenus(ui), "4 20 21 ") << "the dialog holds the menu lock";
    env.Press(qp::kCtlCheckCopy);
    EXPECT_EQ(ui.Clipboard(), "w.po:27: ACTI|a_barrel|FNAM: not applied: fuzzy (to be reviewed)\r\n"
                              "w.po:45: ACTI|a_gone|FNAM: not applied: no string of the plugin has this identity\r\n");
    env.Press(qp::kCtlCheckClose);
    env.SaveAs((env.dir / "out.esp").string());
    EXPECT_EQ(ReadFile(env.dir / "out.esp"), Mod({{"a_lever", "Hebel"}, {"a_barrel", "Barrel"}}, "New text."));
}
