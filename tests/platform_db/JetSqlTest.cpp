// The Jet SQL the system writes, as SQLite is handed it.
#include <gtest/gtest.h>

#include "DB.h"
#include "JetSql.h"

using JetSql::Translate;

TEST(JetSql, DateLiteralsBecomeDayNumbers) {
    EXPECT_EQ(Translate("x > #3/7/2007#"), "x > 39148");
    EXPECT_EQ(Translate("x > #03/07/2007#"), "x > 39148");
    EXPECT_EQ(Translate("x > #12/30/1899#"), "x > 0");
    EXPECT_EQ(Translate("x = #2007-03-07#"), "x = 39148");
    // Two-digit years as Jet windows them.
    EXPECT_EQ(Translate("#3/7/07#"), "39148");
    EXPECT_EQ(Translate("#1/1/30#"), Translate("#1/1/1930#"));
}

TEST(JetSql, DateLiteralsWithTime) {
    EXPECT_EQ(Translate("#3/7/2007 12:00#"), "39148.5");
    EXPECT_EQ(Translate("#3/7/2007 6:00:00 PM#"), "39148.75");
    EXPECT_EQ(Translate("#3/7/2007 12:00 AM#"), "39148");
    EXPECT_EQ(Translate("#18:00#"), "0.75");
    double v = 0;
    ASSERT_TRUE(JetSql::ParseDateLiteral("3/7/2007 14:30:15", v));
    EXPECT_NEAR(v, 39148 + (14 * 3600 + 30 * 60 + 15) / 86400.0, 1e-9);
}

TEST(JetSql, DatesBeforeTheEpochStayOneNegativeToken) {
    EXPECT_EQ(Translate("#12/29/1899#"), "(-1)");
    // Without the parentheses "1-" followed by "-1" would start an SQL comment.
    EXPECT_EQ(Translate("1-#12/29/1899#"), "1-(-1)");
}

TEST(JetSql, LiteralTouchingNamesIsSeparated) {
    EXPECT_EQ(Translate("x>#1/1/2000#and y"), "x>36526 and y");
    EXPECT_EQ(Translate("between#1/1/2000#"), "between 36526");
}

TEST(JetSql, InvalidDateLiteralsRaise) {
    EXPECT_THROW(Translate("x > #2/30/2007#"), EDatabaseError);
    EXPECT_THROW(Translate("x > #13/1/2007#"), EDatabaseError);
    EXPECT_THROW(Translate("x > #3/7/2007"), EDatabaseError);
    EXPECT_THROW(Translate("x > #3/7/2007 25:00#"), EDatabaseError);
    EXPECT_THROW(Translate("x > #abc#"), EDatabaseError);
    EXPECT_THROW(Translate("x > ##"), EDatabaseError);
    EXPECT_THROW(Translate("#1/1/12345#"), EDatabaseError);
    try {
        Translate("where a = #2/30/2007#");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("#2/30/2007#"), std::string::npos);
    }
}

TEST(JetSql, StringLiteralsAreLeftAlone) {
    EXPECT_EQ(Translate("Benutzer = '#3/7/2007#'"), "Benutzer = '#3/7/2007#'");
    EXPECT_EQ(Translate("Benutzer = 'a#b' AND x = #1/1/2000#"), "Benutzer = 'a#b' AND x = 36526");
    // A doubled quote does not end the literal.
    EXPECT_EQ(Translate("Benutzer = 'O''Brien #1' OR x = true"), "Benutzer = 'O''Brien #1' OR x = 1");
    EXPECT_EQ(Translate("Benutzer = 'true'"), "Benutzer = 'true'");
    // An unterminated literal is copied for SQLite to reject.
    EXPECT_EQ(Translate("x = 'abc #1"), "x = 'abc #1");
}

TEST(JetSql, DoubleQuotedTextIsAJetStringLiteral) {
    EXPECT_EQ(Translate("Benutzer = \"alle\""), "Benutzer = 'alle'");
    EXPECT_EQ(Translate("Benutzer = \"O'Brien\""), "Benutzer = 'O''Brien'");
    EXPECT_EQ(Translate("Benutzer = \"say \"\"hi\"\" #1\""), "Benutzer = 'say \"hi\" #1'");
}

TEST(JetSql, NamesAndCommentsAreLeftAlone) {
    EXPECT_EQ(Translate("select [a#b], [true] from t"), "select [a#b], [true] from t");
    EXPECT_EQ(Translate("select `x#` from t"), "select `x#` from t");
    EXPECT_EQ(Translate("select 1 -- it's #\n, #1/1/2000#"), "select 1 -- it's #\n, 36526");
    EXPECT_EQ(Translate("select /* ' # */ 2"), "select /* ' # */ 2");
    // A comment right after a number's exponent letter is a comment, in the first pass and any later one.
    EXPECT_EQ(Translate("select 1e-5, 2e--5#1/1/1859 PM#"), "select 1e-5, 2e--5#1/1/1859 PM#");
    EXPECT_EQ(Translate("select true.xe--#1/1/2000#"), "select 1.xe--#1/1/2000#");
    EXPECT_EQ(Translate(Translate("select true.xe--#1/1/2000#")), "select 1.xe--#1/1/2000#");
}

TEST(JetSql, TrueAndFalseBecomeOneAndZero) {
    EXPECT_EQ(Translate("update BenutzerEinstellungen set NeedUpdate = false where Benutzer = 'anna'"),
              "update BenutzerEinstellungen set NeedUpdate = 0 where Benutzer = 'anna'");
    EXPECT_EQ(Translate("NeedUpdate = TRUE"), "NeedUpdate = 1");
    EXPECT_EQ(Translate("trueish = falsey AND t.true = 1 AND x_true = 2"), "trueish = falsey AND t.true = 1 AND x_true = 2");
    EXPECT_EQ(Translate("a=1e5 AND b=2true"), "a=1e5 AND b=2true");
}

TEST(JetSql, CalendarWeekStatement) {
    EXPECT_EQ(Translate("select * from termine where (Benutzer = 'alle' OR Benutzer = 'anna' ) AND  "
                        "StartTime > #3/4/2007# AND StartTime < #3/12/2007# order by StartTime"),
              "select * from termine where (Benutzer = 'alle' OR Benutzer = 'anna' ) AND  "
              "StartTime > 39145 AND StartTime < 39153 order by StartTime");
}
