#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "HTTPProd.h"
#include "TempDir.h"

using testsupport::TempDir;

namespace {

struct Call {
    TObject* sender;
    TTag tag;
    std::string name;
    std::vector<std::string> params;
};

// A producer that records each call and replaces a tag with "[NAME]" unless told otherwise.
struct Recorder {
    TPageProducer producer{nullptr};
    std::vector<Call> calls;
    std::function<void(const std::string&, TStrings*, AnsiString&)> reply = [](const std::string& name, TStrings*,
                                                                                AnsiString& text) {
        text = "[" + name + "]";
    };
    Recorder() {
        producer.OnHTMLTag = [this](TObject* Sender, TTag Tag, const AnsiString& TagString, TStrings* TagParams,
                                    AnsiString& ReplaceText) {
            EXPECT_EQ(ReplaceText, "");
            Call c{Sender, Tag, TagString, {}};
            for (int i = 0; i < TagParams->Count(); ++i) c.params.push_back((*TagParams)[i]);
            calls.push_back(c);
            reply(TagString, TagParams, ReplaceText);
        };
    }
    std::string Expand(const std::string& text) { return producer.ContentFromString(text); }
};

} // namespace

TEST(PageProducer, TagsAreReplacedAndTextIsCopied) {
    Recorder r;
    EXPECT_EQ(r.Expand("<p><#FONT></p><#font> a < b <#FONTSIZE>!"), "<p>[FONT]</p>[font] a < b [FONTSIZE]!");
    ASSERT_EQ(r.calls.size(), 3u);
    EXPECT_EQ(r.calls[0].name, "FONT");
    EXPECT_EQ(r.calls[1].name, "font");
    EXPECT_EQ(r.calls[2].name, "FONTSIZE");
    EXPECT_EQ(r.calls[0].sender, &r.producer);
    EXPECT_EQ(r.Expand("a < b"), "a < b");
    EXPECT_EQ(r.Expand("<"), "<");
    EXPECT_EQ(r.Expand("<<#X>>"), "<[X]>");
    EXPECT_EQ(r.Expand("x # y <a href=\"#top\">"), "x # y <a href=\"#top\">");
    EXPECT_EQ(r.Expand(""), "");
    EXPECT_EQ(r.Expand("Grüße <#DATUM> €"), "Grüße [DATUM] €");
}

TEST(PageProducer, UnterminatedTagIsText) {
    Recorder r;
    EXPECT_EQ(r.Expand("a <#X> b <#Y c=\"d"), "a [X] b <#Y c=\"d");
    EXPECT_EQ(r.Expand("<#"), "<#");
    EXPECT_EQ(r.Expand("tail <#"), "tail <#");
    EXPECT_EQ(r.calls.size(), 1u);
}

TEST(PageProducer, TheNameEndsAtTheFirstOtherCharacter) {
    Recorder r;
    EXPECT_EQ(r.Expand("<#DAY_2-X y><#><# z>"), "[DAY_2][][]");
    ASSERT_EQ(r.calls.size(), 3u);
    EXPECT_EQ(r.calls[0].params, (std::vector<std::string>{"-X", "y"}));
    EXPECT_EQ(r.calls[1].name, "");
    EXPECT_TRUE(r.calls[1].params.empty());
    EXPECT_EQ(r.calls[2].name, "");
    EXPECT_EQ(r.calls[2].params, (std::vector<std::string>{"z"}));
    // A ">" always ends the tag, also inside quotes.
    EXPECT_EQ(r.Expand("<#A t=\"x>y\">"), "[A]y\">");
}

TEST(PageProducer, ParametersAreSplitIntoNameValueEntries) {
    Recorder r;
    std::string dateOffset, link, missing, flag;
    r.reply = [&](const std::string&, TStrings* params, AnsiString& text) {
        dateOffset = params->Values("dateoffset");
        link = params->Values("LINK");
        missing = params->Values("NONE");
        flag = params->Count() > 3 ? (*params)[3] : "";
        text = "ok";
    };
    EXPECT_EQ(r.Expand("<#DAY   DATEOFFSET=3 LINK=\"Termin am Montag\"\tBold\n  TITLE=\"\"  >"), "ok");
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0].params,
              (std::vector<std::string>{"DATEOFFSET=3", "LINK=Termin am Montag", "Bold", "TITLE="}));
    EXPECT_EQ(dateOffset, "3");
    EXPECT_EQ(link, "Termin am Montag");
    EXPECT_EQ(missing, "");
    EXPECT_EQ(flag, "TITLE=");

    r.calls.clear();
    r.Expand("<#DAY 5><#A \"whole entry quoted\" b=\"open end><#B x=\"a\"\"b\" >");
    ASSERT_EQ(r.calls.size(), 3u);
    EXPECT_EQ(r.calls[0].params, (std::vector<std::string>{"5"}));
    EXPECT_EQ(r.calls[1].params, (std::vector<std::string>{"whole entry quoted", "b=open end"}));
    EXPECT_EQ(r.calls[2].params, (std::vector<std::string>{"x=ab"}));
}

