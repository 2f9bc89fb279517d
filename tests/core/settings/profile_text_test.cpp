#include "core/settings/profile_text.h"

#include <gtest/gtest.h>

using profile::lookup;
using profile::withValue;

namespace {

const char* const kHandEdited =
    "; written by hand\n"
    "  [ CONFTEXT ]  \n"
    "  3  =  Ctrl + C  \n"
    "Quoted=\"  spaced  \"\n"
    "Single='x'\n"
    "Mismatched=\"x'\n"
    "empty=\n"
    "not a key line\n"
    ";4=commented out\n"
    "3=second of a duplicate\n"
    "[conftooltip]\n"
    "3=2|17|67\n"
    "[conftext]\n"
    "5=in a duplicate section\n";

}  // namespace

TEST(ProfileLookup, MatchesNamesWithoutRegardToCaseOrBlanks) {
    EXPECT_EQ(lookup(kHandEdited, "conftext", "3"), "Ctrl + C");
    EXPECT_EQ(lookup(kHandEdited, "ConfText", " 3 "), "Ctrl + C");
    EXPECT_EQ(lookup(kHandEdited, "CONFTOOLTIP", "3"), "2|17|67");
    EXPECT_EQ(lookup(kHandEdited, "conftext", "quoted"), "  spaced  ");
}

TEST(ProfileLookup, ValuesLoseBlanksAndOnePairOfMatchingQuotes) {
    EXPECT_EQ(lookup(kHandEdited, "conftext", "Single"), "x");
    EXPECT_EQ(lookup(kHandEdited, "conftext", "Mismatched"), "\"x'");
    EXPECT_EQ(lookup("[s]\nk=\"\"a\"\"\n", "s", "k"), "\"a\"");
    EXPECT_EQ(lookup("[s]\nk=\"\n", "s", "k"), "\"");
}

TEST(ProfileLookup, EmptyValueIsPresentButMissingKeysAndSectionsAreNot) {
    EXPECT_EQ(lookup(kHandEdited, "conftext", "empty"), "");
    EXPECT_EQ(lookup(kHandEdited, "conftext", "4"), std::nullopt);  // only in a comment
    EXPECT_EQ(lookup(kHandEdited, "conftext", "not a key line"), std::nullopt);
    EXPECT_EQ(lookup(kHandEdited, "Zorvane", "3"), std::nullopt);
    EXPECT_EQ(lookup("", "conftext", "3"), std::nullopt);
    EXPECT_EQ(lookup("3=before any section\n", "conftext", "3"), std::nullopt);
}

TEST(ProfileLookup, FirstDuplicateWins) {
    EXPECT_EQ(lookup(kHandEdited, "conftext", "3"), "Ctrl + C");
    // Only the first of two sections of one name is searched.
    EXPECT_EQ(lookup(kHandEdited, "conftext", "5"), std::nullopt);
}

TEST(ProfileLookup, ReadsCrLfFilesAndSkipsAByteOrderMark) {
    const std::string crlf = "\xEF\xBB\xBF[Zorvane]\r\nZorvane1KeyCode=65\r\nZorvane1ModKeyCode=3\r\n";
    EXPECT_EQ(lookup(crlf, "Zorvane", "Zorvane1KeyCode"), "65");
    EXPECT_EQ(lookup(crlf, "Zorvane", "Zorvane1ModKeyCode"), "3");
}

TEST(ProfileWrite, CreatesSectionAndKeyInAnEmptyFile) {
    EXPECT_EQ(withValue("", "conftext", "3", "Ctrl + C", "\n"), "[conftext]\n3=Ctrl + C\n");
    EXPECT_EQ(withValue("", "conftext", "3", "", "\r\n"), "[conftext]\r\n3=\r\n");
}

TEST(ProfileWrite, ReplacesTheValueWhereTheKeyStandsKeepingEverythingElse) {
    const std::string file =
        "; my notes\r\n"
        "[CONFTEXT]\r\n"
        "\r\n"
        "  Key3 = old value ; not a comment\r\n"
        "key3=duplicate\r\n"
        "[conftooltip]\r\n"
        "3=2|17|67\r\n";
    const std::string after = withValue(file, "conftext", "KEY3", "new", "\n");
    EXPECT_EQ(after,
              "; my notes\r\n"
              "[CONFTEXT]\r\n"
              "\r\n"
              "Key3=new\r\n"
              "key3=duplicate\r\n"
              "[conftooltip]\r\n"
              "3=2|17|67\r\n");
}

TEST(ProfileWrite, AppendsANewKeyAfterTheSectionsLastKey) {
    const std::string file =
        "[conftext]\n"
        "0=A\n"
        "; trailing comment\n"
        "\n"
        "[conftooltip]\n"
        "0=1|65\n";
    EXPECT_EQ(withValue(file, "conftext", "1", "B", "\r\n"),
              "[conftext]\n"
              "0=A\n"
              "1=B\n"
              "; trailing comment\n"
              "\n"
              "[conftooltip]\n"
              "0=1|65\n");
    // A section without keys gets the key right after its header.
    EXPECT_EQ(withValue("[a]\n\n[b]\n", "a", "k", "v", "\n"), "[a]\nk=v\n\n[b]\n");
}

