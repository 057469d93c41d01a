// Dialogue topics: the Topic tab, AddTopic in dialogue results, and the
// reference check's topic findings.
#include <gtest/gtest.h>

#include "base/workspace.h"
#include "convert/checkplugin.h"
#include "convert/topics.h"
#include "test_support.h"

using namespace qt_test;

namespace {

std::string Dial(const std::string& name, int kind) {
    return Record("DIAL", {{"NAME", Z(name)}, {"DATA", std::string(1, static_cast<char>(kind))}});
}

std::string Info(const std::string& id, const std::string& text, const std::string& result = "") {
    std::vector<Sub> subs = {{"INAM", Z(id)}, {"NAME", text}};
    if (!result.empty()) subs.push_back({"BNAM", result});
    return Record("INFO", subs);
}

}  // namespace

TEST(Topics, AddTopicTakesTheNewNameAsTheGameComparesIt) {
    qp::TopicRenames renames;
    renames.Add("latest rumors", "dernieres rumeurs");
    renames.Add("Latest Rumors", "ignored: the first pair of a name wins");
    renames.Add("Vivec", "Vivek");
    renames.Add("\xC9mile", "Emile");
    renames.Add("same", "SAME");  // only the letter case: nothing to rename
    const std::pair<std::string, std::string> cases[] = {
        {"AddTopic \"Latest RUMORS\"\r\n", "AddTopic \"dernieres rumeurs\"\r\n"},
        {"  addtopic, vivec ; AddTopic \"Vivec\"", "  addtopic, Vivek ; AddTopic \"Vivec\""},
        {"if ( x == 1 )\nADDTOPIC \"vivec\" \nendif", "if ( x == 1 )\nADDTOPIC \"Vivek\" \nendif"},
        {"AddTopic latest", "AddTopic latest"},  // one word of a longer name
        {"AddTopic \"\xE9mile\" AddTopic \"\xC9mile\"", "AddTopic \"\xE9mile\" AddTopic \"Emile\""},
        {"AddTopic \"same\"", "AddTopic \"same\""},
        {"AddTopics \"Vivec\" AddTopic \"Vivec", "AddTopics \"Vivec\" AddTopic \"Vivec"},
        {"Journal x 10\rAddTopic Vivec", "Journal x 10\rAddTopic Vivek"},
    };
    for (const auto& [in, out] : cases) {
        bool changed = false;
        EXPECT_EQ(qp::RenameAddTopics(in, renames, changed), out);
        EXPECT_EQ(changed, in != out) << in;
    }
    // A bare argument whose new name is no longer one word gets quotes.
    qp::TopicRenames spaced;
    spaced.Add("Vivec", "Lord Vivec");
    bool changed = false;
    EXPECT_EQ(qp::RenameAddTopics("AddTopic Vivec\n", spaced, changed), "AddTopic \"Lord Vivec\"\n");
}

TEST(Topics, TopicRowsConvertEditAndSaveWhileOtherDialoguesKeepTheirNames) {
    Env env;
    WriteFile(env.Data("Dialdata.dat"),
              Pairs({{"latest rumors", "dernieres rumeurs"}, {"background", "passe"}}));
    // A pair of names of every kind: no AddTopic goes through it.
    WriteFile(env.ExtDb(), Pairs({{"Ingrid", "Ingrida"}}));
    const std::string noData = Record("DIAL", {{"NAME", Z("latest rumors")}});
    const std::vector<std::string> kept = {Dial("latest rumors", 2), Dial("background", 4), noData,
                                           Dial("background", 9)};
    std::vector<std::string> records = kept;
    records.insert(records.end(), {Dial("latest rumors", 0), Dial("my quest", 0),
                                   Info("1", "Hi.", "addtopic \"Background\"\r\nAddTopic Ingrid\r\nAddTopic \"my quest\"")});
    const std::string in = env.PutPlugin("in.esp", Plugin(records));
    env.Load(in);
    EXPECT_EQ(env.ui.Rows(qp::kListTopic), (std::vector<qp::Row>{{"L", "latest rumors", "latest rumors", "dernieres rumeurs"},
                                                             {"", "my quest", "my quest", "my quest"}}));
    EXPECT_EQ(env.ui.TabTitles().back(), "Topic");
    EditName(env, qp::kListTopic, 1, "ma quete");
    env.Save();
    std::vector<std::string> saved = kept;
    saved.insert(saved.end(), {Dial("dernieres rumeurs", 0), Dial("ma quete", 0),
                               Info("1", "Hi.", "addtopic \"passe\"\r\nAddTopic Ingrid\r\nAddTopic \"ma quete\"")});
    EXPECT_EQ(ReadFile(in), Plugin(saved));
    EXPECT_EQ(ReadFile(env.ExtDb()), Pairs({{"FFFF", "FFFF"}, {"my quest", "ma quete"}}));
}

TEST(Topics, CheckFindsLostLinksAndScriptAddTopics) {
    Env env;
    WriteFile(env.Data("Dialdata.dat"), Pairs({{"latest rumors", "dernieres rumeurs"}, {"Vivec", "Vivek"}}));
    const std::string in = env.PutPlugin(
        "in.esp",
        Plugin({Dial("latest rumors", 0),
                Info("1", "Ask about \"Latest rumors\"."),              // lost: the old name only
                Info("2", "latest rumors, or dernieres rumeurs."),     // the new name is there too
                Info("3", "Aboutvivec and xlatest rumors."),           // no link: inside a word
                Dial("quest", 4), Info("4", "Vivec said so."),         // a journal entry is not clicked
                Record("SCPT", {{"SCHD", std::string("Scr") + std::string(49, '\0')},
                                {"SCTX", "Begin Scr\r\nAddTopic \"vivec\"\r\nEnd"}})}));
    env.Load(in);
    const qp::CheckOutcome out = qp::CheckLoadedPlugin();
    std::string lines;
    for (const qp::RefFinding& f : out.findings) lines += qp::FormatFinding(f) + "\n";
    EXPECT_EQ(lines,
              "SCPT\tScr\tSCTX line 2 AddTopic\tvivec\tVivek\n"
              "INFO\t1\tNAME link\tlatest rumors\tdernieres rumeurs\n");
    EXPECT_EQ(qp::CountFindings(out.findings),
              "0 names with a known counterpart, 0 unknown names, 0 names with several counterparts, "
              "1 topic link lost, 1 script AddTopic with an old topic");
}