TEST(PageProducer, ReplacementsAreNotScannedAndUnknownTagsVanish) {
    Recorder r;
    r.reply = [](const std::string& name, TStrings*, AnsiString& text) {
        if (name == "FONT") text = "Arial";
        else if (name == "LOOP") text = "<#FONT> <#LOOP>";
    };
    EXPECT_EQ(r.Expand("<#LOOP>|<#FONT>|<#UNKNOWN x=1>|<#font>"), "<#FONT> <#LOOP>|Arial||");

    TPageProducer bare(nullptr);
    EXPECT_EQ(bare.ContentFromString("a<#FONT>b<#X y=\"z\">c"), "abc");
}

TEST(PageProducer, TagKindsFollowTheNameIgnoringCase) {
    Recorder r;
    r.Expand("<#LINK><#image><#Table><#IMAGEMAP><#object><#EMBED><#LINKS><#FONT>");
    std::vector<TTag> kinds;
    for (const auto& c : r.calls) kinds.push_back(c.tag);
    EXPECT_EQ(kinds, (std::vector<TTag>{tgLink, tgImage, tgTable, tgImageMap, tgObject, tgEmbed, tgCustom, tgCustom}));
}

TEST(PageProducer, NestedProducersExpandTheirOwnTemplates) {
    TempDir dir;
    dir.write("vorlagen/haupt.zbn", "<html><#FONT><body><#TARVOLIN></body></html>");
    dir.write("vorlagen/monat.zbn", "<table><#ROW><#ROW></table>");
    dir.write("vorlagen/tag.zbn", "<td><#DATEOFFSET></td>");
    TPageProducer haupt(nullptr), monat(nullptr), tag(nullptr);
    haupt.SetHTMLFile(dir.file("vorlagen/haupt.zbn"));
    monat.SetHTMLFile(dir.file("vorlagen/monat.zbn"));
    tag.SetHTMLFile(dir.file("vorlagen/tag.zbn"));
    int offset = 0;
    haupt.OnHTMLTag = [&](TObject* Sender, TTag, const AnsiString& TagString, TStrings*, AnsiString& ReplaceText) {
        EXPECT_EQ(Sender, &haupt);
        if (TagString == "FONT") ReplaceText = "Arial";
        if (TagString == "TARVOLIN") ReplaceText = monat.Content();
    };
    monat.OnHTMLTag = [&](TObject* Sender, TTag, const AnsiString& TagString, TStrings*, AnsiString& ReplaceText) {
        EXPECT_EQ(Sender, &monat);
        if (TagString != "ROW") return;
        for (int i = 0; i < 2; ++i) ReplaceText += tag.Content();
        ReplaceText = "<tr>" + ReplaceText + "<#FONT></tr>";   // a tag in a replacement stays text
    };
    tag.OnHTMLTag = [&](TObject*, TTag, const AnsiString& TagString, TStrings*, AnsiString& ReplaceText) {
        if (TagString == "DATEOFFSET") ReplaceText = std::to_string(offset++);
    };
    EXPECT_EQ(haupt.Content(),
              "<html>Arial<body><table><tr><td>0</td><td>1</td><#FONT></tr><tr><td>2</td><td>3</td><#FONT></tr>"
              "</table></body></html>");

    // One producer may also expand itself from its own handler.
    TPageProducer self(nullptr);
    int depth = 0;
    self.OnHTMLTag = [&](TObject*, TTag, const AnsiString& TagString, TStrings* TagParams, AnsiString& ReplaceText) {
        if (TagString != "SELF") return;
        ReplaceText = "(" + TagParams->Values("n");
        if (++depth < 3) ReplaceText += self.ContentFromString("<#SELF n=" + std::to_string(depth) + ">");
        ReplaceText += ")";
    };
    EXPECT_EQ(self.ContentFromString("x<#SELF n=0>y"), "x(0(1(2)))y");
}