TEST(ProfileWrite, AppendsAMissingSectionAtTheEndInTheFilesLineEnding) {
    EXPECT_EQ(withValue("[a]\r\nx=1\r\n", "b", "k", "v", "\n"), "[a]\r\nx=1\r\n[b]\r\nk=v\r\n");
    // The last line without a line ending gets one before anything is added.
    EXPECT_EQ(withValue("[a]\nx=1", "b", "k", "v", "\n"), "[a]\nx=1\n[b]\nk=v\n");
    EXPECT_EQ(withValue("[a]\nx=1", "a", "k", "v", "\n"), "[a]\nx=1\nk=v\n");
    EXPECT_EQ(withValue("[a]", "a", "k", "v", "\n"), "[a]\nk=v\n");
    // A last line ending in CR alone is the start of a CRLF: its value keeps no CR.
    EXPECT_EQ(withValue("[a]\r\nx=1\r", "a", "k", "v", "\n"), "[a]\r\nx=1\r\nk=v\r\n");
    EXPECT_EQ(withValue("[a]\r\nx=1\r", "b", "k", "v", "\n"), "[a]\r\nx=1\r\n[b]\r\nk=v\r\n");
}

TEST(ProfileWrite, WhatIsWrittenReadsBack) {
    std::string file;
    for (int i = 0; i < 10; ++i) {
        file = withValue(file, "conftext", std::to_string(i), "T" + std::to_string(i), "\n");
        file = withValue(file, "conftooltip", std::to_string(i), "1|" + std::to_string(65 + i), "\n");
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(lookup(file, "conftext", std::to_string(i)), "T" + std::to_string(i));
        EXPECT_EQ(lookup(file, "conftooltip", std::to_string(i)), "1|" + std::to_string(65 + i));
    }
}

TEST(ProfileWrite, RefusesEntriesThatWouldBreakTheFilesLines) {
    EXPECT_EQ(profile::invalidEntryReason("conftext", "3", "Ctrl + C"), "");
    EXPECT_NE(profile::invalidEntryReason("conftext", "3", "a\n[Zorvane]"), "");
    EXPECT_NE(profile::invalidEntryReason("conftext", "3", "a\rb"), "");
    EXPECT_NE(profile::invalidEntryReason("conf]text", "3", "v"), "");
    EXPECT_NE(profile::invalidEntryReason("conftext", "a=b", "v"), "");
    EXPECT_NE(profile::invalidEntryReason("conftext", ";k", "v"), "");
    EXPECT_NE(profile::invalidEntryReason("conftext", " ", "v"), "");
}

TEST(ProfileLineEnds, CrAloneAndMixedLineEndsAllEndLines) {
    const std::string mac = "[Zorvane]\rZorvane1KeyCode=65\rZorvane1ModKeyCode=3\r";
    EXPECT_EQ(lookup(mac, "Zorvane", "Zorvane1KeyCode"), "65");
    EXPECT_EQ(lookup(mac, "Zorvane", "Zorvane1ModKeyCode"), "3");
    const std::string mixed = "[a]\rk=1\n[b]\r\nk=2\n\rk2=3\r\r\n[c]\rk=4";
    EXPECT_EQ(lookup(mixed, "a", "k"), "1");
    EXPECT_EQ(lookup(mixed, "b", "k"), "2");
    EXPECT_EQ(lookup(mixed, "b", "k2"), "3");
    EXPECT_EQ(lookup(mixed, "c", "k"), "4");
}

TEST(ProfileLineEnds, EachLineKeepsItsOwnEndingAndNewLinesTakeTheFilesFirst) {
    const std::string mixed = "[a]\rk=1\n[b]\r\nk=2\r[c]\nk=3";
    EXPECT_EQ(withValue(mixed, "a", "k", "x", "\n"), "[a]\rk=x\n[b]\r\nk=2\r[c]\nk=3");
    EXPECT_EQ(withValue(mixed, "b", "k", "x", "\n"), "[a]\rk=1\n[b]\r\nk=x\r[c]\nk=3");
    EXPECT_EQ(withValue(mixed, "b", "n", "x", "\n"), "[a]\rk=1\n[b]\r\nk=2\rn=x\r[c]\nk=3");
    EXPECT_EQ(withValue(mixed, "c", "n", "x", "\n"), "[a]\rk=1\n[b]\r\nk=2\r[c]\nk=3\rn=x\r");
    EXPECT_EQ(withValue("[a]\rk=1\r", "b", "k", "v", "\n"), "[a]\rk=1\r[b]\rk=v\r");
    // A lone CR before the file's end is a line end of its own, even in a CRLF file.
    EXPECT_EQ(withValue("[a]\r\nx=1\r[b]\r\n", "a", "k", "v", "\n"), "[a]\r\nx=1\rk=v\r\n[b]\r\n");
}
