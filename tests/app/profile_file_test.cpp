#include "app/profile_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

TEST(AppProfileFile, ReadsLikeTheWindowsProfileCalls) {
    const ProfileFile profile = ProfileFile::parse("; a comment=not a key\r\n"
                                                   "[Config]\r\n"
                                                   "  Language =  German  \r\n"
                                                   "quoted=\"  Deutsch \"\r\n"
                                                   "empty=\r\n"
                                                   ";language=French\r\n"
                                                   "language=Dutch\r\n"
                                                   "[ communication ]\n"
                                                   "\tTESTFLAG\t=\ttrue\t\n"
                                                   "noequals\n");
    EXPECT_EQ(profile.value("CONFIG", "language"), "German"); // the first key wins
    EXPECT_EQ(profile.value("config", "quoted"), "  Deutsch ");
    EXPECT_EQ(profile.value("config", "empty"), "");
    EXPECT_EQ(profile.value("Communication", "TestFlag"), "true");
    EXPECT_FALSE(profile.value("communication", "noequals"));
    EXPECT_FALSE(profile.value("config", "TestFlag"));
    EXPECT_FALSE(profile.value("", "; a comment"));

    // Present but empty stays empty; missing takes the default; both are cut to the buffer.
    EXPECT_EQ(profile.text("config", "empty", "English", 20), "");
    EXPECT_EQ(profile.text("config", "missing", "English", 20), "English");
    EXPECT_EQ(profile.text("config", "language", "English", 4), "Ger");
    EXPECT_EQ(profile.text("config", "missing", "English", 1), "");
}

TEST(AppProfileFile, CutsByCharactersNeverInsideOne) {
    EXPECT_EQ(cutToCharacters("Français", 4), "Fran");
    EXPECT_EQ(cutToCharacters("Français", 5), "Franç");
    EXPECT_EQ(cutToCharacters("Français", 50), "Français");
    EXPECT_EQ(cutToCharacters("", 3), "");
}

TEST(AppProfileFile, WritesKeysInPlaceAndKeepsTheRest) {
    testing::TempDir dir;
    dir.write("a.ini",
              "; mine\r\n[config]\r\nlanguage=German\r\n\r\n[ABOUT]\r\nVersion=old\r\n\r\n[x]\r\ny=1\r\n");
    ProfileFile profile = ProfileFile::load(dir / "a.ini");
    profile.setText("about", "version", "V2");
    profile.setText("about", "copyright", "C");
    profile.setText("new", "k", "v");
    ASSERT_TRUE(profile.save(dir / "a.ini"));
    EXPECT_EQ(dir.read("a.ini"), "; mine\r\n[config]\r\nlanguage=German\r\n\r\n[ABOUT]\r\nVersion=V2\r\n"
                                 "copyright=C\r\n\r\n[x]\r\ny=1\r\n\r\n[new]\r\nk=v\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "a.ini.tmp"));

    // An LF file stays LF; a missing file becomes a new one.
    dir.write("b.ini", "[about]\nversion=1\n");
    ProfileFile lf = ProfileFile::load(dir / "b.ini");
    lf.setText("about", "description", "");
    ASSERT_TRUE(lf.save(dir / "b.ini"));
    EXPECT_EQ(dir.read("b.ini"), "[about]\nversion=1\ndescription=\n");

    // Mixed line ends (a file touched by an editor of the other kind) stay as they are, line by
    // line, so a value that ends in a CR keeps it; an added line takes the first line's end.
    dir.write("mixed.ini", "[s]\nk=v\r\r\nm=1\r\nlast");
    ProfileFile mixed = ProfileFile::load(dir / "mixed.ini");
    EXPECT_EQ(mixed.value("s", "k"), "v\r");
    mixed.setText("s", "n", "2");
    ASSERT_TRUE(mixed.save(dir / "mixed.ini"));
    EXPECT_EQ(dir.read("mixed.ini"), "[s]\nk=v\r\r\nm=1\r\nn=2\nlast\n");
    EXPECT_EQ(ProfileFile::load(dir / "mixed.ini").value("s", "k"), "v\r");

    ProfileFile fresh = ProfileFile::load(dir / "none.ini");
    EXPECT_FALSE(fresh.value("about", "version"));
    fresh.setText("about", "version", "1");
    ASSERT_TRUE(fresh.save(dir / "c.ini"));
    EXPECT_EQ(dir.read("c.ini"), "[about]\r\nversion=1\r\n");
    EXPECT_FALSE(fresh.save(dir / "no-such-folder" / "d.ini"));
    // A save that cannot take the file's name (a folder has it) leaves no temporary file behind.
    std::filesystem::create_directory(dir / "e.ini");
    EXPECT_FALSE(fresh.save(dir / "e.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "e.ini.tmp"));
}

TEST(AppProfileFile, ASectionGivenTwiceIsReadAndWrittenInItsFirstBlockOnly) {
    testing::TempDir dir;
    const std::string later = "[CONFIG]\nlanguage=French\nTestFlag=true\n";
    dir.write("twice.ini", "[config]\nlanguage=German\n\n[about]\nversion=1\n\n" + later);
    ProfileFile profile = ProfileFile::load(dir / "twice.ini");
    EXPECT_EQ(profile.value("config", "language"), "German");
    EXPECT_FALSE(profile.value("config", "TestFlag")); // present only under the later header
    EXPECT_EQ(profile.text("config", "TestFlag", "false", 10), "false");

    // A key of the first block is changed there; a key it lacks is added to it; the later block
    // keeps its lines as they were.
    profile.setText("config", "LANGUAGE", "Dutch");
    profile.setText("config", "TestFlag", "1");
    ASSERT_TRUE(profile.save(dir / "twice.ini"));
    EXPECT_EQ(dir.read("twice.ini"),
              "[config]\nlanguage=Dutch\nTestFlag=1\n\n[about]\nversion=1\n\n" + later);
    EXPECT_EQ(ProfileFile::load(dir / "twice.ini").value("config", "testflag"), "1");

    // An empty first block hides the later one's keys; a write lands right below the first header.
    ProfileFile empty = ProfileFile::parse("[x]\n[y]\nk=1\n[X]\nk=2\n");
    EXPECT_FALSE(empty.value("x", "k"));
    EXPECT_EQ(empty.value("y", "k"), "1");
    empty.setText("x", "k", "3");
    EXPECT_EQ(empty.serialise(), "[x]\nk=3\n[y]\nk=1\n[X]\nk=2\n");
}

} // namespace
} // namespace nimbrel