TEST(PageProducer, TheFileIsReadAtEveryCall) {
    TempDir dir;
    dir.write("Vorlagen/Standard/Haupt.zbn", "eins <#A>");
    TPageProducer p(nullptr);
    p.OnHTMLTag = [](TObject*, TTag, const AnsiString&, TStrings*, AnsiString& ReplaceText) { ReplaceText = "1"; };
    p.SetHTMLFile(dir.str() + "vorlagen\\standard\\haupt.zbn");   // written as the system writes it
    EXPECT_EQ(p.Content(), "eins 1");
    dir.write("Vorlagen/Standard/Haupt.zbn", "zwei <#A> \xE4\xF6\xFC");   // Windows-1252 umlauts
    EXPECT_EQ(p.Content(), "zwei 1 äöü");
    std::filesystem::remove(dir.file("Vorlagen/Standard/Haupt.zbn"));
    EXPECT_THROW(p.Content(), EFOpenError);
    p.SetHTMLFile(dir.file("woche.zbn"));
    try {
        p.Content();
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message.find("woche.zbn"), std::string::npos);
    }
}

TEST(PageProducer, WithoutAFileTheDocumentIsTheTemplate) {
    TPageProducer p(nullptr);
    p.OnHTMLTag = [](TObject*, TTag, const AnsiString& TagString, TStrings*, AnsiString& ReplaceText) {
        ReplaceText = TagString + "!";
    };
    EXPECT_EQ(p.Content(), "");
    p.HTMLDoc()->Add("<b><#X></b>");
    p.HTMLDoc()->Add("<#Y>");
    EXPECT_EQ(p.Content(), "<b>X!</b>\r\nY!\r\n");
    TStringList other;
    other.SetText("neu <#Z>");
    p.SetHTMLDoc(&other);
    EXPECT_EQ(p.Content(), "neu Z!\r\n");
}

TEST(PageProducer, AnExceptionInAHandlerLeavesTheProducerUsable) {
    Recorder r;
    r.reply = [](const std::string& name, TStrings*, AnsiString& text) {
        if (name == "BAD") throw SysUtils::EConvertError("bad tag");
        text = "ok";
    };
    EXPECT_THROW(r.Expand("a<#GOOD>b<#BAD>c"), SysUtils::EConvertError);
    EXPECT_EQ(r.Expand("<#GOOD>"), "ok");
}

TEST(PageProducer, LargeTemplatesExpandCompletely) {
    std::string tmpl;
    for (int i = 0; i < 20000; ++i) tmpl += "<tr><td class=\"x\">text &lt; a</td><#CELL n=" + std::to_string(i) + "></tr>\n";
    Recorder r;
    long sum = 0;
    r.reply = [&](const std::string&, TStrings* params, AnsiString& text) {
        sum += std::stol(params->Values("n"));
        text = "*";
    };
    const std::string out = r.Expand(tmpl);
    EXPECT_EQ(r.calls.size(), 20000u);
    EXPECT_EQ(sum, 19999L * 20000L / 2);
    EXPECT_EQ(std::count(out.begin(), out.end(), '*'), 20000);
    EXPECT_EQ(out.find("<#"), std::string::npos);
}

TEST(PageProducer, AChangedFileIsReadAgainEvenAtTheSameSize) {
    TempDir dir;
    dir.write("tag.zbn", "alt <#A>");
    TPageProducer p(nullptr);
    p.OnHTMLTag = [](TObject*, TTag, const AnsiString&, TStrings*, AnsiString& ReplaceText) { ReplaceText = "1"; };
    p.SetHTMLFile(dir.file("TAG.ZBN"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p.Content(), "alt 1");
    // Rewritten in place with as many bytes: the new modification time tells.
    const auto when = std::filesystem::last_write_time(dir.file("tag.zbn"));
    dir.write("tag.zbn", "neu <#A>");
    std::filesystem::last_write_time(dir.file("tag.zbn"), when + std::chrono::seconds(2));
    EXPECT_EQ(p.Content(), "neu 1");
    // Replaced by another file of the same size and time: another file all the same.
    dir.write("other.zbn", "dri <#A>");
    std::filesystem::last_write_time(dir.file("other.zbn"), when + std::chrono::seconds(2));
    std::filesystem::rename(dir.file("other.zbn"), dir.file("tag.zbn"));
    EXPECT_EQ(p.Content(), "dri 1");
}

TEST(PageProducer, AHandlerMayExpandItsOwnFileAgain) {
    TempDir dir;
    dir.write("self.zbn", "[<#SELF>]");
    TPageProducer p(nullptr);
    int depth = 0;
    p.OnHTMLTag = [&](TObject*, TTag, const AnsiString&, TStrings*, AnsiString& ReplaceText) {
        if (++depth < 3) ReplaceText = p.Content();
    };
    p.SetHTMLFile(dir.file("self.zbn"));
    EXPECT_EQ(p.Content(), "[[[]]]");
}
